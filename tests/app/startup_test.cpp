// Start-up and the window set: five windows in a fixed order, one on screen, and the ways the
// program ends.
#include "app/launcher_form.h"
#include "app/startup.h"
#include "fire/fire_form.h"
#include "memory/folder_form.h"
#include "memory/memory_form.h"
#include "scores/score_form.h"
#include "support/test_main.h"
#include "support/test_support.h"

#include <QTimer>
#include <QtTest>

class StartupTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void windowsExistWithTheirCaptions_data();
    void windowsExistWithTheirCaptions();
    void theMessageFilterLetsClicksThroughOutsideTheLook();
    void theEventLoopShowsTheMainWindowAndEndsWhenItCloses();
    void cleanupTestCase();

private:
    QTemporaryDir dir_;
    QString oldDir_;
};

void StartupTest::initTestCase() {
    QVERIFY(dir_.isValid());
    oldDir_ = QDir::currentPath();
    QDir::setCurrent(dir_.path()); // the score table writes its files here
    CreateForms(tk::App());
}

void StartupTest::windowsExistWithTheirCaptions_data() {
    QTest::addColumn<QObject*>("form");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QSize>("outer");
    QTest::newRow("fire game") << static_cast<QObject*>(Form2) << "Plamkov" << QSize(800, 556);
    QTest::newRow("launcher") << static_cast<QObject*>(Form1) << "" << QSize(800, 566);
    QTest::newRow("score table") << static_cast<QObject*>(Form3) << "Hiscore" << QSize(141, 313);
    QTest::newRow("memory game") << static_cast<QObject*>(Form4) << "Pexeso" << QSize(784, 551);
    QTest::newRow("folder dialog") << static_cast<QObject*>(Form5) << "Výběr obrázků" << QSize(383, 426);
}

void StartupTest::windowsExistWithTheirCaptions() {
    QFETCH(QObject*, form);
    QFETCH(QString, caption);
    QFETCH(QSize, outer);
    auto* f = qobject_cast<tk::TForm*>(form);
    QVERIFY(f != nullptr);
    QCOMPARE(f->Caption(), caption);
    QCOMPARE(QSize(f->OuterWidth(), f->OuterHeight()), outer);
}

void StartupTest::theMessageFilterLetsClicksThroughOutsideTheLook() {
    QCOMPARE(MemoryTurn().Busy, std::uint8_t(0));
    const tk::Message press{tk::Message::LButtonDown, Form2};
    QVERIFY(!tk::App().Filter(press));
    MemoryTurn().Busy = 1;
    const bool pressDropped = tk::App().Filter(press);
    // Menus stay usable during the look.
    const bool menuDropped = tk::App().Filter(tk::Message{tk::Message::NcLButtonDown, Form4});
    MemoryTurn().Busy = 0;
    QVERIFY(pressDropped);
    QVERIFY(!menuDropped);
}

// One run of the event loop, as the program has it: the main window comes on screen alone; the
// score table opens and closes without ending anything; closing the fire game window while the
// score table is open again ends the loop with exit code 0.
void StartupTest::theEventLoopShowsTheMainWindowAndEndsWhenItCloses() {
    testing::Harness harness; // records any error box instead of waiting for a click
    QCOMPARE(tk::App().MainForm(), static_cast<tk::TForm*>(Form2));
    bool onlyMainShown = false;
    bool hiddenAfterClose = false;
    bool runningAfterScoreClose = false;
    bool scoreTableOpenAtEnd = false;
    QTimer::singleShot(0, [&] {
        onlyMainShown = Form2->isVisible() && !Form1->isVisible() && !Form3->isVisible() &&
                        !Form4->isVisible() && !Form5->isVisible();
        Form3->Show();
        Form3->close(); // as its close box does
        hiddenAfterClose = !Form3->isVisible();
        runningAfterScoreClose = !tk::App().Terminated();
        Form3->Show();
        scoreTableOpenAtEnd = Form3->isVisible();
        Form2->close();
    });
    QCOMPARE(tk::App().Run(), 0);
    QVERIFY(onlyMainShown);
    QVERIFY(hiddenAfterClose);
    QVERIFY(runningAfterScoreClose);
    QVERIFY(scoreTableOpenAtEnd);
    QVERIFY(tk::App().Terminated());
    QCOMPARE(harness.dialogs->errors, QStringList());
}

void StartupTest::cleanupTestCase() {
    QDir::setCurrent(oldDir_);
}

TK_TEST_MAIN(StartupTest)
#include "startup_test.moc"
