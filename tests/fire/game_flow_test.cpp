// SPDX-License-Identifier: GPL-3.0-or-later
// The game flow around the rounds: the choice on the start panel, the campaign from round to
// round, game over and the hand-over of the total and the name to the score table.
#include "fire/fire_form.h"
#include "fire/round_state.h"
#include "scores/score_form.h"
#include "support/fire_play.h"
#include "support/test_main.h"
#include "support/test_support.h"
#include "toolkit/text/cp1250.h"
#include "toolkit/text/files.h"
#include "toolkit/text/numbers.h"
#include "toolkit/ui/application.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

using fire::HouseId;
using fire::kTickInterval;

namespace {

const QByteArray kEmptyRow = QByteArray("        0\r\n--pr\xE1zdn\xFD--\r\n");

// The fire game and score table windows (see testing::FireGame), with what the flow's tests ask.
struct Game : testing::FireGame {
    using FireGame::FireGame;
    [[nodiscard]] bool Choose(int house, int speed) {
        tk::TRadioButton* radios[] = {form->RadioButton1, form->RadioButton2, form->RadioButton3};
        form->RadioGroup1->SetItemIndex(speed);
        return testing::Click(radios[house - 1]);
    }
    void Ticks(int count) {
        for (int i = 0; i < count; ++i)
            harness.Advance(kTickInterval);
    }
    // Plays the running round to its end, putting out `fires` fires by clicking them as they
    // flare up. False, with the check that failed, when it could not.
    [[nodiscard]] bool PlayRound(int fires) {
        const testing::PlayedRound played = testing::PlayRound(*form, harness, fires);
        [&] {
            QVERIFY(played.clicksLanded);
            QCOMPARE(fire::Round().timeLeft, -1);
            QCOMPARE(played.clicked, fires);
        }();
        return !QTest::currentTestFailed();
    }
    // The one panel on screen, by name.
    QString ShownPanel() const {
        const std::pair<tk::TPanel*, const char*> panels[] = {
            {form->Pan, "Pan"},           {form->Panrd, "Panrd"},
            {form->Panvila, "Panvila"},   {form->nextlevel, "nextlevel"},
            {form->konechry, "konechry"}, {form->vyberstart, "vyberstart"}};
        QStringList shown;
        for (const auto& [panel, name] : panels) {
            if (panel->Visible())
                shown << QLatin1String(name);
        }
        return shown.join(QLatin1Char('+'));
    }
    QString RunningTimers() const {
        QString running;
        if (form->Timer1->Enabled())
            running += QStringLiteral("Timer1");
        if (form->Timer2->Enabled())
            running += QStringLiteral("Timer2");
        if (form->Timer3->Enabled())
            running += QStringLiteral("Timer3");
        return running;
    }
    QByteArray File(const QString& name) const {
        QFile file(QDir(folder.path()).filePath(name));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }
    void WriteFile(const QString& name, const QByteArray& bytes) const {
        QFile file(QDir(folder.path()).filePath(name));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    }
};

} // namespace

class GameFlowTest : public QObject {
    Q_OBJECT

private slots:
    void choiceOnStartPanel_data();
    void choiceOnStartPanel();
    void endOfRound_data();
    void endOfRound();
    void campaignTotal();
    void campaignSchedule_data();
    void campaignSchedule();
    void campaignBeyondItsLastScheduledStage_data();
    void campaignBeyondItsLastScheduledStage();
    void recordScore_data();
    void recordScore();
    void failedRecordCanBeRetried();
    void firesCarryOverIntoNextGame();
    void windowsShareTheRoundState();
};

