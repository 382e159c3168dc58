// SPDX-License-Identifier: GPL-3.0-or-later
// The family game on the memory game's window, played as a family plays it: the deal at start, turns
// that keep or pass, the computer's turns, the end panel and "Hrát znovu", a folder with too few
// pictures, the settings dialog, and play by keyboard and touch.
#include "family/family_window.h"
#include "family/settings_form.h"
#include "memory/memory_play.h"
#include "support/test_main.h"
#include "toolkit/ui/placement.h"

#include <QPointingDevice>
#include <QWindow>

#include <map>

using namespace std::chrono_literals;
using namespace memory_play;
using namespace family;

namespace {

// The cards of the board by picture: every picture on two cards.
std::map<int, std::vector<int>> CardsByPicture() {
    std::map<int, std::vector<int>> byPicture;
    for (std::size_t k = 1; k < Memory().CardBacks.size(); ++k) {
        if (TMujImage* back = LiveCard(Memory().CardBacks, static_cast<std::uint8_t>(k)))
            byPicture[back->PictureNo].push_back(static_cast<int>(k));
    }
    return byPicture;
}

TMujImage* Back(int card) {
    return LiveCard(Memory().CardBacks, static_cast<std::uint8_t>(card));
}

// Two cards of different pictures, face down.
std::pair<int, int> UnlikePair() {
    const auto byPicture = CardsByPicture();
    return {byPicture.begin()->second[0], std::next(byPicture.begin())->second[0]};
}
std::pair<int, int> APair() {
    const auto byPicture = CardsByPicture();
    return {byPicture.begin()->second[0], byPicture.begin()->second[1]};
}

[[nodiscard]] bool Turn(std::pair<int, int> cards) {
    if (!testing::Click(Back(cards.first)) || !testing::Click(Back(cards.second)))
        return false;
    DeleteReleased();
    return true;
}

void Tap(int card) {
    static QPointingDevice* screen = QTest::createTouchDevice();
    QWidget* widget = Back(card);
    const QPoint at = widget->mapTo(Form4, widget->rect().center());
    QTest::touchEvent(Form4->windowHandle(), screen).press(0, at);
    QTest::touchEvent(Form4->windowHandle(), screen).release(0, at);
}

void Key(Qt::Key key) {
    QTest::keyClick(Form4->windowHandle(), key);
}

} // namespace

class FamilyWindowTest : public QObject, private PictureFolders {
    Q_OBJECT

private slots:
    void initTestCase() {
        QVERIFY(root_.isValid() && config_.isValid());
        MakeFolder(QStringLiteral("zvirata"), 23, kFolderBack);
        MakeFolder(QStringLiteral("male"), 5, kFolderBack);
        QVERIFY(QDir::setCurrent(Folder(QStringLiteral("zvirata")))); // the built-in set of this test
        tk::App().CreateForm(Form4);
        tk::App().CreateForm(Form5);
    }
    // The folder dialog makes the folder chosen current; the game starts where pexeso would.
    void init() { QVERIFY(QDir::setCurrent(Folder(QStringLiteral("zvirata")))); }
    void cleanup() {
        delete TheFamilyGame();
        DeleteReleased();
    }

    // With no settings file: one player on 20 large cards, dealt at once, every picture twice; the
    // game ends with "Hotovo!", the turns and the best so far, which the next game remembers.
    void withoutSettingsOnePlayerPlaysTwentyLargeCardsToTheEnd() {
        testing::Harness harness;
        FamilyPexeso* game = Begin(std::nullopt);
        QVERIFY(game != nullptr);
        QCOMPARE(static_cast<int>(Memory().CardBacks.size()) - 1, 20);
        QVERIFY2(game->CardSize() > kCardSizeAtStart, qPrintable(QString::number(game->CardSize())));
        QVERIFY(tk::AvailableArea(Form4).contains(Form4->frameGeometry()));
        // Drawn from pictures decoded for the card's size in device pixels, not stretched up.
        const int device = qRound(game->CardSize() * Form4->devicePixelRatioF());
        QCOMPARE(Back(1)->Picture().size(), QSize(device, device));
        QCOMPARE(LiveCard(Memory().CardFaces, 1)->Picture().size(), QSize(device, device));
        for (const auto& [picture, cards] : CardsByPicture())
            QCOMPARE(cards.size(), std::size_t{2});

        QVERIFY(Turn(UnlikePair()));
        harness.Advance(kLookTime);
        while (!CardsByPicture().empty())
            QVERIFY(Turn(APair()));
        QCOMPARE(game->EndText(), QStringLiteral("Hotovo!"));
        QVERIFY(Showing(QPointer<tk::TPanel>(game->EndPanel())));
        QCOMPARE(game->Game()->Turns(), 11);
        QCOMPARE(LoadSettings(SettingsFile()).best.at(20), 11);

        game->PlayAgainButton()->click();
        DeleteReleased();
        QCOMPARE(CardsByPicture().size(), std::size_t{10});
        QVERIFY(game->EndPanel() == nullptr);
        while (!CardsByPicture().empty())
            QVERIFY(Turn(APair()));
        QCOMPARE(LoadSettings(SettingsFile()).best.at(20), 10);
    }

