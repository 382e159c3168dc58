// SPDX-License-Identifier: GPL-3.0-or-later
// Work on a thread of its own, whose reports come back to the UI thread in order, as events: the
// work gets its inputs before it starts (captured by its function) and hands back nothing else.
#pragma once

#include <QObject>

#include <deque>
#include <functional>
#include <mutex>
#include <stop_token>
#include <thread>

namespace tk {

class TForm;

class TWorker : public QObject {
    Q_OBJECT
public:
    // Runs a function on the UI thread, after those posted before it. Callable from the work only.
    using Post = std::function<void(std::function<void()>)>;
    using Work = std::function<void(std::stop_token stop, const Post& post)>;

    TWorker();
    // Asks the work to stop and waits for it: work looks at its token between steps of bounded length.
    ~TWorker() override;
    TWorker(const TWorker&) = delete;
    TWorker& operator=(const TWorker&) = delete;

    void Start(Work work);
    // Asks the work to stop; it ends at its next look at the token.
    void RequestStop();
    // The work is under way, or has ended and not all it posted has run yet.
    bool Running() const { return running_; }
    // Runs the event loop, so the windows paint and take input, until the work has ended and all it
    // posted has run. The window's menu is off meanwhile. When the program is asked to end, the work
    // is asked to stop, and still waited for.
    void WaitShowing(TForm& window);

    // On the UI thread once the work has ended, after all it posted. An error that escapes the work
    // is shown in the error box, as those of the UI thread are.
    std::function<void()> OnFinished;

private:
    // Called through the event queue by name: no functor of the work's thread is read on this one.
    Q_INVOKABLE void Finished();
    Q_INVOKABLE void RunPosted();
    std::mutex postedMutex_;
    std::deque<std::function<void()>> posted_;
    std::jthread thread_;
    bool running_ = false;
    std::function<void()> quitWait_;
};

} // namespace tk
