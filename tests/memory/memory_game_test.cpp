// SPDX-License-Identifier: GPL-3.0-or-later
// The memory game's deal, played as a child plays it: "Nová" through the real picture folder dialog,
// cards clicked through the window system, the look timed in virtual time. Covers the places, the
// two-card rule, which files are read and what a failing one gives, the first turns on a board, and
// how "Konec" ends the program. The turns across looks and deals are in memory_turns_test.cpp.
#include "fire/fire_form.h"
#include "memory_play.h"
#include "support/test_main.h"
#include "toolkit/text/files.h"
#include "toolkit/ui/directory_outline.h"

#include <QFile>

#include <algorithm>
#include <map>
#include <random>
#include <set>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace std::chrono_literals;
using namespace memory_play;

namespace {

bool Near(const QColor& got, const QColor& want) {
    return std::abs(got.red() - want.red()) < 24 && std::abs(got.green() - want.green()) < 24 &&
           std::abs(got.blue() - want.blue()) < 24;
}
// A fixture's colour, away from the number written in its middle.
QColor ColourOf(const tk::TImage* image) {
    const QImage& picture = image->Picture();
    return picture.isNull() ? QColor() : picture.pixelColor(picture.width() / 8, picture.height() / 8);
}

// Records every draw's bound, drawing from a seeded generator.
class RecordingRandom : public tk::RandomSource {
public:
    explicit RecordingRandom(std::vector<std::uint32_t>& bounds) : bounds_(bounds), engine_(20261208) {}
    void Randomize() override {}
    std::uint32_t Random(std::uint32_t n) override {
        bounds_.push_back(n);
        return std::uniform_int_distribution<std::uint32_t>(0, n - 1)(engine_);
    }

private:
    std::vector<std::uint32_t>& bounds_;
    std::mt19937 engine_;
};

} // namespace

class MemoryGameTest : public QObject, private PictureFolders {
    Q_OBJECT

private slots:
    void initTestCase();
    void init() { ResetTurn(); }
    void refusingTheDialogChangesNothing_data();
    void refusingTheDialogChangesNothing();
    void cardsLieInReadingOrderBacksOnTop_data();
    void cardsLieInReadingOrderBacksOnTop();
    void drawsFollowTheTwoCardRule_data();
    void drawsFollowTheTwoCardRule();
    void manyDealsUseEveryNumberAtMostTwice();
    void picturesComeFromTheChosenFolderByPlainNumber();
    void everyFailedPictureGivesOneMessage_data();
    void everyFailedPictureGivesOneMessage();
    void eachMessageIsClosedBeforeTheDealGoesOn_data();
    void eachMessageIsClosedBeforeTheDealGoesOn();
    void aPairVanishesAtItsSecondClick();
    void anUnlikePairIsLookedAtForTwoSeconds();
    void konecEndsTheProgramWhileTheFireWindowIsOpen();
};

