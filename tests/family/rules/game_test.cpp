// SPDX-License-Identifier: GPL-3.0-or-later
// The family game's rules without a window: turns and scores, the end texts, the deal and the
// computer player's memory.
#include "family/rules/computer_player.h"
#include "family/rules/family_deal.h"
#include "family/rules/family_game.h"
#include "seeded_random.h"

#include <QtTest>

#include <algorithm>
#include <map>

using namespace family;

namespace {

struct SoloResult {
    int turns = 0;
    int seenPairsMissed = 0; // second cards that were not the partner although it had been seen
};

// The computer alone on a dealt board, to the end (or to a bound of turns, for a fault).
SoloResult PlayAlone(Level level, int cards, unsigned seed) {
    testing::SeededRandom::Install(seed);
    std::vector<std::uint8_t> pictures;
    for (int n = 1; n <= 23; ++n)
        pictures.push_back(static_cast<std::uint8_t>(n));
    const std::vector<std::uint8_t> board = DealFamilyBoard(pictures, cards);
    const auto picture = [&board](int card) { return board[static_cast<std::size_t>(card - 1)]; };
    ComputerPlayer computer(level);
    computer.NewBoard(cards);
    FamilyGame game({Player{QStringLiteral("Počítač"), true}}, cards);
    std::map<int, int> seenAt; // card -> 1 once its face has been up
    SoloResult result;
    while (!game.Over() && game.Turns() < 1000) {
        const int first = computer.FirstCard();
        computer.Seen(first, picture(first));
        bool partnerSeen = false;
        for (const auto& [card, seen] : seenAt)
            partnerSeen |= card != first && picture(card) == picture(first);
        seenAt[first] = 1;
        const int second = computer.SecondCard(first, picture(first));
        computer.Seen(second, picture(second));
        seenAt[second] = 1;
        if (second != first && picture(second) == picture(first)) {
            computer.Removed(first);
            computer.Removed(second);
            seenAt.erase(first);
            seenAt.erase(second);
            game.PairFound();
        } else {
            result.seenPairsMissed += partnerSeen ? 1 : 0;
            game.Missed();
        }
    }
    result.turns = game.Turns();
    return result;
}

} // namespace

class FamilyRulesTest : public QObject {
    Q_OBJECT

private slots:
    void cleanup() { tk::SetRandomSource(nullptr); }

    // Rows: the turns of a game as a string, P = pair, M = miss; whose turn it is after them.
    void aPairKeepsTheTurnAndAMissPassesIt_data() {
        QTest::addColumn<int>("players");
        QTest::addColumn<QString>("turns");
        QTest::addColumn<int>("current");
        QTest::addColumn<QList<int>>("pairs");
        QTest::newRow("pair keeps") << 2 << "PP" << 0 << QList<int>{2, 0};
        QTest::newRow("miss passes") << 2 << "M" << 1 << QList<int>{0, 0};
        QTest::newRow("round the table") << 3 << "MMM" << 0 << QList<int>{0, 0, 0};
        QTest::newRow("mixed") << 3 << "PMPPMMP" << 0 << QList<int>{2, 2, 0};
        QTest::newRow("alone") << 1 << "MPM" << 0 << QList<int>{1};
    }
    void aPairKeepsTheTurnAndAMissPassesIt() {
        QFETCH(int, players);
        QFETCH(QString, turns);
        std::vector<Player> list;
        for (int i = 0; i < players; ++i)
            list.push_back(Player{QString::number(i)});
        FamilyGame game(list, 12);
        for (const QChar turn : turns)
            turn == QLatin1Char('P') ? game.PairFound() : game.Missed();
        QTEST(game.Current(), "current");
        QList<int> pairs;
        for (const Player& player : game.Players())
            pairs << player.pairs;
        QTEST(pairs, "pairs");
        QCOMPARE(game.Turns(), turns.size());
    }

    void theGameEndsWithTheLastPairAndNamesTheWinnerOrATie_data() {
        QTest::addColumn<QString>("turns");
        QTest::addColumn<QString>("end");
        // Anička and Táta on 12 cards (6 pairs).
        QTest::newRow("she wins") << "PPPMPMPP"
                                  << "Vyhrála Anička! 5 párů";
        QTest::newRow("he wins") << "MPPPPMPP"
                                 << "Vyhrál Táta! 4 páry";
        QTest::newRow("tie") << "PPPMPPP"
                             << "Nerozhodně! Anička a Táta: 3 páry";
    }
    void theGameEndsWithTheLastPairAndNamesTheWinnerOrATie() {
        QFETCH(QString, turns);
        FamilyGame game({Player{QStringLiteral("Anička")}, Player{QStringLiteral("Táta")}}, 12);
        for (const QChar turn : turns) {
            QVERIFY(!game.Over());
            turn == QLatin1Char('P') ? game.PairFound() : game.Missed();
        }
        QVERIFY(game.Over());
        const std::vector<int> leaders = game.Leaders();
        const QString end = leaders.size() > 1
                                ? TieText(game)
                                : WinnerText(game.Players()[static_cast<std::size_t>(leaders[0])]);
        QTEST(end, "end");
        game.PairFound(); // nothing counts after the end
        QCOMPARE(game.Turns(), turns.size());
    }

