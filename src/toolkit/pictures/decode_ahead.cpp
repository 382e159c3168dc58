// SPDX-License-Identifier: GPL-3.0-or-later
#include "toolkit/pictures/decode_ahead.h"

#include <QThreadPool>

namespace tk {

namespace {

struct Pool {
    std::atomic<bool> closing{false};
    QThreadPool threads;
    Pool() { threads.setMaxThreadCount(DecodePool::kThreads); }
    ~Pool() {
        closing = true;
        threads.clear();
        threads.waitForDone();
    }
};

Pool& ThePool() {
    static Pool pool;
    return pool;
}

} // namespace

void DecodePool::Start(std::function<void()> task) {
    ThePool().threads.start(std::move(task));
}

bool DecodePool::Closing() {
    return ThePool().closing.load();
}

} // namespace tk
