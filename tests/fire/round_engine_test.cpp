// SPDX-License-Identifier: GPL-3.0-or-later
// The round engine in virtual time: ticks, spawns, the life of a fire and the end of a round.
#include "fire/fire_form.h"
#include "fire/round_state.h"
#include "support/test_main.h"
#include "support/test_support.h"
#include "toolkit/text/numbers.h"

#include <QTest>

#include <memory>

using fire::HouseId;
using fire::kTickInterval;

namespace {

// A fire game window on screen with the round state zeroed and the draws scripted.
struct Game {
    explicit Game(std::vector<std::uint32_t> draws) {
        fire::Round() = {};
        harness.Script(std::move(draws));
        form = std::make_unique<TForm2>();
        ready = testing::ShowAndExpose(form.get());
    }
    // "Start" with a house (1 to 3) and a speed index (0 to 2) chosen.
    [[nodiscard]] bool Start(int house, int speed) {
        tk::TRadioButton* radios[] = {form->RadioButton1, form->RadioButton2, form->RadioButton3};
        radios[house - 1]->SetChecked(true);
        form->RadioGroup1->SetItemIndex(speed);
        return testing::Click(form->Button1);
    }
    void Ticks(int count) {
        for (int i = 0; i < count; ++i)
            harness.Advance(kTickInterval);
    }
    TForm2::House& HouseOf(int house) { return form->HouseOf(static_cast<HouseId>(house)); }

    testing::Harness harness;
    std::unique_ptr<TForm2> form;
    bool ready = false;
};

// "59.7" written with the locale's decimal separator, as the time label shows it.
QString Seconds(const char* text) {
    return QString::fromLatin1(text).replace(QLatin1Char('.'), tk::DecimalSeparator());
}

// The ages of a house's hotspots as digits in index order, e.g. "20000".
QString Ages(const TForm2::House& house) {
    QString ages;
    for (const tk::TImage* hotspot : house.hotspots)
        ages += QString::number(hotspot->Tag);
    return ages;
}

// A hotspot is on screen exactly while it burns (age 2 or 3 between events).
QString Shown(const TForm2::House& house) {
    QString shown;
    for (const tk::TImage* hotspot : house.hotspots)
        shown += hotspot->Visible() ? QLatin1Char('1') : QLatin1Char('0');
    return shown;
}

QString ShownFromAges(const QString& ages) {
    QString shown;
    for (QChar age : ages)
        shown += age == QLatin1Char('0') ? QLatin1Char('0') : QLatin1Char('1');
    return shown;
}

} // namespace

class RoundEngineTest : public QObject {
    Q_OBJECT

private slots:
    void workedExample_data();
    void workedExample();
    void firstSpawnAtIntervalEight();
    void spawnsPerRound_data();
    void spawnsPerRound();
    void lifeOfAFire_data();
    void lifeOfAFire();
    void drawBurnsHotspotOfThatIndex_data();
    void drawBurnsHotspotOfThatIndex();
    void clickBeforeFinalTickCounts_data();
    void clickBeforeFinalTickCounts();
    void clickOnBurningHotspotPutsItOut();
};

// The family house at interval 4 with the picks 0, 2, 4, 2 and no clicks, tick by tick.
void RoundEngineTest::workedExample_data() {
    QTest::addColumn<int>("tick");
    QTest::addColumn<QString>("timeCaption");
    QTest::addColumn<int>("timeLeft");
    QTest::addColumn<int>("draws");
    QTest::addColumn<QString>("ages");

    QTest::newRow("tick 1 shows 60 s") << 1 << QStringLiteral("Čas: 60") << 599 << 0 << "00000";
    QTest::newRow("tick 3 spawns nothing yet") << 3 << "Čas: " + Seconds("59.8") << 597 << 0 << "00000";
    QTest::newRow("tick 4 picks 0") << 4 << "Čas: " + Seconds("59.7") << 596 << 1 << "20000";
    QTest::newRow("tick 7 ages nothing") << 7 << "Čas: " + Seconds("59.4") << 593 << 1 << "20000";
    QTest::newRow("tick 8 picks 2") << 8 << "Čas: " + Seconds("59.3") << 592 << 2 << "30200";
    QTest::newRow("tick 12 picks 4, 0 goes out") << 12 << "Čas: " + Seconds("58.9") << 588 << 3 << "00302";
    QTest::newRow("tick 16 picks 2 again") << 16 << "Čas: " + Seconds("58.5") << 584 << 4 << "00203";
}

