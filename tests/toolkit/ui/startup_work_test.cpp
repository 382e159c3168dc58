// SPDX-License-Identifier: GPL-3.0-or-later
// Start-up work put off until the main window's first paint: it waits for that paint, nothing a
// person does overtakes it, and work that fails fails the start-up.
#include "support/test_main.h"
#include "support/test_support.h"

#include "toolkit/ui/controls.h"

#include <QTest>
#include <QWindow>

#include <stdexcept>
#include <thread>

namespace {

// Counts the paints of a window and notes, as an event of one type arrives, whether the start-up
// work has run.
class Watch : public QObject {
public:
    Watch(QObject* target, QEvent::Type type, const int& runs) : type_(type), runs_(runs) {
        target->installEventFilter(this);
    }
    int paints = 0;
    int runsWhenArrived = -1;

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint)
            ++paints;
        if (event->type() == type_ && runsWhenArrived < 0)
            runsWhenArrived = runs_;
        return false;
    }

private:
    QEvent::Type type_;
    const int& runs_;
};

} // namespace

class ToolkitStartupWorkTest : public QObject {
    Q_OBJECT

private slots:
    void runsInPlaceUnlessDeferred() {
        testing::Harness harness;
        int runs = 0;
        tk::App().AfterFirstPaint([&] { ++runs; });
        QCOMPARE(runs, 1);
    }

    void waitsForTheMainWindowsFirstPaint() {
        testing::Harness harness;
        tk::TForm form;
        form.SetBounds(0, 0, 300, 200);
        int runs = 0;
        int paintsBefore = -1;
        const Watch watch(&form, QEvent::None, runs);
        tk::App().DeferStartupWork();
        tk::App().AfterFirstPaint([&] {
            ++runs;
            paintsBefore = watch.paints;
        });
        form.Show();
        QCOMPARE(runs, 0);
        QTRY_COMPARE(runs, 1);
        QVERIFY(paintsBefore > 0);
        // Later work runs at once.
        tk::App().AfterFirstPaint([&] { ++runs; });
        QCOMPARE(runs, 2);
    }

    // Shown, not painted yet, and a person acts at once: the work runs first, and once.
    void runsBeforeAnythingAPersonDoes_data() {
        QTest::addColumn<QString>("action");
        QTest::newRow("click") << QStringLiteral("click");
        QTest::newRow("key") << QStringLiteral("key");
        QTest::newRow("close box") << QStringLiteral("close");
        QTest::newRow("another window shown") << QStringLiteral("show other");
    }
    void runsBeforeAnythingAPersonDoes() {
        QFETCH(QString, action);
        testing::Harness harness;
        tk::TForm form;
        form.SetBounds(0, 0, 300, 200);
        tk::TForm other;
        other.SetBounds(0, 0, 100, 100);
        int runs = 0;
        tk::App().DeferStartupWork();
        tk::App().AfterFirstPaint([&] { ++runs; });
        form.Show();
        QWindow* window = form.windowHandle();
        if (action == QLatin1String("click")) {
            const Watch watch(window, QEvent::MouseButtonPress, runs);
            QTest::mouseClick(window, Qt::LeftButton, Qt::NoModifier, QPoint(50, 50));
            QCOMPARE(watch.runsWhenArrived, 1);
        } else if (action == QLatin1String("key")) {
            const Watch watch(window, QEvent::KeyPress, runs);
            QTest::keyClick(window, Qt::Key_A);
            QCOMPARE(watch.runsWhenArrived, 1);
        } else if (action == QLatin1String("close")) {
            const Watch watch(&form, QEvent::Close, runs);
            window->close();
            QCOMPARE(watch.runsWhenArrived, 1);
        } else {
            const Watch watch(&other, QEvent::Show, runs);
            other.Show();
            QCOMPARE(watch.runsWhenArrived, 1);
        }
        QTest::qWait(0);
        QCOMPARE(runs, 1);
    }

    // Another thread's events pass the application untouched: a close there must not run the
    // windows' work on that thread.
    void anotherThreadsEventsLeaveTheWorkQueued() {
        testing::Harness harness;
        int runs = 0;
        std::thread::id ranOn;
        tk::App().DeferStartupWork();
        tk::App().AfterFirstPaint([&] {
            ++runs;
            ranOn = std::this_thread::get_id();
        });
        std::thread worker([] {
            QObject onWorker; // lives on the worker
            QEvent close(QEvent::Close);
            QCoreApplication::sendEvent(&onWorker, &close);
        });
        worker.join();
        QCOMPARE(runs, 0);
        tk::App().FinishStartupWork();
        QCOMPARE(runs, 1);
        QVERIFY(ranOn == std::this_thread::get_id());
    }

    // Last: Run leaves a deadline timer behind.
    void failingWorkEndsRunWithItsError() {
        testing::Harness harness;
        tk::TForm form;
        form.SetBounds(0, 0, 300, 200);
        tk::App().DeferStartupWork();
        tk::App().AfterFirstPaint([] { throw std::runtime_error("a picture is damaged"); });
        QVERIFY_THROWS_EXCEPTION(std::runtime_error, tk::App().Run());
    }
};

TK_TEST_MAIN(ToolkitStartupWorkTest)
#include "startup_work_test.moc"
