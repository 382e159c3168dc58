// Start-up and the window set: five windows in a fixed order, one on screen, and the ways the
// program ends.
#include "app/forms.h"
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
    void onlyTheFireGameWindowIsOnScreenAfterStartUp();
    void theMessageFilterLetsClicksThroughOutsideTheLook();
    void closingTheScoreTableOnlyHidesIt();
    void closingTheFireGameWindowEndsTheProgramWhileAnotherIsOpen();

private:
    QTemporaryDir dir_;
    QString oldDir_;
    int runResult_ = -1;
    bool othersHiddenDuringRun_ = false;
};

void StartupTest::initTestCase() {
    QVERIFY(dir_.isValid());
    oldDir_ = QDir::currentPath();
    QDir::setCurrent(dir_.path());  // the score table writes its files here
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

void StartupTest::onlyTheFireGameWindowIsOnScreenAfterStartUp() {
    // The fire game window was created first, so it is the main window; the event loop shows it.
    QCOMPARE(tk::App().MainForm(), static_cast<tk::TForm*>(Form2));
    QTimer::singleShot(0, [this] {
        othersHiddenDuringRun_ = Form2->isVisible() && !Form1->isVisible() && !Form3->isVisible() &&
                                 !Form4->isVisible() && !Form5->isVisible();
        tk::App().Terminate();
    });
    runResult_ = tk::App().Run();
    QCOMPARE(runResult_, 0);
    QVERIFY(othersHiddenDuringRun_);
}

void StartupTest::theMessageFilterLetsClicksThroughOutsideTheLook() {
    QCOMPARE(MemoryTurn().Busy, std::uint8_t(0));
    bool handled = false;
    tk::Message press{tk::Message::LButtonDown, Form2};
    QVERIFY(!tk::App().Filter(press));
    MemoryTurn().Busy = 1;
    handled = tk::App().Filter(press);
    MemoryTurn().Busy = 0;
    QVERIFY(handled);
    // Menus stay usable during the look.
    MemoryTurn().Busy = 1;
    handled = tk::App().Filter(tk::Message{tk::Message::NcLButtonDown, Form4});
    MemoryTurn().Busy = 0;
    QVERIFY(!handled);
}

void StartupTest::closingTheScoreTableOnlyHidesIt() {
    testing::Harness harness;
    Form3->Show();
    QVERIFY(Form3->isVisible());
    Form3->close();
    QVERIFY(!Form3->isVisible());
    QVERIFY(!tk::App().Terminated());
}

void StartupTest::closingTheFireGameWindowEndsTheProgramWhileAnotherIsOpen() {
    testing::Harness harness;
    bool scoreTableOpen = false;
    QTimer::singleShot(0, [&] {
        Form3->Show();
        scoreTableOpen = Form3->isVisible();
        Form2->close();  // as the close box does
    });
    QCOMPARE(tk::App().Run(), 0);
    QVERIFY(scoreTableOpen);
    QVERIFY(tk::App().Terminated());
    QDir::setCurrent(oldDir_);
}

TK_TEST_MAIN(StartupTest)
#include "startup_test.moc"
