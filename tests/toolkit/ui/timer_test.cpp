// Timer behaviour the games rely on: when the first tick comes, what enabling and disabling do,
// the order of ticks, and that every tick passes the message filter and the error boundary.
#include "support/test_main.h"
#include "support/test_support.h"

#include "toolkit/text/errors.h"

#include <QPointer>
#include <QTest>

using namespace std::chrono_literals;
using std::chrono::milliseconds;

namespace {

constexpr milliseconds kTick = 100ms;
constexpr milliseconds kShortTick = 30ms;
constexpr milliseconds kLongTick = 50ms;
constexpr milliseconds kRealTick = 5ms;
constexpr milliseconds kRealWait = 2000ms; // an upper bound for a few real ticks, never a timing

// Each step either advances the clock or changes the timer.
struct Step {
    enum Kind { Advance, Enable, Disable, Interval } kind;
    milliseconds amount{0};
};

} // namespace

Q_DECLARE_METATYPE(std::vector<Step>)

class ToolkitTimerTest : public QObject {
    Q_OBJECT

private slots:
    void ticksFollowEnabledAndInterval_data() {
        QTest::addColumn<std::vector<Step>>("steps");
        QTest::addColumn<int>("ticks");
        using S = Step;
        QTest::newRow("no tick before one interval") << std::vector<S>{{S::Enable}, {S::Advance, 99ms}} << 0;
        QTest::newRow("first tick one interval after enabling")
            << std::vector<S>{{S::Enable}, {S::Advance, 100ms}} << 1;
        QTest::newRow("a round of 601 ticks lasts 60.1 s")
            << std::vector<S>{{S::Enable}, {S::Advance, 60100ms}} << 601;
        QTest::newRow("enabling an enabled timer does not restart it")
            << std::vector<S>{{S::Enable}, {S::Advance, 60ms}, {S::Enable}, {S::Advance, 40ms}} << 1;
        QTest::newRow("enabling after disabling starts a fresh interval")
            << std::vector<S>{{S::Enable}, {S::Advance, 60ms}, {S::Disable}, {S::Enable}, {S::Advance, 40ms}}
            << 0;
        QTest::newRow("a disabled timer does not tick")
            << std::vector<S>{{S::Enable}, {S::Advance, 150ms}, {S::Disable}, {S::Advance, 1000ms}} << 1;
        QTest::newRow("a disabled timer does not start by an interval change")
            << std::vector<S>{{S::Interval, 10ms}, {S::Advance, 100ms}} << 0;
        QTest::newRow("changing the interval of an enabled timer restarts it")
            << std::vector<S>{{S::Enable}, {S::Advance, 60ms}, {S::Interval, 50ms}, {S::Advance, 49ms}} << 0;
        QTest::newRow("setting the same interval changes nothing")
            << std::vector<S>{{S::Enable}, {S::Advance, 60ms}, {S::Interval, 100ms}, {S::Advance, 40ms}} << 1;
        QTest::newRow("an interval of 0 never ticks")
            << std::vector<S>{{S::Interval, 0ms}, {S::Enable}, {S::Advance, 1000ms}} << 0;
    }
    void ticksFollowEnabledAndInterval() {
        QFETCH(std::vector<Step>, steps);
        QFETCH(int, ticks);
        testing::Harness harness;
        tk::TTimer timer(nullptr);
        timer.SetInterval(kTick);
        int count = 0;
        timer.OnTimer = [&] { ++count; };
        for (const Step& step : steps) {
            switch (step.kind) {
            case Step::Advance:
                harness.Advance(step.amount);
                break;
            case Step::Enable:
                timer.SetEnabled(true);
                break;
            case Step::Disable:
                timer.SetEnabled(false);
                break;
            case Step::Interval:
                timer.SetInterval(step.amount);
                break;
            }
        }
        QCOMPARE(count, ticks);
    }

    // The fire game's tick ends its round by disabling its own timer and then goes on.
    void handlerThatDisablesItsTimerRunsToItsEnd() {
        testing::Harness harness;
        tk::TTimer timer(nullptr);
        timer.SetInterval(kTick);
        int started = 0;
        int finished = 0;
        timer.OnTimer = [&] {
            ++started;
            timer.SetEnabled(false);
            ++finished;
        };
        timer.SetEnabled(true);
        harness.Advance(kTick * 5);
        QCOMPARE(started, 1);
        QCOMPARE(finished, 1);
        QVERIFY(!harness.clock.Armed(&timer));
    }

    // Ticks due at the same moment go in the order their timers were armed.
    void ticksOfSeveralTimersComeInTimeOrder_data() {
        QTest::addColumn<bool>("slowFirst");
        QTest::addColumn<QString>("order");
        QTest::newRow("slow armed first") << true << "F30 S50 F60 F90 S100 F120 S150 F150 ";
        QTest::newRow("fast armed first") << false << "F30 S50 F60 F90 S100 F120 F150 S150 ";
    }
    void ticksOfSeveralTimersComeInTimeOrder() {
        QFETCH(bool, slowFirst);
        QFETCH(QString, order);
        testing::Harness harness;
        tk::TTimer slow(nullptr);
        tk::TTimer fast(nullptr);
        QString got;
        slow.SetInterval(kLongTick);
        fast.SetInterval(kShortTick);
        slow.OnTimer = [&] { got += QStringLiteral("S%1 ").arg(harness.clock.Now().count()); };
        fast.OnTimer = [&] { got += QStringLiteral("F%1 ").arg(harness.clock.Now().count()); };
        (slowFirst ? slow : fast).SetEnabled(true);
        (slowFirst ? fast : slow).SetEnabled(true);
        harness.Advance(150ms);
        QCOMPARE(got, order);
        QCOMPARE(harness.clock.Now(), 150ms);
    }

