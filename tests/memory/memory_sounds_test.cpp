// SPDX-License-Identifier: GPL-3.0-or-later
// Which sound each turn of a card plays, and that every other event plays none: a card turned
// flips, a pair found chimes, an unlike pair whooshes as it turns back after its look.
#include "memory/card_image.h"
#include "memory/memory_form.h"
#include "memory/memory_state.h"
#include "support/recording_sound.h"
#include "support/test_main.h"
#include "support/test_support.h"

#include <QTest>

#include <memory>

using namespace std::chrono_literals;

namespace {

// The memory game window with four cards dealt by hand: 1 and 2 a pair, 3 and 4 another.
struct Table {
    Table() {
        form = std::make_unique<TForm4>();
        Form4 = form.get();
        MemoryModule& memory = Memory();
        memory.CardFaces.assign(5, nullptr);
        memory.CardBacks.assign(5, nullptr);
        for (std::uint8_t k = 1; k <= 4; ++k) {
            memory.CardFaces[k] = new tk::TImage(form.get());
            auto* back = new TMujImage(form.get());
            back->SetBounds(k * 80, 10, 70, 70);
            back->PictureNo = static_cast<std::uint8_t>((k + 1) / 2);
            back->CardIndex = k;
            memory.CardBacks[k] = back;
        }
        shown = testing::ShowAndExpose(form.get());
    }
    ~Table() {
        tk::App().SetMessageFilter(nullptr); // the form's filter goes with the form
        MemoryTurn() = {};
        Form4 = nullptr;
    }
    // "c<k>" clicks card k; "look" lets the look at an unlike pair run out, "almost" all but 1 ms
    // of it.
    void Step(const QString& step) {
        if (step.startsWith(QLatin1Char('c'))) {
            TMujImage* card = LiveCard(Memory().CardBacks, static_cast<std::uint8_t>(step.mid(1).toInt()));
            QVERIFY(card != nullptr);
            card->ImageClick();
        } else if (step == QLatin1String("look")) {
            harness.Advance(kLookTime);
        } else if (step == QLatin1String("almost")) {
            harness.Advance(kLookTime - 1ms);
        } else {
            QFAIL(qPrintable(QStringLiteral("unknown step ") + step));
        }
    }

    testing::Harness harness; // before the form, so its timer runs on the virtual clock
    std::unique_ptr<TForm4> form;
    bool shown = false;
};

} // namespace

class MemorySoundsTest : public QObject {
    Q_OBJECT

private slots:
    void eachEventPlaysItsSound_data();
    void eachEventPlaysItsSound();
};

void MemorySoundsTest::eachEventPlaysItsSound_data() {
    QTest::addColumn<QString>("before");
    QTest::addColumn<QString>("event");
    QTest::addColumn<QStringList>("heard");
    const QStringList none;
    QTest::newRow("the first card of a turn") << ""
                                              << "c1" << QStringList{"flip"};
    // The pair leaves the board at this click: its chime says so, with no flip before it.
    QTest::newRow("the second card makes a pair") << "c1"
                                                  << "c2" << QStringList{"chime"};
    QTest::newRow("the second card differs") << "c1"
                                             << "c3" << QStringList{"flip"};
    QTest::newRow("the look runs") << "c1 c3"
                                   << "almost" << none;
    QTest::newRow("the look ends: both turn back") << "c1 c3"
                                                   << "look" << QStringList{"whoosh"};
    QTest::newRow("a card pressed during the look") << "c1 c3"
                                                    << "c4" << none;
    QTest::newRow("the first card of the next turn") << "c1 c3 look"
                                                     << "c4" << QStringList{"flip"};
}

void MemorySoundsTest::eachEventPlaysItsSound() {
    QFETCH(QString, before);
    QFETCH(QString, event);
    QFETCH(QStringList, heard);
    Table table;
    QVERIFY(table.shown);
    testing::RecordingSound sound;
    for (const QString& step : before.split(QLatin1Char(' '), Qt::SkipEmptyParts))
        table.Step(step);
    sound.played.clear();
    table.Step(event);
    QCOMPARE(sound.played, heard);
}

TK_TEST_MAIN(MemorySoundsTest)
#include "memory_sounds_test.moc"
