// SPDX-License-Identifier: GPL-3.0-or-later
// Work on a worker thread: its reports run on the UI thread in order, the wait ends after the last
// of them with the window's menu off meanwhile, an error in the work reaches the error box, and a
// worker that goes away stops its work.
#include "support/test_main.h"
#include "support/test_support.h"
#include "toolkit/text/errors.h"
#include "toolkit/ui/controls.h"
#include "toolkit/ui/worker.h"

#include <QMenuBar>
#include <QThread>
#include <QtTest>

#include <atomic>

class WorkerTest : public QObject {
    Q_OBJECT
private slots:
    void reportsComeBackInOrder_data();
    void reportsComeBackInOrder();
    void aWorkerThatGoesStopsItsWork();
};

void WorkerTest::reportsComeBackInOrder_data() {
    QTest::addColumn<bool>("fails");
    QTest::newRow("work that ends") << false;
    QTest::newRow("work that fails") << true;
}

void WorkerTest::reportsComeBackInOrder() {
    QFETCH(bool, fails);
    testing::Harness harness;
    tk::TForm window;
    tk::TMainMenu menu(&window);
    tk::TMenuItem game(&menu, QStringLiteral("Hra"));
    std::vector<int> reports;
    bool menuOffMeanwhile = true;
    bool finished = false;
    tk::TWorker worker;
    worker.OnFinished = [&] { finished = true; };
    worker.Start(
        [&reports, &window, &menuOffMeanwhile, fails](std::stop_token, const tk::TWorker::Post& post) {
            for (int i = 0; i < 100; ++i)
                post([&reports, &window, &menuOffMeanwhile, i] {
                    QVERIFY(QThread::currentThread() == qApp->thread());
                    menuOffMeanwhile = menuOffMeanwhile && !window.MenuBar()->isEnabled();
                    reports.push_back(i);
                });
            if (fails)
                throw tk::EInvalidOperation(QStringLiteral("Nejde to"));
        });
    worker.WaitShowing(window);
    QVERIFY(!worker.Running());
    QVERIFY(finished);
    QCOMPARE(reports.size(), std::size_t{100});
    QVERIFY(std::is_sorted(reports.begin(), reports.end()));
    QVERIFY(menuOffMeanwhile);
    QVERIFY(window.MenuBar()->isEnabled());
    QCOMPARE(harness.dialogs->errors, fails ? QStringList{QStringLiteral("Nejde to.")} : QStringList{});
}

void WorkerTest::aWorkerThatGoesStopsItsWork() {
    std::atomic<bool> started = false;
    std::atomic<bool> stopped = false;
    {
        tk::TWorker worker;
        worker.Start([&](std::stop_token stop, const tk::TWorker::Post&) {
            started = true;
            while (!stop.stop_requested())
                std::this_thread::yield();
            stopped = true;
        });
        while (!started)
            std::this_thread::yield();
    }
    QVERIFY(stopped);
}

TK_TEST_MAIN(WorkerTest)
#include "worker_test.moc"
