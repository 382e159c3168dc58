// SPDX-License-Identifier: GPL-3.0-or-later
#include "toolkit/ui/worker.h"

#include "toolkit/ui/application.h"
#include "toolkit/ui/controls.h"

#include <QEventLoop>
#include <QMenuBar>
#include <QMetaObject>
#include <QPointer>

#include <exception>

#include <sys/resource.h>
#include <unistd.h>

namespace tk {

namespace {
constexpr int kWorkerNice = 10;
} // namespace

TWorker::TWorker() = default;

TWorker::~TWorker() {
    RequestStop();
    if (thread_.joinable())
        thread_.join();
}

void TWorker::Start(Work work) {
    if (thread_.joinable())
        thread_.join();
    running_ = true;
    // A posted function is handed over through a queue under a std::mutex (a hand-over that thread
    // checkers see), and an event for this object then runs it on the UI thread, in order, inside
    // the error boundary; it is dropped if this object is gone by then.
    const Post post = [this](std::function<void()> function) {
        {
            const std::lock_guard lock(postedMutex_);
            posted_.push_back(std::move(function));
        }
        QMetaObject::invokeMethod(this, "RunPosted", Qt::QueuedConnection);
    };
    thread_ = std::jthread([this, post, work = std::move(work)](std::stop_token stop) {
        // Below the UI thread, so the windows paint on time however busy the work keeps the cores;
        // the threads the work starts inherit it.
        ::setpriority(PRIO_PROCESS, static_cast<id_t>(::gettid()), kWorkerNice);
        try {
            work(stop, post);
        } catch (...) { // shown in the error box, as the UI thread's own errors are
            post([error = std::current_exception()] { std::rethrow_exception(error); });
        }
        QMetaObject::invokeMethod(this, "Finished", Qt::QueuedConnection);
    });
}

void TWorker::RunPosted() {
    std::function<void()> function;
    {
        const std::lock_guard lock(postedMutex_);
        if (posted_.empty())
            return;
        function = std::move(posted_.front());
        posted_.pop_front();
    }
    App().Invoke(std::move(function));
}

void TWorker::RequestStop() {
    thread_.request_stop();
}

void TWorker::Finished() {
    if (thread_.joinable())
        thread_.join(); // it has ended: this was its last event
    running_ = false;
    if (quitWait_)
        quitWait_();
    if (OnFinished)
        App().Invoke(OnFinished);
}

void TWorker::WaitShowing(TForm& window) {
    if (!running_)
        return;
    QPointer<QMenuBar> menu = window.MenuBar();
    const bool menuWasEnabled = menu != nullptr && menu->isEnabled();
    if (menu != nullptr)
        menu->setEnabled(false);
    QEventLoop loop;
    quitWait_ = [&loop] { loop.quit(); };
    const QMetaObject::Connection ending =
        QObject::connect(&App(), &Application::TerminateRequested, &loop, [this] { RequestStop(); });
    while (running_)
        loop.exec();
    QObject::disconnect(ending);
    quitWait_ = nullptr;
    if (menu != nullptr && menuWasEnabled)
        menu->setEnabled(true);
}

} // namespace tk
