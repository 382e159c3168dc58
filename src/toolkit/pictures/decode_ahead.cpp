// SPDX-License-Identifier: GPL-3.0-or-later
// The tasks wait in a queue of our own under a std::mutex, and each pool run takes one from it: so
// the hand-over from the thread that starts a task to the thread that runs it is one that
// ThreadSanitizer sees (Qt's own queue is guarded by a lock it cannot see).
#include "toolkit/pictures/decode_ahead.h"

#include <QThreadPool>

#include <deque>
#include <mutex>

namespace tk {

namespace {

struct Pool {
    std::atomic<bool> closing{false};
    std::mutex mutex;
    std::deque<std::function<void()>> tasks;
    QThreadPool threads; // last, so that it is waited for before the queue goes

    Pool() { threads.setMaxThreadCount(DecodePool::kThreads); }
    ~Pool() {
        closing = true;
        {
            std::lock_guard lock(mutex);
            tasks.clear();
        }
        threads.waitForDone();
    }

    void RunOne() {
        std::function<void()> task;
        {
            std::lock_guard lock(mutex);
            if (tasks.empty())
                return;
            task = std::move(tasks.front());
            tasks.pop_front();
        }
        task();
    }
};

Pool& ThePool() {
    static Pool pool;
    return pool;
}

} // namespace

void DecodePool::Start(std::function<void()> task) {
    Pool& pool = ThePool();
    {
        std::lock_guard lock(pool.mutex);
        pool.tasks.push_back(std::move(task));
    }
    pool.threads.start([&pool] { pool.RunOne(); });
}

bool DecodePool::Closing() {
    return ThePool().closing.load();
}

} // namespace tk
