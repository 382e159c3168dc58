// Timers and the clock that schedules them. The real clock uses precise Qt timers; tests install
// a virtual clock and advance it, and due ticks go through the same dispatch as real ones.
#pragma once

#include <QObject>

#include <chrono>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>

namespace tk {

using std::chrono::milliseconds;

class TTimer;

// Schedules timer ticks. A clock delivers each due tick by calling Application::DispatchTimer.
class Clock {
public:
    virtual ~Clock() = default;
    // Starts a fresh interval for the timer: its first tick is due one interval from now, then
    // one every interval. Raises EOutOfResources when the system has no timer left.
    virtual void Arm(TTimer* timer, milliseconds interval) = 0;
    virtual void Disarm(TTimer* timer) = 0;
};

// Qt's precise timers: each tick is scheduled from the previous due time, so ticks do not drift.
class RealClock : public QObject, public Clock {
    Q_OBJECT
public:
    ~RealClock() override;
    void Arm(TTimer* timer, milliseconds interval) override;
    void Disarm(TTimer* timer) override;

protected:
    void timerEvent(QTimerEvent* event) override;

private:
    std::map<int, TTimer*> byId_;
    std::map<TTimer*, int> ids_;
};

// Time that moves only when a test advances it. Ticks due at the same moment go in the order
// their timers were armed.
class VirtualClock : public Clock {
public:
    VirtualClock() = default;
    ~VirtualClock() override;
    VirtualClock(const VirtualClock&) = delete;
    VirtualClock& operator=(const VirtualClock&) = delete;
    void Arm(TTimer* timer, milliseconds interval) override;
    void Disarm(TTimer* timer) override;

    // Moves time forward, delivering every tick that falls due on the way, in order. As with real
    // timers, a timer whose handler is still running is not ticked again from inside it, and the
    // ticks it missed meanwhile become a single one.
    void Advance(milliseconds by);
    milliseconds Now() const { return now_; }
    bool Armed(const TTimer* timer) const;

private:
    struct Entry {
        milliseconds due;
        milliseconds interval;
        std::uint64_t order;
        bool running = false;  // its tick is being handled; nested advances skip it
    };
    std::map<TTimer*, Entry> entries_;
    milliseconds now_{0};
    std::uint64_t nextOrder_ = 0;
};

// A timer component of a form: ticks arrive as events on the UI thread while it is enabled.
class TTimer : public QObject {
    Q_OBJECT
public:
    explicit TTimer(QObject* owner);
    ~TTimer() override;

    milliseconds Interval() const { return interval_; }
    void SetInterval(milliseconds interval);
    bool Enabled() const { return enabled_; }
    // Enabling a disabled timer starts a fresh interval; setting the value it has changes nothing.
    void SetEnabled(bool enabled);

    std::function<void()> OnTimer;

private:
    friend class RealClock;
    friend class VirtualClock;
    void Rearm();
    void Disarm();
    milliseconds interval_{1000};
    bool enabled_ = false;
    Clock* clock_ = nullptr;  // the clock the timer is armed on; timers stay on it when tests swap clocks
};

} // namespace tk