void MemoryGameTest::initTestCase() {
    QVERIFY(root_.isValid());
    // The tree reads each folder once, so every folder a test picks is made before the dialog.
    QVERIFY(testing::WriteJpeg(root_.filePath(QStringLiteral("znak.jpg")), testing::CardPicture(kStartBack)));
    MakeFolder(QStringLiteral("obrazky"), 23, kFolderBack);
    for (const char* decoy : {"07.jpg", "0.jpg", "24.jpg"})
        QVERIFY(testing::WriteJpeg(QDir(Folder("obrazky")).filePath(QLatin1String(decoy)),
                                   testing::CardPicture(kDecoy)));
    MakeFolder(QStringLiteral("bez obliceju"), 0, kFolderBack);
    MakeFolder(QStringLiteral("prazdna"), 0, QColor());
    MakeFolder(QStringLiteral("nuly"), 0, kFolderBack);
    for (int number = 1; number <= 23; ++number)
        QVERIFY(testing::WriteJpeg(
            QDir(Folder("nuly")).filePath(QStringLiteral("%1.jpg").arg(number, 2, 10, QLatin1Char('0'))),
            testing::CardPicture(FaceColour(number))));
    // Hostile files where 7.jpg should be.
    for (const char* name : {"nula bajtu", "png", "slozka", "roura"}) {
        MakeFolder(QLatin1String(name), 23, kFolderBack);
        QVERIFY(QFile::remove(QDir(Folder(name)).filePath(QStringLiteral("7.jpg"))));
    }
    const auto seven = [&](const char* folder) {
        return QDir(Folder(folder)).filePath(QStringLiteral("7.jpg"));
    };
    QFile empty(seven("nula bajtu"));
    QVERIFY(empty.open(QIODevice::WriteOnly));
    empty.close();
    QVERIFY(testing::CardPicture(FaceColour(7)).save(seven("png"), "PNG"));
    QVERIFY(QDir().mkpath(seven("slozka")));
    QCOMPARE(mkfifo(QFile::encodeName(seven("roura")).constData(), 0600), 0);
    // The built-in card set, for the pictures a person looks at.
    QVERIFY(QDir(root_.path()).mkpath(QStringLiteral("karty")));
    for (const QString& name : QDir(QStringLiteral(CARD_PICTURES_DIR)).entryList({QStringLiteral("*.jpg")}))
        QVERIFY(QFile::copy(QDir(QStringLiteral(CARD_PICTURES_DIR)).filePath(name),
                            QDir(Folder("karty")).filePath(name)));

    QVERIFY(StartTheGame());
}

void MemoryGameTest::refusingTheDialogChangesNothing_data() {
    QTest::addColumn<bool>("dealFirst");
    QTest::addColumn<QSize>("outer");
    // Rows in this order: the first is the game's first "Nová".
    QTest::newRow("first Nová refused: layout size, no cards") << false << QSize(784, 551);
    QTest::newRow("refused after a deal: the board stays") << true << QSize(622, 430);
}
void MemoryGameTest::refusingTheDialogChangesNothing() {
    QFETCH(bool, dealFirst);
    QFETCH(QSize, outer);
    testing::Harness harness;
    if (dealFirst)
        Deal(harness, Folder("obrazky"), PairsSideBySide());
    const auto cards = Form4->findChildren<tk::TImage*>().size();
    const std::size_t tableLength = Memory().CardBacks.size();
    // A whole deal's draws, so that a deal which ignored the refusal would end, and fail below.
    harness.Script(DrawsFor(PairsSideBySide()));
    AnswerDialog(Folder("bez obliceju"), Answer::CloseBox);
    Form4->Nov1->Action()->trigger();
    QCOMPARE(QSize(Form4->OuterWidth(), Form4->OuterHeight()), outer);
    QCOMPARE(Form4->findChildren<tk::TImage*>().size(), cards);
    QCOMPARE(Memory().CardBacks.size(), tableLength);
    QCOMPARE(harness.random->draws, 0);
    QCOMPARE(harness.random->seedings, 0);
    // The folder picked before the close box is the current directory all the same.
    QCOMPARE(tk::GetCurrentDir(), Folder("bez obliceju"));
    QVERIFY(harness.dialogs->messages.isEmpty());
}

