// The memory game, played as a child plays it: "Nová" through the real picture folder dialog, cards
// clicked through the window system, the look timed in virtual time. Covers the deal (places, the
// two-card rule, which files are read and what a failing one gives) and the turns (pairs, the look
// and the presses it drops, turns across deals) and how "Konec" ends the program.
#include "app/startup.h"
#include "fire/fire_form.h"
#include "memory/card_image.h"
#include "memory/folder_form.h"
#include "memory/memory_form.h"
#include "support/jpeg_fixture.h"
#include "support/test_main.h"
#include "support/test_support.h"
#include "toolkit/text/files.h"
#include "toolkit/ui/directory_outline.h"

#include <QAction>
#include <QFile>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QTimer>
#include <QWindow>
#include <QtTest>

#include <algorithm>
#include <map>
#include <random>
#include <set>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace std::chrono_literals;

namespace {

constexpr int kCards = BoardRows * BoardColumns;
const QString kFailed = QStringLiteral("Nepodařilo se načíst obrázky. ");

// Each face file of the fixtures has a colour of its own; the backs are greys.
QColor FaceColour(int number) {
    return QColor::fromHsv(number * 15 % 360, 230, 230);
}
const QColor kStartBack(60, 60, 60);
const QColor kFolderBack(170, 170, 170);
const QColor kDecoy(0, 0, 0); // 07.jpg, 0.jpg and 24.jpg: never read

// The draws that give a deal as a row of picture numbers (none needs a redraw).
std::vector<std::uint32_t> DrawsFor(const std::vector<int>& numbers) {
    std::vector<std::uint32_t> draws;
    for (const int number : numbers)
        draws.push_back(static_cast<std::uint32_t>(number - 1));
    return draws;
}
// Cards 2k-1 and 2k show k + shift: pairs side by side, twenty of them.
std::vector<int> PairsSideBySide(int shift = 0) {
    std::vector<int> numbers;
    for (int k = 1; k <= kCards; ++k)
        numbers.push_back((k + 1) / 2 + shift);
    return numbers;
}

bool Near(const QColor& got, const QColor& want) {
    return std::abs(got.red() - want.red()) < 24 && std::abs(got.green() - want.green()) < 24 &&
           std::abs(got.blue() - want.blue()) < 24;
}
// A fixture's colour, away from the number written in its middle.
QColor ColourOf(const tk::TImage* image) {
    const QImage& picture = image->Picture();
    return picture.isNull() ? QColor() : picture.pixelColor(picture.width() / 8, picture.height() / 8);
}

template <typename Control> bool Showing(const QPointer<Control>& control) {
    return control != nullptr && control->isVisible();
}

void DeleteReleased() {
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

// Runs an action inside the modal loop that is about to start.
void WhenModal(std::function<void()> action) {
    QTimer::singleShot(0, qApp, std::move(action));
}

// Answers the folder dialog that "Nová" opens as the player would: selects the folder in its tree
// and presses "OK", or closes the window by its close box.
void AnswerDialog(const QString& folder, bool confirm = true) {
    WhenModal([folder, confirm] {
        QVERIFY(Form5->InModalShow());
        Form5->DirectoryOutline1->SetDirectory(folder);
        if (!confirm) {
            Form5->windowHandle()->close();
            return;
        }
        QVERIFY(QTest::qWaitForWindowExposed(Form5));
        testing::Click(Form5->Button1);
    });
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

// Message boxes that run a real modal loop, so that presses on their button go through the filter.
class ModalBoxes : public tk::Dialogs {
public:
    void ShowMessage(const QString& text, const QString& title) override {
        QMessageBox box(QMessageBox::NoIcon, title, text, QMessageBox::Ok);
        box.exec();
    }
    void ShowError(const QString& text, const QString& title) override { ShowMessage(text, title); }
};

// The cards of one deal, kept after later deals take over the tables.
struct Board {
    std::vector<QPointer<tk::TImage>> faces;
    std::vector<QPointer<TMujImage>> backs;
};

// Another window of the program, with an image that counts its clicks.
struct OtherWindow {
    OtherWindow() {
        form.SetOuterSize(200, 150);
        image = new tk::TImage(&form);
        image->SetBounds(0, 0, 100, 100);
        image->OnClick = [this] { ++clicks; };
        testing::ShowAndExpose(&form);
    }
    tk::TForm form;
    tk::TImage* image;
    int clicks = 0;
};

// Turns cards 1 and 3, an unlike pair on a board dealt with PairsSideBySide: the look begins.
void BeginLook(const Board& board) {
    testing::ShowAndExpose(Form4);
    testing::Click(board.backs[1]);
    testing::Click(board.backs[3]);
}

} // namespace

class MemoryGameTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
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
    void clickingTheFaceUpFirstCardAgainDoesNothing();
    void aPairVanishesAtItsSecondClick();
    void anUnlikePairIsLookedAtForTwoSeconds();
    void presssesAreDroppedEverywhereDuringTheLook_data();
    void presssesAreDroppedEverywhereDuringTheLook();
    void menusAndDoubleClicksPassDuringTheLook();
    void aCardWithoutAPartnerNeverVanishes();
    void turnsThatMixDeals_data();
    void turnsThatMixDeals();
    void theFilterDropsOnlyLeftPressesAndOnlyDuringTheLook_data();
    void theFilterDropsOnlyLeftPressesAndOnlyDuringTheLook();
    void konecEndsTheProgramWhileTheFireWindowIsOpen();

private:
    QString Folder(const QString& name) const { return root_.filePath(name); }
    void MakeFolder(const QString& name, int faces, const QColor& back);
    // "Nová" with the dialog answered by the folder, the draws scripted; returns the new board.
    Board Deal(testing::Harness& harness, const QString& folder, const std::vector<int>& numbers);
    QTemporaryDir root_;
};

void MemoryGameTest::MakeFolder(const QString& name, int faces, const QColor& back) {
    QVERIFY(QDir(root_.path()).mkpath(name));
    for (int number = 1; number <= faces; ++number)
        QVERIFY(testing::WriteJpeg(QDir(Folder(name)).filePath(QStringLiteral("%1.jpg").arg(number)),
                                   testing::CardPicture(FaceColour(number), number)));
    if (back.isValid())
        QVERIFY(testing::WriteJpeg(QDir(Folder(name)).filePath(QStringLiteral("znak.jpg")),
                                   testing::CardPicture(back)));
}

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

