// SPDX-License-Identifier: GPL-3.0-or-later
// The memory game's turns, played as a child plays it: the look and the presses it drops everywhere
// in the program, cards without a partner, turns that mix deals, and a look that runs on through a
// new deal, its timer firing inside the deal's message boxes or after the deal.
#include "fire/fire_form.h"
#include "memory_play.h"
#include "support/test_main.h"

#include <QMenu>
#include <QMenuBar>

using namespace std::chrono_literals;
using namespace memory_play;

class MemoryTurnsTest : public QObject, private PictureFolders {
    Q_OBJECT

private slots:
    void initTestCase();
    void init() { ResetTurn(); }
    void clickingTheFaceUpFirstCardAgainDoesNothing();
    void presssesAreDroppedEverywhereDuringTheLook_data();
    void presssesAreDroppedEverywhereDuringTheLook();
    void menusAndDoubleClicksPassDuringTheLook();
    void aCardWithoutAPartnerNeverVanishes();
    void turnsThatMixDeals_data();
    void turnsThatMixDeals();
    void aLookRunsOnThroughANewDeal_data();
    void aLookRunsOnThroughANewDeal();
    void theFilterDropsOnlyLeftPressesAndOnlyDuringTheLook_data();
    void theFilterDropsOnlyLeftPressesAndOnlyDuringTheLook();
};

void MemoryTurnsTest::initTestCase() {
    QVERIFY(root_.isValid());
    // The tree reads each folder once, so every folder a test picks is made before the dialog.
    QVERIFY(testing::WriteJpeg(root_.filePath(QStringLiteral("znak.jpg")), testing::CardPicture(kStartBack)));
    MakeFolder(QStringLiteral("obrazky"), 23, kFolderBack);
    MakeFolder(QStringLiteral("bez obliceju"), 0, kFolderBack);
    QVERIFY(StartTheGame());
}

void MemoryTurnsTest::clickingTheFaceUpFirstCardAgainDoesNothing() {
    testing::Harness harness;
    const Board board = Deal(harness, Folder("obrazky"), PairsSideBySide());
    QVERIFY(testing::Click(board.backs[1]));
    QVERIFY(testing::Click(board.faces[1])); // the face now lies open at that place
    QVERIFY(!board.backs[1]->Visible());
    QCOMPARE(MemoryTurn().OneTurned, std::uint8_t(1));
    QCOMPARE(MemoryTurn().FirstIndex, std::uint8_t(1));
    QCOMPARE(MemoryTurn().Busy, std::uint8_t(0));
    QVERIFY(!Form4->Timer1->Enabled());
}

void MemoryTurnsTest::presssesAreDroppedEverywhereDuringTheLook_data() {
    QTest::addColumn<QString>("where");
    QTest::newRow("another card") << "card";
    QTest::newRow("another window") << "window";
    QTest::newRow("a message box's button") << "box";
    QTest::newRow("the folder dialog's button") << "dialog";
}
// A press made during the look is dropped; the same press after the look gets through.
void MemoryTurnsTest::presssesAreDroppedEverywhereDuringTheLook() {
    QFETCH(QString, where);
    testing::Harness harness;
    const Board board = Deal(harness, Folder("obrazky"), PairsSideBySide());
    OtherWindow other;
    QVERIFY(other.shown);
    QVERIFY(BeginLook(board));
    QCOMPARE(MemoryTurn().Busy, std::uint8_t(1));

    bool droppedDuringLook = false;
    bool passedAfterLook = false;
    if (where == QLatin1String("card")) {
        QVERIFY(testing::Click(board.backs[5]));
        droppedDuringLook = board.backs[5]->Visible();
        harness.Advance(kLookTime);
        QVERIFY(testing::Click(board.backs[5]));
        passedAfterLook = !board.backs[5]->Visible();
    } else if (where == QLatin1String("window")) {
        QVERIFY(testing::Click(other.image));
        droppedDuringLook = other.clicks == 0;
        harness.Advance(kLookTime);
        QVERIFY(testing::Click(other.image));
        passedAfterLook = other.clicks == 1;
    } else if (where == QLatin1String("box")) {
        tk::App().SetDialogs(std::make_unique<ModalBoxes>());
        WhenModal([&] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            // Closed in any case, so that a press dropped after the look fails the test, not hangs it.
            const auto closeAnyway = qScopeGuard([box] {
                if (box != nullptr && box->isVisible())
                    box->done(0);
            });
            QVERIFY(box != nullptr && QTest::qWaitForWindowExposed(box));
            QAbstractButton* ok = box->button(QMessageBox::Ok);
            const QPoint at = ok->mapTo(box, ok->rect().center());
            QTest::mouseClick(box->windowHandle(), Qt::LeftButton, Qt::NoModifier, at);
            droppedDuringLook = box->isVisible();
            harness.Advance(kLookTime); // timers tick inside the box's loop
            QTest::mouseClick(box->windowHandle(), Qt::LeftButton, Qt::NoModifier, at);
            passedAfterLook = !box->isVisible();
        });
        tk::App().ShowMessage(kFailed);
    } else {
        harness.Script(DrawsFor(PairsSideBySide()));
        WhenModal([&] {
            // Refused by its close box in any case, so that a dropped press fails the test, not hangs it.
            const auto closeAnyway = qScopeGuard([] {
                if (Form5->ModalResult() == 0)
                    Form5->windowHandle()->close();
            });
            QVERIFY(QTest::qWaitForWindowExposed(Form5));
            QVERIFY(testing::Click(Form5->Button1));
            droppedDuringLook = Form5->ModalResult() == 0;
            harness.Advance(kLookTime);
            QVERIFY(testing::Click(Form5->Button1));
            passedAfterLook = Form5->ModalResult() == 1;
        });
        Form4->Nov1->Action()->trigger();
        passedAfterLook = passedAfterLook && board.backs[1] != Memory().CardBacks[1];
    }
    QVERIFY(droppedDuringLook);
    QVERIFY(passedAfterLook);
    QCOMPARE(MemoryTurn().Busy, std::uint8_t(0));
    QVERIFY(board.backs[1]->Visible() && board.backs[3]->Visible());
}