    // Two players on 12 cards: a pair keeps the turn, a miss passes it after the look; the end names
    // the winner, and "Hrát znovu" deals again with no dialog.
    void twoPlayersTakeTurnsAndTheWinnerIsNamed() {
        testing::Harness harness;
        Settings settings;
        settings.names = {QStringLiteral("Anička"), QStringLiteral("Táta")};
        settings.board = 12;
        FamilyPexeso* game = Begin(settings);
        QVERIFY(game != nullptr);
        QCOMPARE(static_cast<int>(Memory().CardBacks.size()) - 1, 12);
        QCOMPARE(game->TurnLabel()->Caption(), QStringLiteral("Hraje Anička"));

        QVERIFY(Turn(APair()));
        QCOMPARE(game->TurnLabel()->Caption(), QStringLiteral("Hraje Anička"));
        QCOMPARE(game->ScoreText(), QStringLiteral("Anička: 1   Táta: 0"));
        QVERIFY(Turn(UnlikePair()));
        QCOMPARE(game->TurnLabel()->Caption(), QStringLiteral("Hraje Anička")); // during the look
        harness.Advance(kLookTime);
        QCOMPARE(game->TurnLabel()->Caption(), QStringLiteral("Hraje Táta"));
        QVERIFY(Turn(APair()));
        QCOMPARE(game->ScoreText(), QStringLiteral("Anička: 1   Táta: 1"));
        QVERIFY(Turn(UnlikePair()));
        harness.Advance(kLookTime);
        while (!CardsByPicture().empty())
            QVERIFY(Turn(APair()));
        QCOMPARE(game->EndText(), QStringLiteral("Vyhrála Anička! 5 párů"));
        QCOMPARE(harness.dialogs->messages, QStringList{});

        Key(Qt::Key_Return); // the end panel's "Hrát znovu" has the focus
        DeleteReleased();
        QCOMPARE(CardsByPicture().size(), std::size_t{6});
        QCOMPARE(game->ScoreText(), QStringLiteral("Anička: 0   Táta: 0"));
        QVERIFY(!Form5->isVisible());
    }

    // The computer plays its turns by itself, a card every 0.8 s, and a child's presses on the board
    // are dropped meanwhile; the game ends with a winner.
    void aChildPlaysAgainstTheComputer() {
        testing::Harness harness;
        Settings settings;
        settings.names = {QStringLiteral("Ája")};
        settings.computer = true;
        settings.level = Level::Master;
        settings.board = 12;
        FamilyPexeso* game = Begin(settings);
        QVERIFY(game != nullptr);
        QVERIFY(Turn(UnlikePair()));
        harness.Advance(kLookTime);
        QVERIFY(game->ComputerPlaying());
        QCOMPARE(game->TurnLabel()->Caption(), QStringLiteral("Hraje Počítač"));

        // A press on a card while the computer thinks is dropped.
        const int card = CardsByPicture().begin()->second[0];
        QVERIFY(testing::Click(Back(card)));
        QVERIFY(Back(card)->Visible());
        harness.Advance(kComputerPace - 1ms);
        QCOMPARE(MemoryTurn().OneTurned, std::uint8_t(0));
        harness.Advance(1ms);
        QCOMPARE(MemoryTurn().OneTurned, std::uint8_t(1)); // its first card, at 0.8 s

        for (int step = 0; step < 400 && !game->Game()->Over(); ++step) {
            if (!game->ComputerPlaying() && MemoryTurn().Busy == 0)
                QVERIFY(Turn(CardsByPicture().size() > 1 ? UnlikePair() : APair()));
            harness.Advance(100ms);
            DeleteReleased();
        }
        QVERIFY(game->Game()->Over());
        QVERIFY(game->Game()->Players()[1].pairs > 0);
        QVERIFY(game->EndText().startsWith(QStringLiteral("Vyhrál")));
    }