void MemoryGameTest::cardsLieInReadingOrderBacksOnTop_data() {
    QTest::addColumn<int>("card");
    QTest::addColumn<QPoint>("at");
    QTest::newRow("card 1, top left") << 1 << QPoint(2, 2);
    QTest::newRow("card 8, top right") << 8 << QPoint(520, 2);
    QTest::newRow("card 33, bottom left") << 33 << QPoint(2, 298);
    QTest::newRow("card 40, bottom right") << 40 << QPoint(520, 298);
}
void MemoryGameTest::cardsLieInReadingOrderBacksOnTop() {
    QFETCH(int, card);
    QFETCH(QPoint, at);
    testing::Harness harness;
    const Board board = Deal(harness, Folder("karty"), PairsSideBySide());
    QCOMPARE(harness.random->seedings, 1);
    QCOMPARE(QSize(Form4->OuterWidth(), Form4->OuterHeight()), QSize(622, 430));
    QCOMPARE(board.backs.size(), std::size_t{kCards + 1});
    QVERIFY(board.backs[0].isNull() && board.faces[0].isNull());
    TMujImage* back = board.backs[card];
    tk::TImage* face = board.faces[card];
    QCOMPARE(QRect(face->Left(), face->Top(), face->Width(), face->Height()), QRect(at, QSize(70, 70)));
    QCOMPARE(QRect(back->Left(), back->Top(), back->Width(), back->Height()), QRect(at, QSize(70, 70)));
    QVERIFY(face->Stretch() && back->Stretch());
    QCOMPARE(int(back->CardIndex), card);
    QCOMPARE(int(back->PictureNo), (card + 1) / 2);
    QCOMPARE(Form4->ClientWidget()->childAt(at + QPoint(35, 35)), static_cast<QWidget*>(back));
    testing::Shoot(Form4, QStringLiteral("pexeso_dealt"));
}

void MemoryGameTest::drawsFollowTheTwoCardRule_data() {
    QTest::addColumn<std::vector<std::uint32_t>>("script");
    QTest::addColumn<std::vector<int>>("numbers");
    QTest::newRow("a number is one more than a draw below 23")
        << std::vector<std::uint32_t>{0, 22, 5} << std::vector<int>{1, 23, 6};
    QTest::newRow("a third copy is drawn again")
        << std::vector<std::uint32_t>{4, 4, 4, 9} << std::vector<int>{5, 5, 10};
    // Card 5 draws 2 (twice already), then 1: the scan must look at cards 1 and 2 again.
    QTest::newRow("after a redraw the count starts again at the first card")
        << std::vector<std::uint32_t>{0, 0, 1, 1, 1, 0, 2} << std::vector<int>{1, 1, 2, 2, 3};
}
void MemoryGameTest::drawsFollowTheTwoCardRule() {
    QFETCH(std::vector<std::uint32_t>, script);
    QFETCH(std::vector<int>, numbers);
    testing::Harness harness;
    // Then every number twice, so the rest of the deal can always be drawn.
    for (int round = 0; round < 2; ++round)
        for (std::uint32_t draw = 0; draw < PictureBound - 1; ++draw)
            script.push_back(draw);
    harness.Script(script);
    const std::vector<std::uint8_t> drawn = DrawPictureNumbers();
    QCOMPARE(drawn.size(), std::size_t{kCards});
    QCOMPARE(std::vector<int>(drawn.begin(), drawn.begin() + static_cast<long>(numbers.size())), numbers);
}

void MemoryGameTest::manyDealsUseEveryNumberAtMostTwice() {
    std::vector<std::uint32_t> bounds;
    tk::SetRandomSource(std::make_unique<RecordingRandom>(bounds));
    std::set<int> seen;
    for (int deal = 0; deal < 500; ++deal) {
        std::map<int, int> count;
        for (const std::uint8_t number : DrawPictureNumbers()) {
            ++count[number];
            seen.insert(number);
        }
        for (const auto& [number, cards] : count) {
            QVERIFY2(cards <= 2,
                     qPrintable(QStringLiteral("deal %1: %2 on %3 cards").arg(deal).arg(number).arg(cards)));
        }
        // 20 to 23 numbers, so 0 to 6 cards without a partner.
        QVERIFY(count.size() >= 20 && count.size() <= 23);
    }
    tk::SetRandomSource(nullptr);
    QCOMPARE(seen, (std::set<int>{1,  2,  3,  4,  5,  6,  7,  8,  9,  10, 11, 12,
                                  13, 14, 15, 16, 17, 18, 19, 20, 21, 22, 23}));
    QVERIFY(std::all_of(bounds.begin(), bounds.end(), [](std::uint32_t n) { return n == PictureBound - 1; }));
}