// Every choice of house and speed, and the campaign, which ignores the choice.
void GameFlowTest::choiceOnStartPanel_data() {
    QTest::addColumn<int>("house");
    QTest::addColumn<int>("speed");
    QTest::addColumn<bool>("campaign");
    QTest::addColumn<int>("tableNumber");
    QTest::addColumn<int>("interval");
    QTest::addColumn<QString>("panel");
    QTest::addColumn<QString>("timer");

    QTest::newRow("family house, malá") << 1 << 0 << false << 1 << 8 << QStringLiteral("Panrd") << "Timer1";
    QTest::newRow("villa, malá") << 2 << 0 << false << 2 << 8 << QStringLiteral("Panvila") << "Timer2";
    QTest::newRow("block, malá") << 3 << 0 << false << 3 << 8 << QStringLiteral("Pan") << "Timer3";
    QTest::newRow("family house, střední")
        << 1 << 1 << false << 4 << 6 << QStringLiteral("Panrd") << "Timer1";
    QTest::newRow("villa, střední") << 2 << 1 << false << 5 << 6 << QStringLiteral("Panvila") << "Timer2";
    QTest::newRow("block, střední") << 3 << 1 << false << 6 << 6 << QStringLiteral("Pan") << "Timer3";
    QTest::newRow("family house, velká") << 1 << 2 << false << 7 << 4 << QStringLiteral("Panrd") << "Timer1";
    QTest::newRow("villa, velká") << 2 << 2 << false << 8 << 4 << QStringLiteral("Panvila") << "Timer2";
    QTest::newRow("block, velká") << 3 << 2 << false << 9 << 4 << QStringLiteral("Pan") << "Timer3";
    QTest::newRow("campaign ignores villa, velká")
        << 2 << 2 << true << 0 << 8 << QStringLiteral("Panrd") << "Timer1";
    QTest::newRow("campaign ignores block, malá")
        << 3 << 0 << true << 0 << 8 << QStringLiteral("Panrd") << "Timer1";
}

void GameFlowTest::choiceOnStartPanel() {
    QFETCH(int, house);
    QFETCH(int, speed);
    QFETCH(bool, campaign);
    QFETCH(int, tableNumber);
    QFETCH(int, interval);
    QFETCH(QString, panel);
    QFETCH(QString, timer);

    Game game;

    QVERIFY(game.ready);
    game.form->TableNumber = 99;
    fire::Round().total = 7; // left from an earlier game
    QVERIFY(game.Choose(house, speed));
    QVERIFY(testing::Click(campaign ? game.form->Button2 : game.form->Button1));

    QCOMPARE(int{game.form->TableNumber}, tableNumber);
    QCOMPARE(int{fire::Round().spawnInterval}, interval);
    QCOMPARE(int{fire::Round().campaignStage}, campaign ? 1 : 0);
    QCOMPARE(fire::Round().timeLeft, 600);
    QCOMPARE(fire::Round().total, 0);
    QCOMPARE(game.ShownPanel(), panel);
    QCOMPARE(game.RunningTimers(), timer);
    QCOMPARE(game.harness.random->seedings, 1);
}

// Only a campaign round with more than 40 fires goes on; everything else ends the game.
void GameFlowTest::endOfRound_data() {
    QTest::addColumn<bool>("campaign");
    QTest::addColumn<int>("fires");
    QTest::addColumn<QString>("panel");
    QTest::addColumn<int>("stage");
    QTest::addColumn<int>("total");

    QTest::newRow("campaign, 40 ends the game") << true << 40 << "konechry" << 0 << 40;
    QTest::newRow("campaign, 41 goes on") << true << 41 << "nextlevel" << 1 << 0;
    QTest::newRow("single game, 41 ends the game") << false << 41 << "konechry" << 0 << 41;
    QTest::newRow("single game, none put out") << false << 0 << "konechry" << 0 << 0;
}

void GameFlowTest::endOfRound() {
    QFETCH(bool, campaign);
    QFETCH(int, fires);
    QFETCH(QString, panel);
    QFETCH(int, stage);
    QFETCH(int, total);

    Game game;

    QVERIFY(game.ready);
    QVERIFY(testing::Click(campaign ? game.form->Button2 : game.form->Button1));
    QVERIFY(game.PlayRound(fires));

    QCOMPARE(game.ShownPanel(), panel);
    QCOMPARE(game.RunningTimers(), QString());
    QCOMPARE(int{fire::Round().campaignStage}, stage);
    QCOMPARE(fire::Round().total, total);
    QCOMPARE(game.form->uhasrd->Caption(), QStringLiteral("Uhašeno: %1").arg(fires));
    if (panel == QLatin1String("konechry")) {
        QCOMPARE(game.form->Label2->Caption(), QStringLiteral("Tvé skóre: %1").arg(total));
        QVERIFY(game.form->Edit1->hasFocus());
        QCOMPARE(game.form->Edit1->selectedText(), game.form->Edit1->Text());
    }
}

