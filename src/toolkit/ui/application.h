// SPDX-License-Identifier: GPL-3.0-or-later
// The application object: owns the event loop and the forms, the application-wide message
// filter, the error boundary every handler runs in, the message and error boxes, terminate and
// halt, and the clock the timers run on. Events of other threads pass it untouched.
#pragma once

#include "toolkit/ui/startup_queue.h"

#include <QApplication>
#include <QImage>
#include <QPointer>
#include <QString>

#include <exception>
#include <functional>
#include <memory>
#include <thread>
#include <utility>
#include <vector>

namespace tk {

class Clock;
class TForm;
class TTimer;

// A message taken from the queue, as the message filter sees it. The kinds carry the numbers
// of the original platform's messages.
struct Message {
    enum Kind : int {
        KeyDown = 0x0100,
        KeyUp = 0x0101,
        Timer = 0x0113,
        MouseMove = 0x0200,
        LButtonDown = 0x0201,
        LButtonUp = 0x0202,
        LButtonDblClk = 0x0203,
        RButtonDown = 0x0204,
        RButtonUp = 0x0205,
        MButtonDown = 0x0207,
        MButtonUp = 0x0208,
        // A left press outside any window's client area: the menu bar or an open menu.
        NcLButtonDown = 0x00A1,
        Other = 0,
    };
    Kind kind = Other;
    QObject* target = nullptr; // the window (or timer) the message is for
};

using MessageFilter = std::function<void(const Message& message, bool& handled)>;

// The message box and the error box. Tests replace them with a recorder.
class Dialogs {
public:
    virtual ~Dialogs() = default;
    // A modal box with the text and one "OK" button, titled with the application title.
    virtual void ShowMessage(const QString& text, const QString& title) = 0;
    // The same with an error icon; the text already carries its closing full stop.
    virtual void ShowError(const QString& text, const QString& title) = 0;
};

class Application : public QApplication {
    Q_OBJECT
public:
    // The program takes no arguments: Qt sees only argv[0], so none of its options (-reverse,
    // -platform, ...) take effect, and argc and argv are left as they are.
    Application(int& argc, char** argv);
    ~Application() override;

    static Application* Instance();

    // The program file's name cut at its first full stop, every letter after the first in lower case.
    QString Title() const { return title_; }
    static QString TitleFromProgramName(const QString& programPath);

    // Device pixels per layout pixel on the screen a new window opens on (the primary screen), as
    // a window reports it before it is shown: pictures can be decoded for it before windows exist.
    qreal ScreenPixelRatio() const;
    // Names the program to the desktop by its menu entry (the entry's file name without
    // ".desktop"), which becomes the Wayland app id and the X11 class, and gives every window the
    // icon `iconName`, embedded as :/icons/<size>x<size>/apps/<iconName>.png.
    void NameProgram(const QString& desktopEntry, const QString& iconName);

    // Creates a form owned by the application; the first one created becomes the main form.
    template <typename Form, typename... Args> Form* CreateForm(Form*& reference, Args&&... args) {
        auto form = std::make_unique<Form>(std::forward<Args>(args)...);
        reference = form.get();
        Adopt(std::move(form));
        return reference;
    }
    void Adopt(std::unique_ptr<TForm> form);
    TForm* MainForm() const { return mainForm_; }
    // Called by every form as it is constructed, owned or not; the first becomes the main form.
    void RegisterForm(TForm* form);

    // Shows the main form (running its OnShow), then runs the event loop until terminate.
    // Returns the exit code, always 0; raises the error of start-up work that failed.
    int Run();

    // Start-up work that the main window's first picture does not need (see StartupQueue). Once
    // DeferStartupWork is called, AfterFirstPaint holds such work back until the main window has
    // painted for the first time, and the event loop then runs it; it runs earlier when needed:
    // before the first input or close event reaches any window, before any other window is shown
    // (a message box too), and 1 s after Run at the latest, for a window that never paints. Without
    // DeferStartupWork (tests build windows so) and once the queue has run, AfterFirstPaint runs the
    // work at once. Work that fails ends the event loop, and Run raises its error: it is start-up
    // that failed.
    void DeferStartupWork() { startup_.Defer(); }
    void AfterFirstPaint(std::function<void()> work) { startup_.Add(std::move(work)); }
    // Runs the held start-up work now, in the order it was queued.
    void FinishStartupWork();
    // Ends the event loop (and any modal loop) after the event being handled.
    void Terminate();
    bool Terminated() const { return terminated_; }
    // Forgets an earlier terminate request, so a test can go on after closing a main window.
    void ClearTerminate() { terminated_ = false; }
    // Ends the process at once with exit code 0; no OnClose runs.
    [[noreturn]] void Halt();

    void SetMessageFilter(MessageFilter filter) { filter_ = std::move(filter); }
    // Runs the filter on a message; true when the filter marked it handled (or failed on it).
    bool Filter(const Message& message);

    // The error boundary: runs a handler, and shows any exception that escapes it in the error
    // box. No exception leaves this call. The handler is a copy, so it may free or replace the
    // control's own handler while it runs.
    void Invoke(std::function<void()> handler);

    void ShowMessage(const QString& text);
    void ShowErrorText(const QString& text);
    void SetDialogs(std::unique_ptr<Dialogs> dialogs);
    Dialogs& CurrentDialogs() { return *dialogs_; }

    // The clock timers run on. Tests install a VirtualClock before creating forms.
    Clock& CurrentClock() { return *clock_; }
    void SetClock(Clock* clock);
    // Delivers one tick of a timer: through the message filter, then OnTimer inside the boundary.
    void DispatchTimer(TTimer* timer);

    bool notify(QObject* receiver, QEvent* event) override;

signals:
    // Emitted by Terminate; modal loops end on it even when Run is not on the stack (tests).
    void TerminateRequested();

private:
    QString title_;
    std::vector<std::unique_ptr<TForm>> forms_;
    TForm* mainForm_ = nullptr;
    MessageFilter filter_;
    std::unique_ptr<Dialogs> dialogs_;
    std::unique_ptr<Clock> realClock_;
    Clock* clock_ = nullptr;
    bool terminated_ = false;
    bool inRun_ = false;
    bool doubleClickPressDropped_ = false; // the filter dropped the press Qt's double-click event follows
    const std::thread::id uiThread_ = std::this_thread::get_id();
    StartupQueue startup_;
    std::exception_ptr startupFailure_;
    // Shows the exception being handled in the error box; called only inside a catch block.
    void ShowCaughtException();
    bool NotifyOnUiThread(QObject* receiver, QEvent* event);
};

// Shorthand for the application object.
Application& App();

} // namespace tk