// The menu stays usable and the second press of a double click passes, as on the original platform.
void MemoryTurnsTest::menusAndDoubleClicksPassDuringTheLook() {
    testing::Harness harness;
    const Board board = Deal(harness, Folder("obrazky"), PairsSideBySide());
    OtherWindow other;
    QVERIFY(other.shown);
    QVERIFY(BeginLook(board));

    QTest::mouseDClick(other.form.windowHandle(), Qt::LeftButton, Qt::NoModifier,
                       other.image->mapTo(&other.form, QPoint(50, 50)));
    QCOMPARE(other.clicks, 1);
    QTest::mouseClick(Form4->windowHandle(), Qt::LeftButton, Qt::NoModifier,
                      Form4->MenuBar()->actionGeometry(Form4->Hra1->Action()).center());
    QMenu* menu = Form4->Hra1->SubMenu();
    QVERIFY(QTest::qWaitFor([&] { return menu->isVisible(); }));
    menu->close();
    QCOMPARE(MemoryTurn().Busy, std::uint8_t(1));
}

void MemoryTurnsTest::aCardWithoutAPartnerNeverVanishes() {
    testing::Harness harness;
    std::vector<int> numbers = PairsSideBySide();
    numbers[kCards - 1] = 23; // card 40 alone; 20 on card 39 alone
    const Board board = Deal(harness, Folder("obrazky"), numbers);
    for (const int other : {39, 1, 39}) {
        QVERIFY(testing::Click(board.backs[40]));
        QVERIFY(testing::Click(board.backs[other]));
        QCOMPARE(MemoryTurn().Busy, std::uint8_t(1));
        harness.Advance(kLookTime);
        DeleteReleased();
        QVERIFY(!board.backs[40].isNull() && board.backs[40]->Visible());
    }
}

void MemoryTurnsTest::turnsThatMixDeals_data() {
    // Steps: "deal" deals pairs side by side, "deal+1" with every number one higher; "A5" clicks
    // card 5 of the first deal of the row, "B5" of the second; "wait" lets a look end.
    // Expected: each named card "down" (back shown), "up" (back hidden) or "gone" (freed).
    QTest::addColumn<QString>("steps");
    QTest::addColumn<QString>("expected");
    QTest::newRow("open turn ends in a pair on the new board") << "deal A1 deal B2"
                                                               << "A1:up B1:gone B2:gone";
    QTest::newRow("open turn ends unlike on the new board") << "deal A1 deal B3 wait"
                                                            << "A1:up B1:down B3:down";
    QTest::newRow("a pair turned beneath a freed pair") << "deal deal B1 B2 A1 A2"
                                                        << "B1:gone A1:up A2:up";
    QTest::newRow("a card beneath and a new card, unlike") << "deal deal B1 B2 A1 B3 wait"
                                                           << "B1:gone A1:up B3:down";
    QTest::newRow("both indices name one place, a pair") << "deal A5 deal B5"
                                                         << "A5:up B5:gone";
    QTest::newRow("both indices name one place, unlike") << "deal A5 deal+1 B5 wait"
                                                         << "A5:up B5:down";
}
// No control is shown, hidden or freed after it was freed, nor freed twice (run under the sanitizer).
void MemoryTurnsTest::turnsThatMixDeals() {
    QFETCH(QString, steps);
    QFETCH(QString, expected);
    testing::Harness harness;
    std::vector<Board> boards;
    const auto card = [&](const QString& name) -> Board& { return boards.at(name.at(0).unicode() - 'A'); };
    for (const QString& step : steps.split(QLatin1Char(' '))) {
        if (step.startsWith(QLatin1String("deal"))) {
            boards.push_back(Deal(harness, Folder("obrazky"),
                                  PairsSideBySide(step.endsWith(QLatin1String("+1")) ? 1 : 0)));
        } else if (step == QLatin1String("wait")) {
            harness.Advance(kLookTime);
        } else {
            TMujImage* back = card(step).backs.at(step.mid(1).toUInt());
            QVERIFY2(back != nullptr && back->isVisible(), qPrintable(step));
            QVERIFY(testing::Click(back));
        }
        DeleteReleased();
    }
    QStringList got;
    for (const QString& item : expected.split(QLatin1Char(' '))) {
        const QString name = item.section(QLatin1Char(':'), 0, 0);
        const int k = name.mid(1).toInt();
        const Board& board = card(name);
        const bool gone = board.backs.at(k).isNull() && board.faces.at(k).isNull();
        got << name + QLatin1Char(':') +
                   (gone                           ? QStringLiteral("gone")
                    : board.backs.at(k)->Visible() ? QStringLiteral("down")
                                                   : QStringLiteral("up"));
    }
    QCOMPARE(got.join(QLatin1Char(' ')), expected);
    QCOMPARE(MemoryTurn().OneTurned, std::uint8_t(0));
    QCOMPARE(MemoryTurn().Busy, std::uint8_t(0));
    QVERIFY(harness.dialogs->errors.isEmpty());
}