// 45, 50 and 41 carry the campaign on; 30 in the fourth round (family house, interval 7) ends it.
void GameFlowTest::campaignTotal() {
    Game game;
    QVERIFY(game.ready);
    QVERIFY(testing::Click(game.form->Button2));
    const struct {
        int fires;
        const char* panel;
        int interval;
    } rounds[] = {{45, "Panrd", 8}, {50, "Panvila", 8}, {41, "Pan", 8}, {30, "Panrd", 7}};
    for (const auto& round : rounds) {
        QCOMPARE(game.ShownPanel(), QLatin1String(round.panel));
        QCOMPARE(int{fire::Round().spawnInterval}, round.interval);
        QVERIFY(game.PlayRound(round.fires));
        if (round.fires > 40) {
            QCOMPARE(game.ShownPanel(), QStringLiteral("nextlevel"));
            QVERIFY(testing::Click(game.form->Button3));
        }
    }
    QCOMPARE(game.ShownPanel(), QStringLiteral("konechry"));
    QCOMPARE(fire::Round().total, 166);
    QCOMPARE(game.form->Label2->Caption(), QStringLiteral("Tvé skóre: 166"));
    QCOMPARE(int{game.form->TableNumber}, 0);
    QCOMPARE(game.harness.random->seedings, 1); // seeded once per game, not per round
}

// Rounds played out in full, each with 41 fires.
void GameFlowTest::campaignSchedule_data() {
    QTest::addColumn<int>("rounds");
    QTest::addColumn<int>("stage");
    QTest::addColumn<int>("interval");
    QTest::addColumn<QString>("panel");
    QTest::addColumn<QString>("timer");

    QTest::newRow("after 1 round") << 1 << 2 << 8 << QStringLiteral("Panvila") << "Timer2";
    QTest::newRow("after 3 rounds") << 3 << 4 << 7 << QStringLiteral("Panrd") << "Timer1";
    QTest::newRow("after 5 rounds") << 5 << 6 << 7 << QStringLiteral("Pan") << "Timer3";
    QTest::newRow("after 6 rounds") << 6 << 7 << 6 << QStringLiteral("Panrd") << "Timer1";
}

void GameFlowTest::campaignSchedule() {
    QFETCH(int, rounds);
    QFETCH(int, stage);
    QFETCH(int, interval);
    QFETCH(QString, panel);
    QFETCH(QString, timer);

    Game game;

    QVERIFY(game.ready);
    QVERIFY(testing::Click(game.form->Button2));
    for (int round = 0; round < rounds; ++round) {
        QVERIFY(game.PlayRound(41));
        QVERIFY(testing::Click(game.form->Button3));
    }
    QCOMPARE(int{fire::Round().campaignStage}, stage);
    QCOMPARE(int{fire::Round().spawnInterval}, interval);
    QCOMPARE(fire::Round().total, 41 * rounds);
    QCOMPARE(game.ShownPanel(), panel);
    QCOMPARE(game.RunningTimers(), timer);
}

// Late stages, reached by setting up the state a long campaign leaves behind: the interval stays
// at 1 (never 0, which the spawn test divides by) and the stage stays at 255 (never wrapping to
// 0, which would make the campaign a single game). The round after is then played in full.
void GameFlowTest::campaignBeyondItsLastScheduledStage_data() {
    QTest::addColumn<int>("finishedStage");
    QTest::addColumn<int>("intervalBefore");
    QTest::addColumn<int>("stage");
    QTest::addColumn<int>("interval");
    QTest::addColumn<QString>("panel");

    QTest::newRow("stage 21 -> 22 reaches interval 1") << 21 << 2 << 22 << 1 << "Panrd";
    QTest::newRow("stage 23 -> 24 keeps interval 1") << 23 << 1 << 24 << 1 << "Pan";
    QTest::newRow("stage 24 -> 25 holds interval 1") << 24 << 1 << 25 << 1 << "Panrd";
    QTest::newRow("stage 99 -> 100 holds interval 1") << 99 << 1 << 100 << 1 << "Panrd";
    QTest::newRow("stage 254 -> 255") << 254 << 1 << 255 << 1 << "Pan";
    QTest::newRow("stage 255 is held") << 255 << 1 << 255 << 1 << "Pan";
}