// Faces by their plain number from the chosen folder (never 07.jpg, 0.jpg or 24.jpg), and the back
// from the folder the dialog made current, not from where the program started.
void MemoryGameTest::picturesComeFromTheChosenFolderByPlainNumber() {
    testing::Harness harness;
    std::vector<int> numbers = PairsSideBySide(3); // 4 to 23
    numbers[0] = numbers[1] = 1;
    const Board board = Deal(harness, Folder("obrazky"), numbers);
    QVERIFY(harness.dialogs->messages.isEmpty());
    QCOMPARE(tk::GetCurrentDir(), Folder("obrazky"));
    for (int k = 1; k <= kCards; ++k) {
        QVERIFY2(Near(ColourOf(board.faces[k]), FaceColour(board.backs[k]->PictureNo)),
                 qPrintable(QString::number(k)));
        QVERIFY(Near(ColourOf(board.backs[k]), kFolderBack));
    }
}

void MemoryGameTest::everyFailedPictureGivesOneMessage_data() {
    QTest::addColumn<QString>("folder");
    QTest::addColumn<int>("messages");
    QTest::newRow("all pictures there") << "obrazky" << 0;
    QTest::newRow("no faces") << "bez obliceju" << 40;
    QTest::newRow("no faces and no znak.jpg") << "prazdna" << 80;
    QTest::newRow("faces named with leading zeros") << "nuly" << 18; // 01.jpg to 09.jpg: 18 cards
    // 7 lies on cards 13 and 14.
    QTest::newRow("7.jpg of zero bytes") << "nula bajtu" << 2;
    QTest::newRow("7.jpg holding a PNG") << "png" << 2;
    QTest::newRow("7.jpg a folder") << "slozka" << 2;
    QTest::newRow("7.jpg a named pipe") << "roura" << 2;
}
void MemoryGameTest::everyFailedPictureGivesOneMessage() {
    QFETCH(QString, folder);
    QFETCH(int, messages);
    testing::Harness harness;
    const Board board = Deal(harness, Folder(folder), PairsSideBySide());
    QCOMPARE(harness.dialogs->messages, QStringList(messages, kFailed));
    QVERIFY(harness.dialogs->errors.isEmpty());
    // The deal went on to its end; a failed picture leaves its card blank.
    QCOMPARE(QSize(Form4->OuterWidth(), Form4->OuterHeight()), QSize(622, 430));
    QCOMPARE(board.backs[kCards]->CardIndex, std::uint8_t(kCards));
    QCOMPARE(board.faces[13]->Picture().isNull(), messages > 0);
    QCOMPARE(board.faces[12]->Picture().isNull(), messages >= 18);
}

// cards: how many cards of the deal lie on the window when each message box is shown.
void MemoryGameTest::eachMessageIsClosedBeforeTheDealGoesOn_data() {
    QTest::addColumn<QString>("folder");
    QTest::addColumn<QString>("cards");
    QStringList backAndFace;
    QStringList faces;
    for (int k = 1; k <= kCards; ++k) {
        backAndFace << QString::number(k) << QString::number(k);
        faces << QString::number(k);
    }
    QTest::newRow("no znak.jpg: the back's message, then the face's") << "prazdna" << backAndFace.join(' ');
    QTest::newRow("no faces: one message per card") << "bez obliceju" << faces.join(' ');
    QTest::newRow("7.jpg of zero bytes: cards 13 and 14") << "nula bajtu"
                                                          << "13 14";
}
void MemoryGameTest::eachMessageIsClosedBeforeTheDealGoesOn() {
    QFETCH(QString, folder);
    QFETCH(QString, cards);
    testing::Harness harness;
    const int before = CardsOnTheWindow();
    QStringList seen;
    InstallSteppingDialogs([&] { seen << QString::number(CardsOnTheWindow() - before); });
    Deal(harness, Folder(folder), PairsSideBySide());
    QCOMPARE(seen.join(' '), cards);
}