    // A folder with fewer pictures than the board needs: a message with both numbers, and the board
    // stays as it was.
    void aFolderWithTooFewPicturesLeavesTheBoard() {
        testing::Harness harness;
        FamilyPexeso* game = Begin(std::nullopt);
        QVERIFY(game != nullptr);
        const auto before = CardsByPicture();
        AnswerDialog(Folder(QStringLiteral("male")));
        Form4->Nov1->Action()->trigger();
        DeleteReleased();
        QCOMPARE(
            harness.dialogs->messages,
            QStringList{QStringLiteral("Ve složce je jen 5 obrázků, hra na 20 karet jich potřebuje 10.")});
        QCOMPARE(CardsByPicture(), before);
        QCOMPARE(game->Folder(), Folder(QStringLiteral("zvirata")));
    }

    // "Nastavení": the dialog's choice is kept in the file and deals the new board; "klasická hra"
    // gives the classic window back.
    void theSettingsDialogChangesTheGame() {
        testing::Harness harness;
        FamilyPexeso* game = Begin(std::nullopt);
        QVERIFY(game != nullptr);
        WhenModal([game] {
            TSettingsForm* form = game->SettingsForm();
            // Refused if the test stops on the way, so that a failure does not hang it.
            const auto closeAnyway = qScopeGuard([form] {
                if (form->ModalResult() == 0)
                    form->SetModalResult(2);
            });
            QVERIFY(form->InModalShow());
            testing::Shoot(form, QStringLiteral("pexeso-settings"));
            QVERIFY(!form->Names[1]->Enabled()); // a name box for each player who plays
            QTest::mouseClick(form->PlayerCount->ItemButton(1), Qt::LeftButton);
            QVERIFY(form->Names[1]->Enabled() && !form->Names[2]->Enabled());
            form->Names[1]->SetText(QStringLiteral("Děda"));
            form->Board->SetItemIndex(0);
            form->Ok->click();
        });
        Form4->Nastaven1->Action()->trigger();
        DeleteReleased();
        QCOMPARE(CardsByPicture().size(), std::size_t{6});
        QCOMPARE(game->ScoreText(), QStringLiteral("Hráč 1: 0   Děda: 0"));
        const Settings saved = LoadSettings(SettingsFile());
        QCOMPARE(saved.names, (QStringList{QStringLiteral("Hráč 1"), QStringLiteral("Děda")}));
        QCOMPARE(saved.board, 12);

        WhenModal([game] {
            game->SettingsForm()->Board->SetItemIndex(4);
            game->SettingsForm()->Ok->click();
        });
        Form4->Nastaven1->Action()->trigger();
        DeleteReleased();
        QVERIFY(CardsByPicture().empty());
        QCOMPARE(Form4->OuterWidth(), 784);
        QCOMPARE(LoadSettings(SettingsFile()).board, kClassicBoard);
    }

    // Under "klasická hra" the window is the classic one: nothing dealt at start, "Nová" deals 40;
    // the keys work there as well.
    void klasickaHraIsTheClassicWindow() {
        testing::Harness harness;
        Settings settings;
        settings.board = kClassicBoard;
        FamilyPexeso* game = Begin(settings);
        QVERIFY(game != nullptr);
        QVERIFY(game->Game() == nullptr);
        QVERIFY(CardsByPicture().empty());
        harness.Script(DrawsFor(PairsSideBySide()));
        AnswerDialog(Folder(QStringLiteral("zvirata")));
        Form4->Nov1->Action()->trigger();
        DeleteReleased();
        QCOMPARE(Memory().CardBacks.size(), std::size_t{41});
        QCOMPARE(Memory().CardSize, kCardSizeAtStart);
        // The keyboard plays the classic board too.
        Key(Qt::Key_Right);
        Key(Qt::Key_Right);
        Key(Qt::Key_Down);
        QCOMPARE(game->FramedCard(), 10);
        Key(Qt::Key_Space);
        QVERIFY(!Back(10)->Visible());
    }

