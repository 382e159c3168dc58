// SPDX-License-Identifier: GPL-3.0-or-later
// Which sound each event of the fire game plays, and that every other event plays none: a fire put
// out hisses, the round's last tick rings the bell, a score written into the table plays the
// fanfare.
#include "fire/fire_form.h"
#include "fire/round_state.h"
#include "scores/score_form.h"
#include "support/fire_play.h"
#include "support/recording_sound.h"
#include "support/test_main.h"
#include "support/test_support.h"
#include "toolkit/text/files.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

namespace {

// The fire game and score table windows (see testing::FireGame), played step by step.
struct Game : testing::FireGame {
    // One step of a script: "start", "campaign", "tick<n>", "fire" (clicks one burning fire),
    // "round<n>" (plays to the end, putting out n fires), "write" ("Zapsat"), "next"
    // ("Pokračovat"), "fulltable" (a table of ten scores of 90). A step that fails fails the test:
    // check QTest::currentTestFailed() after it.
    void Step(const QString& step) {
        if (step == QLatin1String("start")) {
            QVERIFY(testing::Click(form->Button1));
        } else if (step == QLatin1String("campaign")) {
            QVERIFY(testing::Click(form->Button2));
        } else if (step.startsWith(QLatin1String("tick"))) {
            for (int i = step.mid(4).toInt(); i > 0; --i)
                harness.Advance(fire::kTickInterval);
        } else if (step == QLatin1String("fire")) {
            const auto& hotspots = form->HouseOf(fire::HouseId::FamilyHouse).hotspots;
            const auto burning =
                std::find_if(hotspots.begin(), hotspots.end(), [](auto* h) { return h->Visible(); });
            QVERIFY(burning != hotspots.end());
            QVERIFY(testing::Click(*burning));
        } else if (step.startsWith(QLatin1String("round"))) {
            QVERIFY(testing::PlayRound(*form, harness, step.mid(5).toInt()).clicksLanded);
        } else if (step == QLatin1String("write")) {
            QVERIFY(testing::Click(form->Button4));
        } else if (step == QLatin1String("next")) {
            QVERIFY(testing::Click(form->Button3));
        } else if (step == QLatin1String("fulltable")) {
            QFile file(QDir(folder.path()).filePath(QStringLiteral("hiscore1.dat")));
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(QByteArray("  90\r\nEma\r\n").repeated(10));
        } else {
            QFAIL(qPrintable(QStringLiteral("unknown step ") + step));
        }
    }
};

} // namespace

class FireSoundsTest : public QObject {
    Q_OBJECT

private slots:
    void eachEventPlaysItsSound_data();
    void eachEventPlaysItsSound();
};

void FireSoundsTest::eachEventPlaysItsSound_data() {
    QTest::addColumn<QString>("before");
    QTest::addColumn<QString>("event");
    QTest::addColumn<QStringList>("heard");
    const QStringList none;
    QTest::newRow("Start") << ""
                           << "start" << none;
    QTest::newRow("ticks that set fires burning") << "start"
                                                  << "tick16" << none;
    QTest::newRow("a fire put out") << "start tick8"
                                    << "fire" << QStringList{"put_out"};
    QTest::newRow("a round with no clicks: the bell at its end") << "start"
                                                                 << "round0" << QStringList{"bell"};
    QTest::newRow("a campaign round won: the bell")
        << "campaign"
        << "round41" << QStringList(41, "put_out") + QStringList{"bell"};
    QTest::newRow("Pokračovat") << "campaign round41"
                                << "next" << none;
    QTest::newRow("Zapsat: the score goes into the table") << "start round3"
                                                           << "write" << QStringList{"fanfare"};
    QTest::newRow("Zapsat: the score is too low for the table") << "fulltable start round3"
                                                                << "write" << none;
}

void FireSoundsTest::eachEventPlaysItsSound() {
    QFETCH(QString, before);
    QFETCH(QString, event);
    QFETCH(QStringList, heard);
    Game game;
    QVERIFY(game.ready);
    testing::RecordingSound sound;
    for (const QString& step : before.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
        game.Step(step);
        if (QTest::currentTestFailed())
            return;
    }
    sound.played.clear();
    game.Step(event);
    if (QTest::currentTestFailed())
        return;
    QCOMPARE(sound.played, heard);
}

TK_TEST_MAIN(FireSoundsTest)
#include "fire_sounds_test.moc"