void GameFlowTest::campaignBeyondItsLastScheduledStage() {
    QFETCH(int, finishedStage);
    QFETCH(int, intervalBefore);
    QFETCH(int, stage);
    QFETCH(int, interval);
    QFETCH(QString, panel);

    Game game;

    QVERIFY(game.ready);
    game.form->vyberstart->SetVisible(false);
    game.form->nextlevel->SetVisible(true);
    fire::RoundState& round = fire::Round();
    round.campaignStage = static_cast<std::uint8_t>(finishedStage);
    round.spawnInterval = static_cast<std::uint8_t>(intervalBefore);
    round.firesPutOut = 41;
    round.total = 1000;
    round.timeLeft = -1;

    QVERIFY(testing::Click(game.form->Button3));
    QCOMPARE(int{round.campaignStage}, stage);
    QCOMPARE(int{round.spawnInterval}, interval);
    QCOMPARE(round.total, 1041);
    QCOMPARE(game.ShownPanel(), panel);

    const int drawsBefore = game.harness.random->draws;
    QVERIFY(game.PlayRound(41));
    QCOMPARE(game.harness.random->draws - drawsBefore, 601);
    QCOMPARE(game.ShownPanel(), QStringLiteral("nextlevel"));
    QCOMPARE(int{round.campaignStage}, stage);
}

// "Zapsat" puts the total and the typed name into the table of the game's choice.
void GameFlowTest::recordScore_data() {
    QTest::addColumn<int>("house");
    QTest::addColumn<int>("speed");
    QTest::addColumn<bool>("campaign");
    QTest::addColumn<int>("fires");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("file");
    QTest::addColumn<QByteArray>("firstRow");

    QTest::newRow("family house, malá") << 1 << 0 << false << 12 << "Ema"
                                        << "hiscore1.dat" << QByteArray("  12\r\nEma\r\n");
    QTest::newRow("villa, velká, Czech name") << 2 << 2 << false << 3 << "Eliška Řeháková"
                                              << "hiscore8.dat"
                                              << QByteArray("  3\r\nEli\x9Aka \xD8"
                                                            "eh\xE1kov\xE1\r\n");
    QTest::newRow("block, střední, nothing put out") << 3 << 1 << false << 0 << ""
                                                     << "hiscore6.dat" << QByteArray("  0\r\n\r\n");
    QTest::newRow("campaign") << 3 << 2 << true << 40 << "Jan"
                              << "hiscore0.dat" << QByteArray("  40\r\nJan\r\n");
}

void GameFlowTest::recordScore() {
    QFETCH(int, house);
    QFETCH(int, speed);
    QFETCH(bool, campaign);
    QFETCH(int, fires);
    QFETCH(QString, name);
    QFETCH(QString, file);
    QFETCH(QByteArray, firstRow);

    Game game;

    QVERIFY(game.ready);
    QVERIFY(game.Choose(house, speed));
    QVERIFY(testing::Click(campaign ? game.form->Button2 : game.form->Button1));
    QVERIFY(game.PlayRound(fires));
    // The name box has the focus with its text selected, so typing replaces the initial text.
    if (name.isEmpty())
        game.form->Edit1->SetText(name);
    else
        QVERIFY(testing::Type(game.form.get(), name));
    QCOMPARE(game.form->Edit1->Text(), name);
    QVERIFY(testing::Click(game.form->Button4));

    QVERIFY(game.harness.dialogs->errors.isEmpty());
    QCOMPARE(game.File(file), firstRow + kEmptyRow.repeated(9));
    QCOMPARE(QDir(game.folder.path()).entryList(QDir::Files), QStringList{file});
    QVERIFY(game.scores->isVisible());
    QCOMPARE(game.ShownPanel(), QStringLiteral("vyberstart"));
    // The next game offers the name typed last, and the previous choice.
    QCOMPARE(game.form->Edit1->Text(), name);
    QCOMPARE(game.form->RadioGroup1->ItemIndex(), speed);
}

