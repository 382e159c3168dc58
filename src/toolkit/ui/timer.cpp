#include "toolkit/ui/timer.h"

#include "toolkit/text/errors.h"
#include "toolkit/ui/application.h"

#include <QPointer>
#include <QTimerEvent>

#include <algorithm>

namespace tk {

// ---- RealClock ------------------------------------------------------------------------------------

RealClock::~RealClock() {
    for (auto& [timer, id] : ids_)
        timer->clock_ = nullptr;
}

void RealClock::Arm(TTimer* timer, milliseconds interval) {
    Disarm(timer);
    const int id = startTimer(interval, Qt::PreciseTimer);
    if (id == 0)
        throw EOutOfResources(texts::kNotEnoughTimers);
    byId_[id] = timer;
    ids_[timer] = id;
}

void RealClock::Disarm(TTimer* timer) {
    const auto found = ids_.find(timer);
    if (found == ids_.end())
        return;
    killTimer(found->second);
    byId_.erase(found->second);
    ids_.erase(found);
}

void RealClock::timerEvent(QTimerEvent* event) {
    const auto found = byId_.find(event->timerId());
    if (found == byId_.end())
        return;
    App().DispatchTimer(found->second);
}

// ---- VirtualClock ---------------------------------------------------------------------------------

VirtualClock::~VirtualClock() {
    for (auto& [timer, entry] : entries_)
        timer->clock_ = nullptr;
}

void VirtualClock::Arm(TTimer* timer, milliseconds interval) {
    entries_[timer] = Entry{now_ + interval, interval, nextOrder_++};
}

void VirtualClock::Disarm(TTimer* timer) {
    entries_.erase(timer);
}

bool VirtualClock::Armed(const TTimer* timer) const {
    return entries_.find(const_cast<TTimer*>(timer)) != entries_.end();
}

void VirtualClock::Advance(milliseconds by) {
    milliseconds target = now_ + by;
    for (;;) {
        // A handler that advanced the clock itself has moved "now" past our target: what fell due
        // meanwhile is delivered here.
        target = std::max(target, now_);
        // What is due is looked up afresh after every tick: a handler may disarm, re-arm or free
        // any timer, or advance the clock itself.
        auto next = entries_.end();
        for (auto it = entries_.begin(); it != entries_.end(); ++it) {
            if (it->second.due > target || it->second.running)
                continue;
            if (next == entries_.end() || it->second.due < next->second.due ||
                (it->second.due == next->second.due && it->second.order < next->second.order))
                next = it;
        }
        if (next == entries_.end())
            break;
        TTimer* timer = next->first;
        Entry& entry = next->second;
        now_ = std::max(now_, entry.due);
        entry.due += entry.interval;
        if (entry.due < now_)
            entry.due = now_ + entry.interval;
        entry.running = true;
        const std::uint64_t order = entry.order;
        App().DispatchTimer(timer);
        // The handler may have disarmed or re-armed the timer; only the same arming is cleared.
        const auto after = entries_.find(timer);
        if (after != entries_.end() && after->second.order == order)
            after->second.running = false;
    }
    now_ = std::max(now_, target);
}

// ---- TTimer ---------------------------------------------------------------------------------------

TTimer::TTimer(QObject* owner) : QObject(owner) {}

TTimer::~TTimer() {
    Disarm();
}

void TTimer::SetInterval(milliseconds interval) {
    if (interval == interval_)
        return;
    interval_ = interval;
    if (enabled_)
        Rearm();
}

void TTimer::SetEnabled(bool enabled) {
    if (enabled == enabled_)
        return;
    enabled_ = enabled;
    if (enabled_)
        Rearm();
    else
        Disarm();
}

void TTimer::Disarm() {
    if (clock_ != nullptr)
        clock_->Disarm(this);
    clock_ = nullptr;
}

void TTimer::Rearm() {
    Disarm();
    if (!enabled_ || interval_ <= milliseconds::zero())
        return;
    Clock& clock = App().CurrentClock();
    try {
        clock.Arm(this, interval_);
    } catch (...) {
        // A timer that could not start is not enabled.
        enabled_ = false;
        throw;
    }
    clock_ = &clock;
}

} // namespace tk