    // The keyboard: the first arrow shows the frame, arrows move it past the gaps, Space and Enter
    // turn the framed card as a click does (dropped during the look), a mouse press takes the frame
    // away; Ctrl+N is "Nová".
    void theKeyboardPlaysThroughAFrame() {
        testing::Harness harness;
        harness.Script(std::vector<std::uint32_t>(64, 0)); // pairs side by side: 1 1 2 2 / 3 3 4 4 / 5 5 6 6
        Settings settings;
        settings.board = 12;
        FamilyPexeso* game = Begin(settings);
        QVERIFY(game != nullptr);
        QVERIFY(game->Frame() == nullptr);
        Key(Qt::Key_Right);
        QCOMPARE(game->FramedCard(), 1);
        QVERIFY(Showing(QPointer<tk::TShape>(game->Frame())));
        Key(Qt::Key_Right);
        Key(Qt::Key_Down);
        QCOMPARE(game->FramedCard(), 6);
        Key(Qt::Key_Space);
        QVERIFY(!Back(6)->Visible());
        QVERIFY(testing::Click(Back(5))); // its partner, by mouse: the pair goes, and so does the frame
        DeleteReleased();
        QVERIFY(Back(6) == nullptr && game->Frame() == nullptr);

        Key(Qt::Key_Down);
        QCOMPARE(game->FramedCard(), 1);
        Key(Qt::Key_Right);
        Key(Qt::Key_Down); // over the gap at 6
        QCOMPARE(game->FramedCard(), 10);
        Key(Qt::Key_Return);
        QVERIFY(!Back(10)->Visible());
        Key(Qt::Key_Up); // over the gap again
        QCOMPARE(game->FramedCard(), 2);
        Key(Qt::Key_Space);
        QCOMPARE(MemoryTurn().Busy, std::uint8_t(1));
        Key(Qt::Key_Left); // keys pass during the look; the turn they ask for is dropped
        QCOMPARE(game->FramedCard(), 1);
        Key(Qt::Key_Return);
        QVERIFY(Back(1)->Visible());
        harness.Advance(kLookTime);
        QVERIFY(Back(1)->Visible() && Back(2)->Visible() && Back(10)->Visible());

        Form4->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(Form4));
        bool asked = false;
        QTimer closer; // answers the folder dialog whenever it opens
        closer.setInterval(10);
        connect(&closer, &QTimer::timeout, [&asked] {
            if (Form5->InModalShow()) {
                asked = true;
                Form5->windowHandle()->close();
            }
        });
        closer.start();
        QTest::keyClick(Form4->windowHandle(), Qt::Key_N, Qt::ControlModifier);
        QTRY_VERIFY_WITH_TIMEOUT(asked, 5000);
    }

    // A tap turns a card as a click does; a tap during the look is dropped.
    void aTapTurnsACardAndIsDroppedDuringTheLook() {
        testing::Harness harness;
        Settings settings;
        settings.board = 12;
        QVERIFY(Begin(settings) != nullptr);
        const std::pair<int, int> unlike = UnlikePair();
        Tap(unlike.first);
        QVERIFY(!Back(unlike.first)->Visible());
        Tap(unlike.second);
        QCOMPARE(MemoryTurn().Busy, std::uint8_t(1));
        const int other =
            APair().first == unlike.first || APair().first == unlike.second ? APair().second : APair().first;
        Tap(other);
        QVERIFY(Back(other)->Visible());
        harness.Advance(kLookTime);
        Tap(other);
        QVERIFY(!Back(other)->Visible());
    }

private:
    QString SettingsFile() const { return config_.filePath(QStringLiteral("pexeso.ini")); }

    // The family game attached anew with these settings (or no file at all), as pexeso starts it.
    FamilyPexeso* Begin(const std::optional<Settings>& settings) {
        QFile::remove(SettingsFile());
        if (settings)
            SaveSettings(SettingsFile(), *settings);
        FamilyPexeso* game = AttachFamilyGame(SettingsFile());
        if (!testing::ShowAndExpose(Form4))
            return nullptr;
        game->Start();
        DeleteReleased();
        return game;
    }

    QTemporaryDir config_;
};

TK_TEST_MAIN(FamilyWindowTest)
#include "family_window_test.moc"