    void czechWordsFollowTheNumberAndTheName_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("expected");
        QTest::newRow("1 pár") << PairsText(1) << "1 pár";
        QTest::newRow("4 páry") << PairsText(4) << "4 páry";
        QTest::newRow("0 párů") << PairsText(0) << "0 párů";
        QTest::newRow("12 párů") << PairsText(12) << "12 párů";
        QTest::newRow("Máma") << WinnerText(Player{QStringLiteral("Máma"), false, 2})
                              << "Vyhrála Máma! 2 páry";
        QTest::newRow("Marie") << WinnerText(Player{QStringLiteral("Marie"), false, 1})
                               << "Vyhrála Marie! 1 pár";
        QTest::newRow("Honza") << WinnerText(Player{QStringLiteral("Honza"), false, 7})
                               << "Vyhrál Honza! 7 párů";
        QTest::newRow("Počítač") << WinnerText(Player{QStringLiteral("Počítač"), true, 3})
                                 << "Vyhrál Počítač! 3 páry";
        QTest::newRow("Petr") << WinnerText(Player{QStringLiteral("Petr"), false, 5})
                              << "Vyhrál Petr! 5 párů";
        QTest::newRow("too few") << TooFewPicturesText(3, 6)
                                 << "Ve složce je jen 3 obrázky, hra na 12 karet jich potřebuje 6.";
        QTest::newRow("too few, none")
            << TooFewPicturesText(0, 10) << "Ve složce je jen 0 obrázků, hra na 20 karet jich potřebuje 10.";
        QTest::newRow("too few, classic") << TooFewPicturesText(8, 23, 40)
                                          << "Ve složce je jen 8 obrázků, hra na 40 karet jich potřebuje 23.";
    }
    void czechWordsFollowTheNumberAndTheName() {
        QFETCH(QString, text);
        QTEST(text, "expected");
    }

    // Every picture on exactly two cards, the pictures from those offered, and over many deals every
    // place holds every picture about equally often (a biased shuffle would not).
    void aFamilyDealLaysEachPictureOnTwoCardsUniformly() {
        testing::SeededRandom::Install(7);
        const std::vector<std::uint8_t> offered{2, 3, 5, 8, 13, 21, 34, 55};
        constexpr int kDeals = 4000;
        std::map<std::pair<int, int>, int> atPlace; // (place, picture) -> deals
        std::map<int, int> used;
        for (int deal = 0; deal < kDeals; ++deal) {
            const std::vector<std::uint8_t> board = DealFamilyBoard(offered, 12);
            QCOMPARE(board.size(), std::size_t{12});
            std::map<int, int> count;
            for (std::size_t place = 0; place < board.size(); ++place) {
                ++count[board[place]];
                ++atPlace[{static_cast<int>(place), board[place]}];
            }
            QCOMPARE(count.size(), std::size_t{6});
            for (const auto& [picture, n] : count) {
                QCOMPARE(n, 2);
                QVERIFY(std::find(offered.begin(), offered.end(), picture) != offered.end());
                ++used[picture];
            }
        }
        // Each picture is drawn in 6 of 8 deals, and then lies at a given place with chance 2/12.
        const double expected = kDeals * 6.0 / 8.0 * 2.0 / 12.0; // 500
        for (const auto& [key, n] : atPlace)
            QVERIFY2(std::abs(n - expected) < 0.2 * expected, qPrintable(QString::number(n)));
        QCOMPARE(used.size(), offered.size());
    }

    // The computer at its top level forgets nothing, so alone it clears a 40-card board in at most
    // 40 turns, whatever the deal.
    void theMasterClearsFortyCardsInFortyTurns() {
        for (unsigned seed = 1; seed <= 300; ++seed) {
            const SoloResult result = PlayAlone(Level::Master, 40, seed);
            QVERIFY2(result.turns <= 40,
                     qPrintable(QStringLiteral("seed %1: %2 turns").arg(seed).arg(result.turns)));
            QCOMPARE(result.seenPairsMissed, 0);
        }
    }

    // The forgetful computer takes clearly more turns and misses pairs it has seen; the skilled one
    // lies between.
    void theLowerLevelsForgetCardsTheyHaveSeen() {
        std::map<Level, double> turns;
        std::map<Level, int> missed;
        for (const Level level : {Level::Forgetful, Level::Skilled, Level::Master}) {
            for (unsigned seed = 1; seed <= 100; ++seed) {
                const SoloResult result = PlayAlone(level, 40, seed);
                QVERIFY(result.turns < 1000);
                turns[level] += result.turns / 100.0;
                missed[level] += result.seenPairsMissed;
            }
        }
        QVERIFY2(
            turns[Level::Forgetful] > 1.4 * turns[Level::Master],
            qPrintable(QStringLiteral("%1 vs %2").arg(turns[Level::Forgetful]).arg(turns[Level::Master])));
        QVERIFY(turns[Level::Skilled] > turns[Level::Master] &&
                turns[Level::Skilled] < turns[Level::Forgetful]);
        QVERIFY(missed[Level::Forgetful] > 100 * 5); // more than five seen pairs missed a game
        QCOMPARE(missed[Level::Master], 0);
    }
};

QTEST_GUILESS_MAIN(FamilyRulesTest)
#include "game_test.moc"
