// SPDX-License-Identifier: GPL-3.0-or-later
// The pool is two std::threads of our own over a queue under a std::mutex, not a QThreadPool: every
// hand-over from the thread that starts a task to the thread that runs it is then one that
// ThreadSanitizer sees (Qt's pool hands its tasks over under a lock it cannot see).
#include "toolkit/pictures/decode_ahead.h"

#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>

namespace tk {

namespace {

struct Pool {
    std::atomic<bool> closing{false};
    std::mutex mutex;
    std::condition_variable wake;
    std::deque<std::function<void()>> tasks;
    std::vector<std::thread> threads; // made as tasks come, up to kThreads
    int idle = 0;

    ~Pool() {
        {
            std::lock_guard lock(mutex);
            closing = true;
            tasks.clear();
        }
        wake.notify_all();
        for (std::thread& thread : threads)
            thread.join();
    }

    void Start(std::function<void()> task) {
        {
            std::lock_guard lock(mutex);
            tasks.push_back(std::move(task));
            if (int(tasks.size()) > idle && int(threads.size()) < DecodePool::kThreads)
                threads.emplace_back([this] { Work(); });
        }
        wake.notify_one();
    }

    void Work() {
        std::unique_lock lock(mutex);
        for (;;) {
            ++idle;
            wake.wait(lock, [this] { return closing || !tasks.empty(); });
            --idle;
            if (closing)
                return;
            std::function<void()> task = std::move(tasks.front());
            tasks.pop_front();
            lock.unlock();
            task();
            task = nullptr; // what it holds goes on this thread, before the next task
            lock.lock();
        }
    }
};

Pool& ThePool() {
    static Pool pool;
    return pool;
}

} // namespace

void DecodePool::Start(std::function<void()> task) {
    ThePool().Start(std::move(task));
}

bool DecodePool::Closing() {
    return ThePool().closing.load();
}

} // namespace tk
