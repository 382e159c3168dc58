// SPDX-License-Identifier: GPL-3.0-or-later
// The launcher: hidden for the whole run; its first button opens further fire game windows that
// take over the Form2 reference, its second opens the memory game modally, the rest do nothing.
#include "app/launcher_form.h"
#include "app/startup.h"
#include "fire/fire_form.h"
#include "fire/round_state.h"
#include "memory/memory_form.h"
#include "support/test_main.h"
#include "support/test_support.h"

#include <QAction>
#include <QMenuBar>
#include <QTimer>
#include <QtTest>

class LauncherTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void theLauncherExistsHidden();
    void twoClicksOnPlamkovOpenTwoMoreFireWindows();
    void hraTriAndTheMenuDoNothing();
    void pexesoShowsTheMemoryGameModally();

private:
    QList<TForm2*> FireWindows() const { return Form1->findChildren<TForm2*>(); }
    QTemporaryDir dir_;
};

void LauncherTest::initTestCase() {
    QVERIFY(dir_.isValid());
    QDir::setCurrent(dir_.path());
    CreateForms(tk::App());
}

void LauncherTest::theLauncherExistsHidden() {
    QVERIFY(Form1 != nullptr);
    QVERIFY(!Form1->isVisible());
    QCOMPARE(Form1->Button1->Caption(), QStringLiteral("Plamkov"));
    QCOMPARE(Form1->Button2->Caption(), QStringLiteral("Pexeso"));
    QCOMPARE(Form1->Button3->Caption(), QStringLiteral("hra tri"));
}

void LauncherTest::twoClicksOnPlamkovOpenTwoMoreFireWindows() {
    testing::Harness harness;
    TForm2* main = Form2;
    QVERIFY(testing::ShowAndExpose(Form1)); // only a test shows the launcher
    QVERIFY(testing::Click(Form1->Button1));
    QVERIFY(testing::Click(Form1->Button1));

    const QList<TForm2*> opened = FireWindows();
    QCOMPARE(opened.size(), 2);
    QVERIFY(opened[0]->isVisible());
    QVERIFY(opened[1]->isVisible());
    QCOMPARE(Form2, opened[1]); // the score table now reads the table number from the newest one
    QCOMPARE(tk::App().MainForm(), static_cast<tk::TForm*>(main));
    // Each new window opened on its start panel; its OnShow ended any campaign.
    QVERIFY(opened[1]->vyberstart->Visible());
    QCOMPARE(fire::Round().campaignStage, std::uint8_t(0));
    QVERIFY(harness.dialogs->errors.isEmpty());
}

void LauncherTest::hraTriAndTheMenuDoNothing() {
    testing::Harness harness;
    QVERIFY(testing::ShowAndExpose(Form1));
    const int windowsBefore = static_cast<int>(QApplication::topLevelWidgets().size());
    TForm2* reference = Form2;
    QVERIFY(testing::Click(Form1->Button3));
    for (QAction* action : Form1->MenuBar()->findChildren<QAction*>())
        action->trigger();
    QCOMPARE(static_cast<int>(QApplication::topLevelWidgets().size()), windowsBefore);
    QCOMPARE(Form2, reference);
    QVERIFY(!Form4->isVisible());
    QVERIFY(harness.dialogs->errors.isEmpty());
    QVERIFY(harness.dialogs->messages.isEmpty());
    Form1->Hide();
}

void LauncherTest::pexesoShowsTheMemoryGameModally() {
    testing::Harness harness;
    bool shownModally = false;
    QTimer::singleShot(0, [&] {
        shownModally = Form4->isVisible() && Form4->InModalShow();
        Form4->close(); // its close box ends the modal show
    });
    Form1->Button2Click();
    QVERIFY(shownModally);
    QVERIFY(!Form4->isVisible());
    QCOMPARE(Form4->ModalResult(), 2);
}

TK_TEST_MAIN(LauncherTest)
#include "launcher_test.moc"