void RoundEngineTest::workedExample() {
    QFETCH(int, tick);
    QFETCH(QString, timeCaption);
    QFETCH(int, timeLeft);
    QFETCH(int, draws);
    QFETCH(QString, ages);

    Game game({0, 2, 4, 2});

    QVERIFY(game.ready);
    QVERIFY(game.Start(1, 2));
    QCOMPARE(fire::Round().spawnInterval, std::uint8_t{4});
    game.Ticks(tick);

    QCOMPARE(game.form->casrd->Caption(), timeCaption);
    QCOMPARE(game.form->uhasrd->Caption(), QStringLiteral("Uhašeno: 0"));
    QCOMPARE(fire::Round().timeLeft, timeLeft);
    QCOMPARE(game.harness.random->draws, draws);
    QCOMPARE(Ages(game.HouseOf(1)), ages);
    QCOMPARE(Shown(game.HouseOf(1)), ShownFromAges(ages));
}

void RoundEngineTest::firstSpawnAtIntervalEight() {
    Game game({1});
    QVERIFY(game.ready);
    QVERIFY(game.Start(1, 0));
    game.Ticks(7);
    QCOMPARE(game.harness.random->draws, 0);
    QCOMPARE(Shown(game.HouseOf(1)), QStringLiteral("00000"));

    game.Ticks(1);
    QCOMPARE(game.harness.random->draws, 1);
    QCOMPARE(fire::Round().timeLeft, 592);
    QCOMPARE(Shown(game.HouseOf(1)), QStringLiteral("01000"));
}

// Counted over a whole round, and after it: the timer stops on the final tick.
void RoundEngineTest::spawnsPerRound_data() {
    QTest::addColumn<int>("speed");
    QTest::addColumn<int>("forcedInterval"); // 0: the speed's own
    QTest::addColumn<int>("spawns");

    QTest::newRow("malá, interval 8") << 0 << 0 << 75;
    QTest::newRow("střední, interval 6") << 1 << 0 << 100;
    QTest::newRow("velká, interval 4") << 2 << 0 << 150;
    QTest::newRow("interval 5 (campaign)") << 0 << 5 << 120;
    // Every tick spawns, the final one too: time left -1 leaves no remainder.
    QTest::newRow("interval 1 spawns after the end") << 0 << 1 << 601;
}

void RoundEngineTest::spawnsPerRound() {
    QFETCH(int, speed);
    QFETCH(int, forcedInterval);
    QFETCH(int, spawns);

    Game game({0, 1, 2, 3, 4});

    QVERIFY(game.ready);
    QVERIFY(game.Start(1, speed));
    if (forcedInterval != 0)
        fire::Round().spawnInterval = static_cast<std::uint8_t>(forcedInterval);
    game.Ticks(600);
    QVERIFY(game.form->Panrd->Visible());
    QCOMPARE(fire::Round().timeLeft, 0);

    game.Ticks(1);
    QCOMPARE(game.harness.random->draws, spawns);
    QCOMPARE(fire::Round().timeLeft, -1);
    QVERIFY(!game.form->Panrd->Visible());
    QVERIFY(!game.form->Timer1->Enabled());
    QCOMPARE(game.form->casrd->Caption(), QStringLiteral("Čas: 0"));

    game.Ticks(50);
    QCOMPARE(game.harness.random->draws, spawns);
    QCOMPARE(fire::Round().timeLeft, -1);
}

// One hotspot's age after the spawn ticks 4, 8, 12, 16 and 20 at interval 4.
void RoundEngineTest::lifeOfAFire_data() {
    QTest::addColumn<std::vector<std::uint32_t>>("picks");
    QTest::addColumn<QString>("ages");

    QTest::newRow("burns two intervals") << std::vector<std::uint32_t>{0, 1, 2, 3, 4} << "23000";
    QTest::newRow("re-picked at age 2 restarts") << std::vector<std::uint32_t>{0, 0, 1, 2, 3} << "22300";
    QTest::newRow("re-picked at age 3 does not go out")
        << std::vector<std::uint32_t>{0, 1, 0, 2, 3} << "23230";
    QTest::newRow("picked on every spawn never goes out") << std::vector<std::uint32_t>{0} << "22222";
}

void RoundEngineTest::lifeOfAFire() {
    QFETCH(std::vector<std::uint32_t>, picks);
    QFETCH(QString, ages);

    Game game(picks);

    QVERIFY(game.ready);
    QVERIFY(game.Start(1, 2));
    tk::TImage* hotspot = game.HouseOf(1).hotspots[0];
    QString seen;
    for (int spawn = 0; spawn < ages.size(); ++spawn) {
        game.Ticks(4);
        seen += QString::number(hotspot->Tag);
        QCOMPARE(hotspot->Visible(), hotspot->Tag != 0);
    }
    QCOMPARE(seen, ages);

    // However often it was restarted, it counts once: a second click on its spot hits the house.
    if (hotspot->Visible()) {
        QVERIFY(testing::Click(hotspot));
        QVERIFY(testing::Click(hotspot));
        game.Ticks(1);
        QCOMPARE(fire::Round().firesPutOut, 1);
    }
}

