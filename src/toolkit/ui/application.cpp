// SPDX-License-Identifier: GPL-3.0-or-later
#include "toolkit/ui/application.h"

#include "toolkit/text/errors.h"
#include "toolkit/ui/controls.h"
#include "toolkit/ui/timer.h"

#include <QDir>
#include <QFileInfo>
#include <QIcon>
#include <QImage>
#include <QKeyEvent>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPixmap>
#include <QScreen>
#include <QTimer>
#include <QWindow>
#include <QtMath>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>

#ifdef PLAMKOV_FONTCONFIG
#include <fontconfig/fontconfig.h>
#endif

namespace tk {

namespace {

// The real boxes: Qt's message box runs its own nested loop, in which timers keep ticking.
class QtDialogs : public Dialogs {
public:
    void ShowMessage(const QString& text, const QString& title) override {
        QMessageBox box(QMessageBox::NoIcon, title, text, QMessageBox::Ok);
        box.setTextFormat(Qt::PlainText);
        box.exec();
    }
    void ShowError(const QString& text, const QString& title) override {
        QMessageBox box(QMessageBox::Critical, title, text, QMessageBox::Ok);
        box.setTextFormat(Qt::PlainText);
        box.exec();
    }
};

const char* const kUnknownError = "Unknown error";

// The largest window icon, in layout pixels.
constexpr int kLargestWindowIcon = 64;

// Start-up work waits no longer than this for the main window's first paint.
constexpr std::chrono::milliseconds kStartupWorkDeadline{1000};

// The top-level widget a window-system window belongs to.
QWidget* WidgetOfWindow(QObject* window) {
    for (QWidget* top : QApplication::topLevelWidgets()) {
        if (top->windowHandle() == window)
            return top;
    }
    return nullptr;
}

// True when a press at this point of that window lands on a menu bar or an open menu: what the
// original platform reports as a press outside the client area.
bool OnMenu(QObject* window, QPointF position) {
    if (qobject_cast<QMenu*>(QApplication::activePopupWidget()) != nullptr)
        return true;
    QWidget* top = WidgetOfWindow(window);
    if (top == nullptr)
        return false;
    if (qobject_cast<QMenu*>(top) != nullptr)
        return true;
    for (QWidget* w = top->childAt(position.toPoint()); w != nullptr; w = w->parentWidget()) {
        if (qobject_cast<QMenuBar*>(w) != nullptr || qobject_cast<QMenu*>(w) != nullptr)
            return true;
    }
    return false;
}

Message::Kind MouseKind(QEvent::Type type, Qt::MouseButton button, bool doubleClick) {
    switch (type) {
    case QEvent::MouseMove:
        return Message::MouseMove;
    case QEvent::MouseButtonPress:
        return button == Qt::LeftButton     ? (doubleClick ? Message::LButtonDblClk : Message::LButtonDown)
               : button == Qt::RightButton  ? Message::RButtonDown
               : button == Qt::MiddleButton ? Message::MButtonDown
                                            : Message::Other;
    case QEvent::MouseButtonRelease:
        return button == Qt::LeftButton     ? Message::LButtonUp
               : button == Qt::RightButton  ? Message::RButtonUp
               : button == Qt::MiddleButton ? Message::MButtonUp
                                            : Message::Other;
    default:
        return Message::Other;
    }
}

// What the message filter is shown for an input event arriving at a window, or Other.
Message::Kind KindOf(QObject* receiver, QEvent* event) {
    switch (event->type()) {
    case QEvent::KeyPress:
        return Message::KeyDown;
    case QEvent::KeyRelease:
        return Message::KeyUp;
    case QEvent::MouseMove:
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease: {
        // The second press of a quick double click is, on the original platform, the double-click
        // message instead of a press; Qt marks that press and sends its own double-click event after
        // it (see notify).
        auto* mouse = static_cast<QMouseEvent*>(event);
        const bool doubleClick = mouse->flags().testFlag(Qt::MouseEventCreatedDoubleClick);
        const Message::Kind kind = MouseKind(event->type(), mouse->button(), doubleClick);
        if ((kind == Message::LButtonDown || kind == Message::LButtonDblClk) &&
            OnMenu(receiver, mouse->position()))
            return Message::NcLButtonDown;
        return kind;
    }
    default:
        return Message::Other;
    }
}

// Qt acts on options of its own in the command line (-reverse mirrors every window, -platform,
// -style, ...). The program takes no arguments, so Qt is given the program's name alone. Qt keeps
// the count and the array it was given for the application's lifetime: they live here.
int g_qtArgc = 0;
char* g_qtArgv[2] = {nullptr, nullptr};

// Fontconfig reads its configuration and caches the first time a font is looked up, which the
// first window's first caption would wait for: a worker does it while Qt starts (measured head to
// head, about 7 % of start-up), and the constructor joins it before any window exists.
std::thread g_fontWarmUp;

// What runs before Qt starts: gives Qt the program's name alone, and starts the fonts' warm-up.
int& BeforeQtStarts(int argc, char** argv) {
    g_qtArgv[0] = argc > 0 ? argv[0] : nullptr;
    g_qtArgc = g_qtArgv[0] != nullptr ? 1 : 0;
#ifdef PLAMKOV_FONTCONFIG
    if (!g_fontWarmUp.joinable())
        g_fontWarmUp = std::thread([] { FcInit(); });
#endif
    return g_qtArgc;
}

} // namespace

Application::Application(int& argc, char** argv)
    : QApplication(BeforeQtStarts(argc, argv), g_qtArgv),
      title_(TitleFromProgramName(argc > 0 && argv[0] != nullptr ? QString::fromLocal8Bit(argv[0])
                                                                 : applicationFilePath())),
      dialogs_(std::make_unique<QtDialogs>()), realClock_(std::make_unique<RealClock>()) {
    clock_ = realClock_.get();
    // Only closing the main window ends the program, never the last window going away.
    setQuitOnLastWindowClosed(false);
    // Fontconfig is the user-interface thread's from here on: no window, so no font, exists yet.
    if (g_fontWarmUp.joinable())
        g_fontWarmUp.join();
}

Application::~Application() {
    // Work that never ran is for windows about to go.
    startup_ = StartupQueue();
    // Windows go first, while the application they were made in still exists.
    forms_.clear();
    mainForm_ = nullptr;
}

Application* Application::Instance() {
    return qobject_cast<Application*>(QCoreApplication::instance());
}

qreal Application::ScreenPixelRatio() const {
    const QScreen* screen = primaryScreen();
    return screen != nullptr ? screen->devicePixelRatio() : 1.0;
}

void Application::NameProgram(const QString& desktopEntry, const QString& iconName) {
    setDesktopFileName(desktopEntry);
    // Qt's X11 platform takes the window class from the application name.
    setApplicationName(desktopEntry);
    // Title bars and window lists draw icons of up to 64 pixels a side (more on a hi-DPI screen);
    // menus and launchers take the larger ones from the icon theme. Decoded here, on this thread: a
    // worker for them bought nothing measurable at start-up.
    const int largest = qCeil(kLargestWindowIcon * ScreenPixelRatio());
    QIcon icon;
    const QDir icons(QStringLiteral(":/icons"));
    for (const QString& size : icons.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        if (size.section(QLatin1Char('x'), 0, 0).toInt() > largest)
            continue;
        const QImage picture(
            icons.filePath(size + QStringLiteral("/apps/") + iconName + QStringLiteral(".png")), "PNG");
        if (!picture.isNull())
            icon.addPixmap(QPixmap::fromImage(picture));
    }
    setWindowIcon(icon);
}

QString Application::TitleFromProgramName(const QString& programPath) {
    // Either separator, so a path from the original platform gives the same title.
    const qsizetype slash =
        std::max(programPath.lastIndexOf(QLatin1Char('/')), programPath.lastIndexOf(QLatin1Char('\\')));
    QString name = programPath.mid(slash + 1);
    const qsizetype dot = name.indexOf(QLatin1Char('.'));
    if (dot >= 0)
        name.truncate(dot);
    if (name.size() > 1)
        name = name.left(1) + name.mid(1).toLower();
    return name;
}

void Application::Adopt(std::unique_ptr<TForm> form) {
    if (form == nullptr)
        return;
    // A form with an owner is freed by its owner, not by us.
    if (form->parent() != nullptr) {
        (void)form.release();
        return;
    }
    forms_.push_back(std::move(form));
}

void Application::RegisterForm(TForm* form) {
    if (mainForm_ != nullptr)
        return;
    mainForm_ = form;
    connect(form, &QObject::destroyed, this, [this, form] {
        if (mainForm_ == form)
            mainForm_ = nullptr;
    });
}

int Application::Run() {
    if (startup_.Deferring())
        QTimer::singleShot(kStartupWorkDeadline, this, [this] { FinishStartupWork(); });
    if (mainForm_ != nullptr && !terminated_)
        mainForm_->Show();
    if (!terminated_) {
        inRun_ = true;
        exec();
        inRun_ = false;
    }
    if (startupFailure_)
        std::rethrow_exception(std::exchange(startupFailure_, nullptr));
    return 0;
}

void Application::FinishStartupWork() {
    try {
        startup_.Run();
    } catch (...) {
        if (!inRun_)
            throw;
        startupFailure_ = std::current_exception();
        Terminate();
    }
}

void Application::Terminate() {
    terminated_ = true;
    emit TerminateRequested();
    // Ends every running loop (the main one, modal ones, message boxes) once the current event is
    // done. Only inside Run: outside it Qt would keep every later loop from running at all.
    if (inRun_)
        exit(0);
}

void Application::Halt() {
    std::fflush(nullptr);
    std::_Exit(0);
}

bool Application::Filter(const Message& message) {
    if (!filter_)
        return false;
    bool handled = false;
    bool failed = true;
    Invoke([&, filter = filter_] { // a copy: a filter may install another one while it runs
        filter(message, handled);
        failed = false;
    });
    // A filter that fails abandons the message, as a failing handler abandons its event.
    return handled || failed;
}

void Application::Invoke(std::function<void()> handler) {
    if (!handler)
        return;
    try {
        handler();
    } catch (...) {
        ShowCaughtException();
    }
}

void Application::ShowCaughtException() {
    try {
        throw;
    } catch (const Error& error) {
        ShowErrorText(error.Text());
    } catch (const std::exception& error) {
        ShowErrorText(QString::fromLocal8Bit(error.what()));
    } catch (...) {
        ShowErrorText(QString::fromLatin1(kUnknownError));
    }
}

void Application::ShowMessage(const QString& text) {
    dialogs_->ShowMessage(text, title_);
}

void Application::ShowErrorText(const QString& text) {
    // The error box must never become a new source of errors: it is the last boundary.
    try {
        dialogs_->ShowError(ErrorBoxText(text), title_);
    } catch (...) {
        std::fputs("plamkov: an error could not be shown\n", stderr);
    }
}

void Application::SetDialogs(std::unique_ptr<Dialogs> dialogs) {
    dialogs_ = dialogs != nullptr ? std::move(dialogs) : std::make_unique<QtDialogs>();
}

void Application::SetClock(Clock* clock) {
    clock_ = clock != nullptr ? clock : realClock_.get();
}

void Application::DispatchTimer(TTimer* timer) {
    QPointer<TTimer> alive(timer);
    if (Filter(Message{Message::Timer, timer}))
        return;
    if (alive != nullptr && alive->Enabled())
        Invoke(alive->OnTimer);
}

bool Application::notify(QObject* receiver, QEvent* event) {
    // Another thread's events (a worker's, the sound thread's) go straight on: the filter, the
    // start-up queue and the error boundary, and the state they keep, are the user-interface thread's.
    if (std::this_thread::get_id() != uiThread_)
        return QApplication::notify(receiver, event);
    // No exception may unwind through Qt's frames; every way out of here is a return.
    try {
        return NotifyOnUiThread(receiver, event);
    } catch (...) {
        ShowCaughtException();
    }
    return true;
}

bool Application::NotifyOnUiThread(QObject* receiver, QEvent* event) {
    if (startup_.MustRunBefore(receiver, event, mainForm_))
        FinishStartupWork();
    // Input reaches a window-system window first and is then passed on to the widget under it;
    // the filter looks at it once, at that first step.
    if (filter_ && event->spontaneous() && receiver != nullptr && receiver->isWindowType()) {
        // Qt's own double-click event follows the press the filter already saw as the
        // double-click message: it shares that press's fate, and the filter sees it no more.
        if (event->type() == QEvent::MouseButtonDblClick) {
            const bool dropped = std::exchange(doubleClickPressDropped_, false);
            return dropped || QApplication::notify(receiver, event);
        }
        const Message::Kind kind = KindOf(receiver, event);
        const bool dropped = kind != Message::Other && Filter(Message{kind, receiver});
        if (event->type() == QEvent::MouseButtonPress)
            doubleClickPressDropped_ = dropped && static_cast<QMouseEvent*>(event)->flags().testFlag(
                                                      Qt::MouseEventCreatedDoubleClick);
        if (dropped)
            return true;
    }
    const bool result = QApplication::notify(receiver, event);
    // The main window's first paint lets the held work run, from the event loop, once that
    // picture has gone to the screen.
    if (startup_.Deferring() && startup_.FirstPaintOf(receiver, event, mainForm_))
        QTimer::singleShot(0, this, [this] { FinishStartupWork(); });
    return result;
}

Application& App() {
    return *Application::Instance();
}

} // namespace tk