    QDir::setCurrent(root_.path());
    CreateForms(tk::App());
    testing::ShowAndExpose(Form4); // in the program the launcher opens it modally
}

void MemoryGameTest::init() {
    // Every test starts with no open turn; boards of earlier tests stay beneath.
    Form4->Timer1->SetEnabled(false);
    MemoryTurn() = MemoryTurnState{};
    if (!Form4->isVisible())
        testing::ShowAndExpose(Form4);
}

Board MemoryGameTest::Deal(testing::Harness& harness, const QString& folder,
                           const std::vector<int>& numbers) {
    harness.Script(DrawsFor(numbers));
    AnswerDialog(folder);
    Form4->Nov1->Action()->trigger();
    DeleteReleased();
    return Board{Memory().CardFaces, Memory().CardBacks};
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
    harness.Script({0});
    AnswerDialog(Folder("bez obliceju"), false);
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

void MemoryGameTest::clickingTheFaceUpFirstCardAgainDoesNothing() {
    testing::Harness harness;
    const Board board = Deal(harness, Folder("obrazky"), PairsSideBySide());
    testing::Click(board.backs[1]);
    testing::Click(board.faces[1]); // the face now lies open at that place
    QVERIFY(!board.backs[1]->Visible());
    QCOMPARE(MemoryTurn().OneTurned, std::uint8_t(1));
    QCOMPARE(MemoryTurn().FirstIndex, std::uint8_t(1));
    QCOMPARE(MemoryTurn().Busy, std::uint8_t(0));
    QVERIFY(!Form4->Timer1->Enabled());
}

void MemoryGameTest::aPairVanishesAtItsSecondClick() {
    testing::Harness harness;
    const Board board = Deal(harness, Folder("karty"), PairsSideBySide());
    for (int pair = 0; pair < 3; ++pair) {
        const int first = 2 * pair + 1;
        testing::Click(board.backs[first]);
        testing::Click(board.backs[first + 1]);
        // Gone at that click: off the window, whether or not the event loop has freed them yet.
        for (int k : {first, first + 1})
            QVERIFY(!Showing(board.backs[k]) && !Showing(board.faces[k]));
        QCOMPARE(MemoryTurn().OneTurned, std::uint8_t(0));
        QVERIFY(!Form4->Timer1->Enabled());
        DeleteReleased();
        for (int k : {first, first + 1})
            QVERIFY(board.backs[k].isNull() && board.faces[k].isNull());
    }
    testing::Click(board.backs[9]);
    QCOMPARE(MemoryTurn().OneTurned, std::uint8_t(1));
    QCOMPARE(MemoryTurn().FirstIndex, std::uint8_t(9));
    testing::Shoot(Form4, QStringLiteral("pexeso_three_pairs_gone"));
}

void MemoryGameTest::anUnlikePairIsLookedAtForTwoSeconds() {
    testing::Harness harness;
    const Board board = Deal(harness, Folder("karty"), PairsSideBySide());
    testing::Click(board.backs[1]);
    testing::Click(board.backs[3]);
    testing::Shoot(Form4, QStringLiteral("pexeso_look"));
    QCOMPARE(MemoryTurn().Busy, std::uint8_t(1));
    harness.Advance(kLookTime - 1ms);
    testing::Click(board.backs[5]);
    board.backs[5]->ImageClick(); // a click that still reaches a card is refused too
    QVERIFY(!board.backs[1]->Visible() && !board.backs[3]->Visible() && board.backs[5]->Visible());
    QCOMPARE(MemoryTurn().SecondIndex, std::uint8_t(3));
    harness.Advance(1ms);
    QVERIFY(board.backs[1]->Visible() && board.backs[3]->Visible());
    QCOMPARE(MemoryTurn().Busy, std::uint8_t(0));
    QCOMPARE(MemoryTurn().OneTurned, std::uint8_t(0));
    QVERIFY(!Form4->Timer1->Enabled());
    testing::Click(board.backs[5]);
    QCOMPARE(MemoryTurn().FirstIndex, std::uint8_t(5));
    QVERIFY(!board.backs[5]->Visible());
}

void MemoryGameTest::presssesAreDroppedEverywhereDuringTheLook_data() {
    QTest::addColumn<QString>("where");
    QTest::newRow("another card") << "card";
    QTest::newRow("another window") << "window";
    QTest::newRow("a message box's button") << "box";
    QTest::newRow("the folder dialog's button") << "dialog";
}
// A press made during the look is dropped; the same press after the look gets through.
void MemoryGameTest::presssesAreDroppedEverywhereDuringTheLook() {
    QFETCH(QString, where);
    testing::Harness harness;
    const Board board = Deal(harness, Folder("obrazky"), PairsSideBySide());
    OtherWindow other;
    BeginLook(board);
    QCOMPARE(MemoryTurn().Busy, std::uint8_t(1));

    bool droppedDuringLook = false;
    bool passedAfterLook = false;
    if (where == QLatin1String("card")) {
        testing::Click(board.backs[5]);
        droppedDuringLook = board.backs[5]->Visible();
        harness.Advance(kLookTime);
        testing::Click(board.backs[5]);
        passedAfterLook = !board.backs[5]->Visible();
    } else if (where == QLatin1String("window")) {
        testing::Click(other.image);
        droppedDuringLook = other.clicks == 0;
        harness.Advance(kLookTime);
        testing::Click(other.image);
        passedAfterLook = other.clicks == 1;
    } else if (where == QLatin1String("box")) {
        tk::App().SetDialogs(std::make_unique<ModalBoxes>());
        WhenModal([&] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            QVERIFY(box != nullptr && QTest::qWaitForWindowExposed(box));
            QAbstractButton* ok = box->button(QMessageBox::Ok);
            const QPoint at = ok->mapTo(box, ok->rect().center());
            QTest::mouseClick(box->windowHandle(), Qt::LeftButton, Qt::NoModifier, at);
            droppedDuringLook = box->isVisible();
            harness.Advance(kLookTime); // timers tick inside the box's loop
            QTest::mouseClick(box->windowHandle(), Qt::LeftButton, Qt::NoModifier, at);
        });
        tk::App().ShowMessage(kFailed);
        passedAfterLook = true; // the box closed by the second press
    } else {
        harness.Script(DrawsFor(PairsSideBySide()));
        WhenModal([&] {
            QVERIFY(QTest::qWaitForWindowExposed(Form5));
            testing::Click(Form5->Button1);
            droppedDuringLook = Form5->InModalShow();
            harness.Advance(kLookTime);
            testing::Click(Form5->Button1);
        });
        Form4->Nov1->Action()->trigger();
        passedAfterLook = Form5->ModalResult() == 1 && board.backs[1] != Memory().CardBacks[1];
    }
    QVERIFY(droppedDuringLook);
    QVERIFY(passedAfterLook);
    QCOMPARE(MemoryTurn().Busy, std::uint8_t(0));
    QVERIFY(board.backs[1]->Visible() && board.backs[3]->Visible());
}

