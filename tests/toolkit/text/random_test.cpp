// Random numbers: the default source covers its range without bias, and tests can script it.
#include "toolkit/text/random.h"

#include <QtTest>

#include <cmath>
#include <vector>

namespace {
using Numbers = std::vector<std::uint32_t>;
} // namespace

class RandomTest : public QObject {
    Q_OBJECT

private slots:
    void cleanup();
    void scriptedSourceGivesItsNumbersInTurn_data();
    void scriptedSourceGivesItsNumbersInTurn();
    void scriptedSourceCountsSeedingsAndDraws();
    void drawsStayBelowN_data();
    void drawsStayBelowN();
    void drawsAreUniform();
    void noModuloBiasForLargeN();
    void seedingFromTheClockGivesFreshSequences();
    void nullSourceRestoresTheDefault();
};

void RandomTest::cleanup() {
    tk::SetRandomSource(nullptr);
}

void RandomTest::scriptedSourceGivesItsNumbersInTurn_data() {
    QTest::addColumn<Numbers>("script");
    QTest::addColumn<std::uint32_t>("n");
    QTest::addColumn<Numbers>("draws");
    QTest::newRow("below n") << Numbers{3, 0, 7} << 10u << Numbers{3, 0, 7};
    QTest::newRow("taken modulo n") << Numbers{25, 12} << 10u << Numbers{5, 2};
    QTest::newRow("script repeats") << Numbers{1, 2} << 10u << Numbers{1, 2, 1, 2, 1};
    QTest::newRow("n of zero gives zero") << Numbers{9} << 0u << Numbers{0, 0};
    QTest::newRow("empty script gives zero") << Numbers{} << 5u << Numbers{0, 0};
}

void RandomTest::scriptedSourceGivesItsNumbersInTurn() {
    QFETCH(Numbers, script);
    QFETCH(std::uint32_t, n);
    QFETCH(Numbers, draws);
    tk::SetRandomSource(std::make_unique<tk::ScriptedRandom>(script));
    Numbers got;
    for (std::size_t i = 0; i < draws.size(); ++i)
        got.push_back(tk::Random(n));
    QCOMPARE(got, draws);
}

void RandomTest::scriptedSourceCountsSeedingsAndDraws() {
    auto owned = std::make_unique<tk::ScriptedRandom>(std::vector<std::uint32_t>{4});
    tk::ScriptedRandom* scripted = owned.get();
    tk::SetRandomSource(std::move(owned));
    tk::Randomize();
    tk::Randomize();
    tk::Random(3);
    QCOMPARE(scripted->seedings, 2);
    QCOMPARE(scripted->draws, 1);
}

void RandomTest::drawsStayBelowN_data() {
    QTest::addColumn<std::uint32_t>("n");
    QTest::newRow("one") << 1u;
    QTest::newRow("two") << 2u;
    QTest::newRow("twenty-five hotspots") << 25u;
    QTest::newRow("forty cards") << 40u;
    QTest::newRow("largest") << 0xFFFFFFFFu;
}

void RandomTest::drawsStayBelowN() {
    QFETCH(std::uint32_t, n);
    tk::Randomize();
    std::uint32_t highest = 0;
    for (int i = 0; i < 20000; ++i) {
        const std::uint32_t value = tk::Random(n);
        QVERIFY2(value < n, qPrintable(QString::number(value)));
        highest = std::max(highest, value);
    }
    // Small ranges are covered up to their top.
    if (n <= 40)
        QCOMPARE(highest, n - 1);
}

// A chi-square test over 25 buckets; the bound is far out (p < 1e-6), so a sound generator passes.
void RandomTest::drawsAreUniform() {
    tk::Randomize();
    constexpr int kBuckets = 25;
    constexpr int kDraws = 100000;
    std::vector<int> counts(kBuckets);
    for (int i = 0; i < kDraws; ++i)
        ++counts[tk::Random(kBuckets)];
    const double expected = double(kDraws) / kBuckets;
    double chiSquare = 0;
    for (int count : counts)
        chiSquare += (count - expected) * (count - expected) / expected;
    QVERIFY2(chiSquare < 70.0, qPrintable(QString::number(chiSquare)));
}

// With n = 3 * 2^30 a plain "draw % n" over 32 bits would give the lowest third twice the weight of
// the rest (half the draws instead of a third).
void RandomTest::noModuloBiasForLargeN() {
    tk::Randomize();
    constexpr std::uint32_t kN = 3u << 30;
    constexpr int kDraws = 60000;
    int low = 0;
    for (int i = 0; i < kDraws; ++i)
        low += tk::Random(kN) < (1u << 30) ? 1 : 0;
    const double share = double(low) / kDraws;
    QVERIFY2(std::abs(share - 1.0 / 3.0) < 0.02, qPrintable(QString::number(share)));
}

void RandomTest::seedingFromTheClockGivesFreshSequences() {
    const auto sequence = [] {
        tk::Randomize();
        std::vector<std::uint32_t> values;
        for (int i = 0; i < 8; ++i)
            values.push_back(tk::Random(1000000));
        return values;
    };
    QVERIFY(sequence() != sequence());
}

void RandomTest::nullSourceRestoresTheDefault() {
    tk::SetRandomSource(std::make_unique<tk::ScriptedRandom>(std::vector<std::uint32_t>{7}));
    QCOMPARE(tk::Random(100), 7u);
    tk::SetRandomSource(nullptr);
    tk::Randomize();
    std::vector<std::uint32_t> values;
    for (int i = 0; i < 20; ++i)
        values.push_back(tk::Random(1000000));
    QVERIFY(std::count(values.begin(), values.end(), values.front()) < 20);
}

QTEST_GUILESS_MAIN(RandomTest)
#include "random_test.moc"