// The draw is the hotspot index: numeric order, not the order the images were created in.
void RoundEngineTest::drawBurnsHotspotOfThatIndex_data() {
    QTest::addColumn<int>("house");
    QTest::addColumn<int>("draw");
    QTest::addColumn<QString>("image");

    QTest::newRow("family house 0: door") << 1 << 0 << "rdd";
    QTest::newRow("family house 2: ground floor right") << 1 << 2 << "rddp";
    QTest::newRow("family house 3: upper floor left") << 1 << 3 << "rdhl";
    QTest::newRow("family house 4: upper floor right") << 1 << 4 << "rdhp";
    QTest::newRow("villa 0: side wall lower") << 2 << 0 << "vbd";
    QTest::newRow("villa 4: small middle window") << 2 << 4 << "vpds";
    QTest::newRow("villa 7: middle dormer") << 2 << 7 << "vphs";
    QTest::newRow("block 0: pao1") << 3 << 0 << "pao1";
    QTest::newRow("block 1: pao2") << 3 << 1 << "pao2";
    QTest::newRow("block 9: pao10") << 3 << 9 << "pao10";
    QTest::newRow("block 10: pao11") << 3 << 10 << "pao11";
    QTest::newRow("block 11: pao12") << 3 << 11 << "pao12";
}

void RoundEngineTest::drawBurnsHotspotOfThatIndex() {
    QFETCH(int, house);
    QFETCH(int, draw);
    QFETCH(QString, image);

    Game game({static_cast<std::uint32_t>(draw)});

    QVERIFY(game.ready);
    QVERIFY(game.Start(house, 0));
    game.Ticks(8);

    tk::TImage* burning = game.form->Hotspot(image);
    QVERIFY(burning != nullptr);
    QVERIFY(burning->Visible());
    QCOMPARE(burning->Tag, 2);
    for (const tk::TImage* hotspot : game.HouseOf(house).hotspots) {
        if (hotspot != burning)
            QVERIFY(!hotspot->Visible());
    }
    QCOMPARE(game.HouseOf(house).hotspots[static_cast<std::size_t>(draw)], burning);
}

// The last spawn comes on tick 600; a click in the 100 ms before tick 601 still counts.
void RoundEngineTest::clickBeforeFinalTickCounts_data() {
    QTest::addColumn<bool>("click");
    QTest::addColumn<int>("total");

    QTest::newRow("clicked") << true << 1;
    QTest::newRow("not clicked") << false << 0;
}

void RoundEngineTest::clickBeforeFinalTickCounts() {
    QFETCH(bool, click);
    QFETCH(int, total);

    Game game({2});

    QVERIFY(game.ready);
    QVERIFY(game.Start(1, 0));
    game.Ticks(600);
    tk::TImage* last = game.HouseOf(1).hotspots[2];
    QVERIFY(last->Visible());
    if (click)
        QVERIFY(testing::Click(last));
    game.Ticks(1);

    QCOMPARE(game.form->uhasrd->Caption(), QStringLiteral("Uhašeno: ") + QString::number(total));
    QCOMPARE(fire::Round().total, total);
    QVERIFY(game.form->konechry->Visible());
    QCOMPARE(game.form->Label2->Caption(), QStringLiteral("Tvé skóre: ") + QString::number(total));
}

// A click takes the fire away at once; the count label catches up on the next tick.
void RoundEngineTest::clickOnBurningHotspotPutsItOut() {
    Game game({4});
    QVERIFY(game.ready);
    QVERIFY(game.Start(1, 0));
    game.Ticks(8);
    tk::TImage* burning = game.HouseOf(1).hotspots[4];
    QVERIFY(burning->Visible());

    QVERIFY(testing::Click(burning));
    QVERIFY(!burning->Visible());
    QCOMPARE(burning->Tag, 0);
    QCOMPARE(fire::Round().firesPutOut, 1);
    QCOMPARE(game.form->uhasrd->Caption(), QStringLiteral("Uhašeno: 0"));

    game.Ticks(1);
    QCOMPARE(game.form->uhasrd->Caption(), QStringLiteral("Uhašeno: 1"));
}

TK_TEST_MAIN(RoundEngineTest)
#include "round_engine_test.moc"