    // A handler busy for longer than its interval is not re-entered, and the missed ticks become one.
    void busyHandlerIsNotReenteredAndMissedTicksCoalesce() {
        testing::Harness harness;
        tk::TTimer timer(nullptr);
        timer.SetInterval(kTick);
        int depth = 0;
        int deepest = 0;
        std::vector<long long> at;
        timer.OnTimer = [&] {
            ++depth;
            deepest = std::max(deepest, depth);
            at.push_back(harness.clock.Now().count());
            if (at.size() == 1)
                harness.Advance(kTick * 3 + 50ms); // busy until 450 ms
            --depth;
        };
        timer.SetEnabled(true);
        harness.Advance(kTick * 6);
        QCOMPARE(deepest, 1);
        // 100 (busy to 450), one coalesced tick at 450, then every interval from there.
        QCOMPARE(at, (std::vector<long long>{100, 450, 550}));
    }

    void timerFreedInItsOwnHandlerStopsSafely() {
        testing::Harness harness;
        auto* timer = new tk::TTimer(nullptr);
        QPointer<tk::TTimer> alive(timer);
        timer->SetInterval(kTick);
        int count = 0;
        timer->OnTimer = [&] {
            ++count;
            delete timer;
        };
        timer->SetEnabled(true);
        harness.Advance(kTick * 3);
        QCOMPARE(count, 1);
        QVERIFY(alive.isNull());
    }

    void tickGoesThroughFilterAndBoundary_data() {
        QTest::addColumn<bool>("filterDrops");
        QTest::addColumn<bool>("handlerThrows");
        QTest::addColumn<int>("handled");
        QTest::addColumn<int>("errors");
        QTest::newRow("plain tick") << false << false << 3 << 0;
        QTest::newRow("filter drops the tick") << true << false << 0 << 0;
        QTest::newRow("error in the handler shown, timer goes on") << false << true << 3 << 3;
    }
    void tickGoesThroughFilterAndBoundary() {
        QFETCH(bool, filterDrops);
        QFETCH(bool, handlerThrows);
        QFETCH(int, handled);
        QFETCH(int, errors);
        testing::Harness harness;
        tk::TTimer timer(nullptr);
        int seen = 0;
        tk::App().SetMessageFilter([&](const tk::Message& message, bool& drop) {
            if (message.kind == tk::Message::Timer && message.target == &timer) {
                ++seen;
                drop = filterDrops;
            }
        });
        int ran = 0;
        timer.SetInterval(kTick);
        timer.OnTimer = [&] {
            ++ran;
            if (handlerThrows)
                throw tk::EConvertError(QStringLiteral("'x' is not a valid integer value"));
        };
        timer.SetEnabled(true);
        harness.Advance(kTick * 3);
        tk::App().SetMessageFilter(nullptr);
        QCOMPARE(seen, 3);
        QCOMPARE(ran, handled);
        QCOMPARE(harness.dialogs->errors.size(), errors);
        QVERIFY(timer.Enabled());
    }

    // Timers armed under a test's virtual clock stay on it, and the real clock runs the rest.
    void realClockDeliversTicksThroughTheFilter() {
        tk::TTimer timer(nullptr);
        int filtered = 0;
        tk::App().SetMessageFilter([&](const tk::Message& message, bool&) {
            if (message.kind == tk::Message::Timer && message.target == &timer)
                ++filtered;
        });
        int ran = 0;
        timer.SetInterval(kRealTick);
        timer.OnTimer = [&] {
            if (++ran == 3)
                timer.SetEnabled(false);
        };
        timer.SetEnabled(true);
        QVERIFY(QTest::qWaitFor([&] { return ran == 3; }, static_cast<int>(kRealWait.count())));
        tk::App().SetMessageFilter(nullptr);
        QCOMPARE(filtered, 3);
        QVERIFY(!timer.Enabled());
    }

    void realClockThatCannotStartATimerRaisesOutOfResources() {
        tk::RealClock clock;
        tk::TTimer timer(nullptr);
        // Qt refuses a negative interval as it would a system without timers: id 0.
        QVERIFY_THROWS_EXCEPTION(tk::EOutOfResources, clock.Arm(&timer, milliseconds(-1)));
        try {
            clock.Arm(&timer, milliseconds(-1));
        } catch (const tk::EOutOfResources& error) {
            QCOMPARE(error.Text(), QStringLiteral("Not enough timers available"));
        }
    }
};

TK_TEST_MAIN(ToolkitTimerTest)
#include "timer_test.moc"
