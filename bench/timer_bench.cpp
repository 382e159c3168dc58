// How steady the real clock's 100 ms tick is: one minute of real ticks through the adapter's
// timer and dispatch, printing the spread of the periods, the drift and the length of a round.
// Run by hand: QT_QPA_PLATFORM=offscreen ./timer_bench
#include "toolkit/ui/application.h"
#include "toolkit/ui/timer.h"

#include <QTimer>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

constexpr milliseconds kTick{100};
constexpr int kTicks = 600;      // one minute of ticks
constexpr int kRoundTicks = 601; // a fire round ends on its 601st tick

double Ms(Clock::duration d) {
    return std::chrono::duration<double, std::milli>(d).count();
}

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM",
            qgetenv("QT_QPA_PLATFORM").isEmpty() ? QByteArray("offscreen") : qgetenv("QT_QPA_PLATFORM"));
    tk::Application app(argc, argv);
    tk::TTimer timer(nullptr);
    std::vector<Clock::time_point> at;
    at.reserve(kRoundTicks + 1);
    Clock::time_point start;
    timer.SetInterval(kTick);
    timer.OnTimer = [&] {
        at.push_back(Clock::now());
        if (static_cast<int>(at.size()) == kRoundTicks) {
            timer.SetEnabled(false);
            app.Terminate();
        }
    };
    QTimer::singleShot(0, &app, [&] {
        start = Clock::now();
        timer.SetEnabled(true);
    });
    app.Run();

    std::vector<double> periods;
    Clock::time_point previous = start;
    for (int i = 0; i < kTicks; ++i) {
        periods.push_back(Ms(at[static_cast<std::size_t>(i)] - previous));
        previous = at[static_cast<std::size_t>(i)];
    }
    std::sort(periods.begin(), periods.end());
    const auto pick = [&](double q) {
        return periods[std::min(periods.size() - 1, static_cast<std::size_t>(q * periods.size()))];
    };
    const double drift = Ms(at[kTicks - 1] - start) - static_cast<double>(kTick.count() * kTicks);
    const double round = Ms(at[kRoundTicks - 1] - start);
    std::printf("ticks: %d of %lld ms\n", kTicks, static_cast<long long>(kTick.count()));
    std::printf("period median %.3f ms, p99 %.3f ms, worst %.3f ms, best %.3f ms\n", pick(0.5), pick(0.99),
                periods.back(), periods.front());
    std::printf("drift after %d ticks: %+.3f ms\n", kTicks, drift);
    std::printf("round of %d ticks: %.3f s (nominal %.1f s)\n", kRoundTicks, round / 1000.0,
                static_cast<double>(kTick.count() * kRoundTicks) / 1000.0);
    return 0;
}
