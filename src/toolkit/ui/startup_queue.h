// SPDX-License-Identifier: GPL-3.0-or-later
// Start-up work that the main window's first picture does not need (the controls of hidden panels,
// the sound), held back until that picture is on the screen. The application feeds it every event
// of the user-interface thread; it says when the held work must run.
#pragma once

#include <functional>
#include <vector>

class QEvent;
class QObject;
class QWidget;

namespace tk {

class StartupQueue {
public:
    // From now on Add holds work back, until Run.
    void Defer() {
        deferring_ = true;
        firstPaintSeen_ = false;
    }
    bool Deferring() const { return deferring_; }
    // Holds the work back while deferring; otherwise runs it at once.
    void Add(std::function<void()> work);
    // Runs the held work in the order it was added, and stops deferring: work added later, even by
    // this work, runs at once. Work that throws drops what follows it, and the error goes on up.
    void Run();

    // True when this event must not overtake the held work: a person's input, a close, or a window
    // other than the main one being shown (a message box too), so every click and key finds the
    // windows complete.
    bool MustRunBefore(const QObject* receiver, const QEvent* event, const QWidget* mainWindow) const;
    // True once: for the first paint of the main window, after which the held work can run.
    bool FirstPaintOf(const QObject* receiver, const QEvent* event, const QWidget* mainWindow);

private:
    bool deferring_ = false;
    bool firstPaintSeen_ = false;
    std::vector<std::function<void()>> work_;
};

} // namespace tk
