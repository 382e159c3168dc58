// SPDX-License-Identifier: GPL-3.0-or-later
// Whole fire games as a player plays them: real clicks on the windows the program creates at
// start-up, in virtual time, ending in the score table files.
#include "app/startup.h"
#include "fire/fire_form.h"
#include "fire/round_state.h"
#include "scores/score_form.h"
#include "support/fire_play.h"
#include "support/test_main.h"
#include "support/test_support.h"
#include "toolkit/text/files.h"

#include <QDir>
#include <QFile>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>

namespace {

const QByteArray kEmptyRow = QByteArray("        0\r\n--pr\xE1zdn\xFD--\r\n");

QByteArray ReadFile(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

class FireGameTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void singleGameOnTheVillaAtTopSpeed();
    void campaignOverTwoRounds();

private:
    // Plays the running round to its end in 100 ms steps, clicking fires as they flare up until
    // `fires` are out. Returns the number of ticks.
    // The round's length in ticks, or -1 when a click could not be given.
    int PlayRound(testing::Harness& harness, int fires);
    // Fails the test (check QTest::currentTestFailed() after it) when the speed is not chosen.
    void ClickSpeed(int index);

    QTemporaryDir folder_;
    QString previousDir_;
};

void FireGameTest::initTestCase() {
    QVERIFY(folder_.isValid());
    previousDir_ = tk::GetCurrentDir();
    tk::SetCurrentDir(folder_.path());
    fire::Round() = {};
    CreateForms(tk::App());
    QCOMPARE(tk::App().MainForm(), static_cast<tk::TForm*>(Form2));
    QVERIFY(testing::ShowAndExpose(Form2));
    QVERIFY(Form2->vyberstart->Visible());
    testing::Shoot(Form2, QStringLiteral("fire_start_panel"));
}

void FireGameTest::cleanupTestCase() {
    tk::SetCurrentDir(previousDir_);
}

int FireGameTest::PlayRound(testing::Harness& harness, int fires) {
    const testing::PlayedRound played = testing::PlayRound(*Form2, harness, fires, [](int tick) {
        if (tick == 300)
            testing::Shoot(Form2, QStringLiteral("fire_mid_round_%1").arg(fire::Round().campaignStage));
    });
    return played.clicksLanded ? played.ticks : -1;
}

void FireGameTest::ClickSpeed(int index) {
    QRadioButton* item = Form2->RadioGroup1->ItemButton(index);
    QVERIFY(item != nullptr);
    QVERIFY(testing::ClickAt(Form2, item->mapTo(Form2->ClientWidget(), item->rect().center())));
    QCOMPARE(Form2->RadioGroup1->ItemIndex(), index);
}

void FireGameTest::singleGameOnTheVillaAtTopSpeed() {
    testing::Harness harness;
    harness.Script({5, 0, 7, 3});
    QVERIFY(testing::Click(Form2->RadioButton2));
    ClickSpeed(2);
    if (QTest::currentTestFailed())
        return;
    QVERIFY(testing::Click(Form2->Button1));
    QVERIFY(Form2->Panvila->Visible());
    QVERIFY(!Form2->vyberstart->Visible());

    QCOMPARE(PlayRound(harness, 7), 601);
    QCOMPARE(harness.random->draws, 150);
    QVERIFY(Form2->konechry->Visible());
    QCOMPARE(Form2->uhasv->Caption(), QStringLiteral("Uhašeno: 7"));
    QCOMPARE(Form2->casv->Caption(), QStringLiteral("Čas: 0"));
    QCOMPARE(Form2->Label2->Caption(), QStringLiteral("Tvé skóre: 7"));
    testing::Shoot(Form2, QStringLiteral("fire_game_over"));

    QVERIFY(testing::Type(Form2, QStringLiteral("Ema")));
    QVERIFY(testing::Click(Form2->Button4));

    QVERIFY(harness.dialogs->errors.isEmpty());
    QVERIFY(Form3->isVisible());
    QCOMPARE(Form3->StringGrid1->Cell(0, 1), QStringLiteral("  7"));
    QCOMPARE(Form3->StringGrid1->Cell(1, 1), QStringLiteral("Ema"));
    QCOMPARE(ReadFile(QDir(folder_.path()).filePath(QStringLiteral("hiscore8.dat"))),
             QByteArray("  7\r\nEma\r\n") + kEmptyRow.repeated(9));
    QVERIFY(Form2->vyberstart->Visible());
    QVERIFY(!Form2->konechry->Visible());
}

// 45 fires on the family house carry the campaign to the villa at the same speed; 20 there end it.
void FireGameTest::campaignOverTwoRounds() {
    testing::Harness harness;
    harness.Script({1, 4, 2, 0, 3, 6, 5});
    QVERIFY(testing::Click(Form2->Button2));
    QVERIFY(Form2->Panrd->Visible());

    QVERIFY(PlayRound(harness, 45) > 0);
    QVERIFY(Form2->nextlevel->Visible());
    QCOMPARE(Form2->uhasrd->Caption(), QStringLiteral("Uhašeno: 45"));
    testing::Shoot(Form2, QStringLiteral("fire_next_round"));
    QVERIFY(testing::Click(Form2->Button3));
    QVERIFY(Form2->Panvila->Visible());
    QCOMPARE(Form2->uhasv->Caption(),
             QStringLiteral("Uhašeno: 7")); // from the last game, until the first tick
    QVERIFY(PlayRound(harness, 20) > 0);
    QCOMPARE(harness.random->draws, 150);
    QVERIFY(Form2->konechry->Visible());
    QCOMPARE(Form2->Label2->Caption(), QStringLiteral("Tvé skóre: 65"));

    QCOMPARE(Form2->Edit1->Text(), QStringLiteral("Ema")); // the name typed last is offered again
    QVERIFY(testing::Type(Form2, QStringLiteral("Jan")));
    QVERIFY(testing::Click(Form2->Button4));

    QVERIFY(harness.dialogs->errors.isEmpty());
    QCOMPARE(ReadFile(QDir(folder_.path()).filePath(QStringLiteral("hiscore0.dat"))),
             QByteArray("  65\r\nJan\r\n") + kEmptyRow.repeated(9));
    QCOMPARE(ReadFile(QDir(folder_.path()).filePath(QStringLiteral("hiscore8.dat"))),
             QByteArray("  7\r\nEma\r\n") + kEmptyRow.repeated(9));
    QCOMPARE(QDir(folder_.path()).entryList(QDir::Files),
             (QStringList{QStringLiteral("hiscore0.dat"), QStringLiteral("hiscore8.dat")}));
    QVERIFY(Form2->vyberstart->Visible());
}

TK_TEST_MAIN(FireGameTest)
#include "fire_game_test.moc"