// Board A's look (cards 1 and 3 face up) runs on while "Nová" deals board B. The timer shows the
// backs the tables name when it fires: inside a message box of the deal, card 3 is still A's.
void MemoryTurnsTest::aLookRunsOnThroughANewDeal_data() {
    QTest::addColumn<QString>("folder");
    QTest::addColumn<bool>("tickInABox");
    QTest::addColumn<bool>("a3FaceDown");
    QTest::newRow("Timer1 fires in the deal's first message box") << "bez obliceju" << true << true;
    QTest::newRow("the look ends after the new deal") << "obrazky" << false << false;
}
void MemoryTurnsTest::aLookRunsOnThroughANewDeal() {
    QFETCH(QString, folder);
    QFETCH(bool, tickInABox);
    QFETCH(bool, a3FaceDown);
    testing::Harness harness;
    const Board a = Deal(harness, Folder("obrazky"), PairsSideBySide());
    QVERIFY(BeginLook(a));
    int busyInTheBox = -1;
    SteppingDialogs* dialogs = InstallSteppingDialogs([&] {
        if (tickInABox && busyInTheBox < 0) {
            harness.Advance(kLookTime);
            busyInTheBox = MemoryTurn().Busy;
        }
    });
    harness.Script(DrawsFor(PairsSideBySide()));
    AnswerDialog(Folder(folder), Answer::OkByKey);
    Form4->Nov1->Action()->trigger();
    DeleteReleased();
    const Board b{Memory().CardFaces, Memory().CardBacks};
    QVERIFY(b.backs[kCards] != nullptr && b.backs[1] != a.backs[1]);
    QCOMPARE(QSize(Form4->OuterWidth(), Form4->OuterHeight()), QSize(622, 430));
    if (tickInABox) {
        QCOMPARE(busyInTheBox, 0);
    } else {
        // The deal left the look running: presses on the new board are still dropped.
        QCOMPARE(MemoryTurn().Busy, std::uint8_t(1));
        QVERIFY(testing::Click(b.backs[5]));
        QVERIFY(b.backs[5]->Visible());
        harness.Advance(kLookTime);
    }
    QCOMPARE(MemoryTurn().Busy, std::uint8_t(0));
    QCOMPARE(MemoryTurn().OneTurned, std::uint8_t(0));
    QVERIFY(!Form4->Timer1->Enabled());
    // A1 is no longer in the tables, so it stays face up beneath B1.
    QVERIFY(!a.backs[1]->Visible());
    QCOMPARE(a.backs[3]->Visible(), a3FaceDown);
    QVERIFY(b.backs[1]->Visible() && b.backs[3]->Visible());
    QVERIFY(testing::Click(b.backs[5]));
    QCOMPARE(MemoryTurn().FirstIndex, std::uint8_t(5));
    QVERIFY(dialogs->errors.isEmpty());
}

void MemoryTurnsTest::theFilterDropsOnlyLeftPressesAndOnlyDuringTheLook_data() {
    QTest::addColumn<int>("kind");
    QTest::addColumn<bool>("droppedDuringLook");
    QTest::newRow("left press") << int(tk::Message::LButtonDown) << true;
    QTest::newRow("double click") << int(tk::Message::LButtonDblClk) << false;
    QTest::newRow("left release") << int(tk::Message::LButtonUp) << false;
    QTest::newRow("press on the menu bar") << int(tk::Message::NcLButtonDown) << false;
    QTest::newRow("right press") << int(tk::Message::RButtonDown) << false;
    QTest::newRow("key") << int(tk::Message::KeyDown) << false;
    QTest::newRow("timer tick") << int(tk::Message::Timer) << false;
}
void MemoryTurnsTest::theFilterDropsOnlyLeftPressesAndOnlyDuringTheLook() {
    QFETCH(int, kind);
    QFETCH(bool, droppedDuringLook);
    const tk::Message message{static_cast<tk::Message::Kind>(kind), Form2};
    QVERIFY(!tk::App().Filter(message));
    MemoryTurn().Busy = 1;
    const bool dropped = tk::App().Filter(message);
    MemoryTurn().Busy = 0;
    QCOMPARE(dropped, droppedDuringLook);
}

TK_TEST_MAIN(MemoryTurnsTest)
#include "memory_turns_test.moc"