void MemoryGameTest::aPairVanishesAtItsSecondClick() {
    testing::Harness harness;
    const Board board = Deal(harness, Folder("karty"), PairsSideBySide());
    for (int pair = 0; pair < 3; ++pair) {
        const int first = 2 * pair + 1;
        QVERIFY(testing::Click(board.backs[first]));
        QVERIFY(testing::Click(board.backs[first + 1]));
        // Gone at that click: off the window, whether or not the event loop has freed them yet.
        for (int k : {first, first + 1})
            QVERIFY(!Showing(board.backs[k]) && !Showing(board.faces[k]));
        QCOMPARE(MemoryTurn().OneTurned, std::uint8_t(0));
        QVERIFY(!Form4->Timer1->Enabled());
        DeleteReleased();
        for (int k : {first, first + 1})
            QVERIFY(board.backs[k].isNull() && board.faces[k].isNull());
    }
    QVERIFY(testing::Click(board.backs[9]));
    QCOMPARE(MemoryTurn().OneTurned, std::uint8_t(1));
    QCOMPARE(MemoryTurn().FirstIndex, std::uint8_t(9));
    testing::Shoot(Form4, QStringLiteral("pexeso_three_pairs_gone"));
}

void MemoryGameTest::anUnlikePairIsLookedAtForTwoSeconds() {
    testing::Harness harness;
    const Board board = Deal(harness, Folder("karty"), PairsSideBySide());
    QVERIFY(testing::Click(board.backs[1]));
    QVERIFY(testing::Click(board.backs[3]));
    testing::Shoot(Form4, QStringLiteral("pexeso_look"));
    QCOMPARE(MemoryTurn().Busy, std::uint8_t(1));
    harness.Advance(kLookTime - 1ms);
    QVERIFY(testing::Click(board.backs[5]));
    board.backs[5]->ImageClick(); // a click that still reaches a card is refused too
    QVERIFY(!board.backs[1]->Visible() && !board.backs[3]->Visible() && board.backs[5]->Visible());
    QCOMPARE(MemoryTurn().SecondIndex, std::uint8_t(3));
    harness.Advance(1ms);
    QVERIFY(board.backs[1]->Visible() && board.backs[3]->Visible());
    QCOMPARE(MemoryTurn().Busy, std::uint8_t(0));
    QCOMPARE(MemoryTurn().OneTurned, std::uint8_t(0));
    QVERIFY(!Form4->Timer1->Enabled());
    QVERIFY(testing::Click(board.backs[5]));
    QCOMPARE(MemoryTurn().FirstIndex, std::uint8_t(5));
    QVERIFY(!board.backs[5]->Visible());
}

// Halt from the memory game's menu: exit code 0 at once, no window asked to close.
void MemoryGameTest::konecEndsTheProgramWhileTheFireWindowIsOpen() {
    int pipeEnds[2];
    QCOMPARE(pipe(pipeEnds), 0);
    const pid_t child = fork();
    if (child == 0) {
        dup2(pipeEnds[1], STDOUT_FILENO);
        Form2->Show();
        for (tk::TForm* form : {static_cast<tk::TForm*>(Form2), static_cast<tk::TForm*>(Form4)}) {
            const tk::Handler close = form->OnClose;
            form->OnClose = [close] {
                std::fputs("closed", stdout);
                if (close)
                    close();
            };
        }
        std::fputs("running", stdout);
        Form4->Konec1->Action()->trigger();
        std::fputs(" after Konec", stdout);
        std::fflush(stdout);
        std::_Exit(3);
    }
    close(pipeEnds[1]);
    int status = 0;
    QCOMPARE(waitpid(child, &status, 0), child);
    QByteArray output;
    char buffer[256];
    for (ssize_t got; (got = read(pipeEnds[0], buffer, sizeof buffer)) > 0;)
        output.append(buffer, static_cast<qsizetype>(got));
    close(pipeEnds[0]);
    QVERIFY(WIFEXITED(status));
    QCOMPARE(WEXITSTATUS(status), 0);
    // The test log's warnings go to the same output; only our own words matter.
    QVERIFY2(output.contains("running") && !output.contains("closed") && !output.contains("after Konec"),
             output.constData());
}

TK_TEST_MAIN(MemoryGameTest)
#include "memory_game_test.moc"