// A table whose first score is not a number: the error box reports it, the game-over panel stays
// and a second "Zapsat" after the file is mended records the score.
void GameFlowTest::failedRecordCanBeRetried() {
    const QString table = QStringLiteral("hiscore1.dat");
    const QByteArray broken = "abc\r\nEma\r\n" + kEmptyRow.repeated(9);
    const QStringList error{QStringLiteral("'abc' is not a valid integer value.")};
    Game game;
    QVERIFY(game.ready);
    game.WriteFile(table, broken);
    QVERIFY(testing::Click(game.form->Button1));
    QVERIFY(game.PlayRound(5));
    QVERIFY(testing::Type(game.form.get(), QStringLiteral("Jan")));
    QVERIFY(testing::Click(game.form->Button4));

    QCOMPARE(game.harness.dialogs->errors, error);
    QCOMPARE(game.ShownPanel(), QStringLiteral("konechry"));
    QCOMPARE(game.File(table), broken);

    game.WriteFile(table, "  9\r\nEma\r\n" + kEmptyRow.repeated(9));
    QVERIFY(testing::Click(game.form->Button4));
    QCOMPARE(game.harness.dialogs->errors, error);
    QCOMPARE(game.ShownPanel(), QStringLiteral("vyberstart"));
    QCOMPARE(game.File(table), "  9\r\nEma\r\n  5\r\nJan\r\n" + kEmptyRow.repeated(8));
}

// Fires still burning at the end of a round stay on the house and burn on in its next game.
void GameFlowTest::firesCarryOverIntoNextGame() {
    // 73 spawns on hotspot 0, then 1 on tick 592 and 2 on tick 600.
    std::vector<std::uint32_t> draws(73, 0);
    draws.push_back(1);
    draws.push_back(2);
    draws.push_back(4);
    Game game(draws);
    QVERIFY(game.ready);
    QVERIFY(testing::Click(game.form->Button1));
    QVERIFY(game.PlayRound(0));
    const TForm2::House& house = game.form->HouseOf(HouseId::FamilyHouse);
    QCOMPARE(house.hotspots[1]->Tag, 3);
    QCOMPARE(house.hotspots[2]->Tag, 2);
    QVERIFY(testing::Click(game.form->Button4));
    QCOMPARE(game.ShownPanel(), QStringLiteral("vyberstart"));
    QCOMPARE(game.form->uhasrd->Caption(), QStringLiteral("Uhašeno: 0"));
    QCOMPARE(game.form->casrd->Caption(), QStringLiteral("Čas: 0"));

    QVERIFY(testing::Click(game.form->Button1));
    QVERIFY(house.hotspots[1]->Visible());
    QVERIFY(house.hotspots[2]->Visible());
    game.Ticks(1);
    QVERIFY(testing::Click(house.hotspots[2]));
    game.Ticks(1);
    QCOMPARE(game.form->uhasrd->Caption(), QStringLiteral("Uhašeno: 1"));
    // The other one goes out on the first spawn tick, the 8th.
    game.Ticks(6);
    QVERIFY(!house.hotspots[1]->Visible());
    QCOMPARE(house.hotspots[1]->Tag, 0);
}

// A second window has its own controls but plays on the same round state.
void GameFlowTest::windowsShareTheRoundState() {
    Game game;
    QVERIFY(game.ready);
    TForm2 second;
    QVERIFY(testing::ShowAndExpose(&second));
    QVERIFY(second.Panrd != game.form->Panrd);
    QVERIFY(second.Hotspot(QStringLiteral("pao11")) != game.form->Hotspot(QStringLiteral("pao11")));

    QVERIFY(testing::Click(game.form->Button2));
    QCOMPARE(int{fire::Round().campaignStage}, 1);
    QVERIFY(testing::Click(second.Button2)); // a campaign is running already
    QVERIFY(second.vyberstart->Visible());
    QVERIFY(!second.Timer1->Enabled());

    game.Ticks(3);
    QCOMPARE(fire::Round().timeLeft, 597);
    QCOMPARE(game.form->casrd->Caption(),
             QStringLiteral("Čas: 59") + tk::DecimalSeparator() + QStringLiteral("8"));
    QCOMPARE(second.casrd->Caption(), QStringLiteral("Čas:"));

    // Closing any fire game window ends the program.
    QVERIFY(!tk::App().Terminated());
    second.Close();
    QVERIFY(tk::App().Terminated());
}

TK_TEST_MAIN(GameFlowTest)
#include "game_flow_test.moc"