// The menu stays usable and the second press of a double click passes, as on the original platform.
void MemoryGameTest::menusAndDoubleClicksPassDuringTheLook() {
    testing::Harness harness;
    const Board board = Deal(harness, Folder("obrazky"), PairsSideBySide());
    OtherWindow other;
    BeginLook(board);

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

void MemoryGameTest::aCardWithoutAPartnerNeverVanishes() {
    testing::Harness harness;
    std::vector<int> numbers = PairsSideBySide();
    numbers[kCards - 1] = 23; // card 40 alone; 20 on card 39 alone
    const Board board = Deal(harness, Folder("obrazky"), numbers);
    for (const int other : {39, 1, 39}) {
        testing::Click(board.backs[40]);
        testing::Click(board.backs[other]);
        QCOMPARE(MemoryTurn().Busy, std::uint8_t(1));
        harness.Advance(kLookTime);
        DeleteReleased();
        QVERIFY(!board.backs[40].isNull() && board.backs[40]->Visible());
    }
}

void MemoryGameTest::turnsThatMixDeals_data() {
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
void MemoryGameTest::turnsThatMixDeals() {
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
            testing::Click(back);
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

void MemoryGameTest::theFilterDropsOnlyLeftPressesAndOnlyDuringTheLook_data() {
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
void MemoryGameTest::theFilterDropsOnlyLeftPressesAndOnlyDuringTheLook() {
    QFETCH(int, kind);
    QFETCH(bool, droppedDuringLook);
    const tk::Message message{static_cast<tk::Message::Kind>(kind), Form2};
    QVERIFY(!tk::App().Filter(message));
    MemoryTurn().Busy = 1;
    const bool dropped = tk::App().Filter(message);
    MemoryTurn().Busy = 0;
    QCOMPARE(dropped, droppedDuringLook);
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
