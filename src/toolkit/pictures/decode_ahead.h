// SPDX-License-Identifier: GPL-3.0-or-later
// Decoding pictures ahead of need, on the process's one small pool of threads: files at a small size
// (PictureCache) and a program's embedded pictures alike. A PictureDecode is one picture's
// decode, done once, either by a pool thread or by the first thread that needs it before a pool
// thread has begun it; every other thread that needs it waits for that one decode.
#pragma once

#include <atomic>
#include <exception>
#include <functional>
#include <future>
#include <memory>
#include <utility>
#include <vector>

namespace tk {

// The pool the decodes run on: two threads of its own, so decoding ahead leaves a core to the window
// system. At the end of the program, decodes not yet begun are dropped and those under way waited for.
class DecodePool {
public:
    static constexpr int kThreads = 2;
    // Runs the task on a pool thread; the task sees Closing() turn true at the end of the program.
    static void Start(std::function<void()> task);
    static bool Closing();
};

template <class Result> class PictureDecode {
public:
    explicit PictureDecode(std::function<Result()> decode) : decode_(std::move(decode)) {}

    // Decodes on this thread, unless another thread has begun; true when this one did.
    bool DecodeUnlessBegun() {
        if (begun_.exchange(true))
            return false;
        try {
            result_.set_value(decode_());
        } catch (...) {
            result_.set_exception(std::current_exception());
        }
        decode_ = nullptr;
        return true;
    }
    // Waits until the decode has ended (on the pool or on whichever thread began it) and returns its
    // result, or raises its error, each time it is asked. Only once the decode is begun or queued.
    const Result& Wait() const { return ready_.get(); }
    // The result, decoded here when nobody has begun it.
    const Result& Get() {
        DecodeUnlessBegun();
        return Wait();
    }
    // Gives up a decode nobody has begun, so no thread runs it: Wait then gives an empty result.
    void Drop() {
        if (!begun_.exchange(true))
            result_.set_value(Result{});
    }

private:
    std::function<Result()> decode_;
    std::atomic<bool> begun_{false};
    std::promise<Result> result_;
    std::shared_future<Result> ready_ = result_.get_future().share();
};

// Runs the decodes in order on one pool thread, each unless another thread has begun it, so a
// batch takes one core however long it is. Stops at the end of the program.
template <class Result> void DecodeInOrder(std::vector<std::shared_ptr<PictureDecode<Result>>> decodes) {
    DecodePool::Start([decodes = std::move(decodes)] {
        for (const auto& decode : decodes) {
            if (DecodePool::Closing())
                return;
            decode->DecodeUnlessBegun();
        }
    });
}

} // namespace tk
