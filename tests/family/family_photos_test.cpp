// SPDX-License-Identifier: GPL-3.0-or-later
// Cards from photos in pexeso's window: the folder chosen under "Nová" on a family board and under
// "klasická hra", with the offer answered as a parent would, and "Hra" → "Karty z fotek…". A set is
// made under a temporary $XDG_DATA_HOME, dealt from, and found again by the next "Nová".
#include "cardset/card_set.h"
#include "family/family_window.h"
#include "memory/memory_play.h"
#include "toolkit/pictures/jpeg_writer.h"

#include <QApplication>
#include <QMenu>

using namespace memory_play;
using namespace family;

namespace {

const QString kOffer = QStringLiteral("Ve složce je %1 fotek, ale žádné karty. Udělat z nich karty?");

void WritePhotos(const QString& folder, int count) {
    QVERIFY(QDir().mkpath(folder));
    for (int i = 1; i <= count; ++i) {
        QImage photo(320, 240, QImage::Format_RGB32);
        photo.fill(QColor::fromHsv(i * 15 % 360, 200, 220));
        QFile file(folder + QStringLiteral("/DSC_%1.JPG").arg(i, 4, 10, QLatin1Char('0')));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(tk::EncodeJpeg(photo, 85));
    }
}

// Answers every yes-or-no box the game opens, and keeps its question.
class YesNoAnswers : public QObject {
public:
    explicit YesNoAnswers(bool yes) : yes_(yes) {
        connect(&poll_, &QTimer::timeout, this, [this] { Answer(); });
        poll_.start(5);
    }
    QStringList questions;

private:
    void Answer() {
        auto* box = qobject_cast<tk::TForm*>(QApplication::activeModalWidget());
        if (box == nullptr || !box->InModalShow() || box == Form5)
            return;
        tk::TButton* answer = nullptr;
        for (tk::TButton* button : box->findChildren<tk::TButton*>())
            if (button->Caption() == (yes_ ? QStringLiteral("Ano") : QStringLiteral("Ne")))
                answer = button;
        if (answer == nullptr || box->ModalResult() != 0)
            return;
        QString question;
        for (tk::TLabel* label : box->findChildren<tk::TLabel*>())
            question += label->Caption();
        questions << question.replace(QLatin1Char('\n'), QLatin1Char(' '));
        answer->click();
    }
    bool yes_;
    QTimer poll_;
};

// What the board shows: the folder and the faces' pictures, card by card.
QStringList BoardNow() {
    QStringList cards{TheFamilyGame() != nullptr ? TheFamilyGame()->Folder() : QString()};
    for (std::size_t k = 1; k < Memory().CardBacks.size(); ++k)
        if (TMujImage* back = LiveCard(Memory().CardBacks, static_cast<std::uint8_t>(k)))
            cards << QString::number(back->PictureNo);
    return cards;
}

int CardsDealt() {
    return static_cast<int>(BoardNow().size()) - 1;
}

} // namespace

class FamilyPhotosTest : public QObject, private PictureFolders {
    Q_OBJECT

private slots:
    void initTestCase() {
        QVERIFY(config_.isValid());
        MakeFolder(QStringLiteral("zvirata"), 23, kFolderBack);
        WritePhotos(Folder(QStringLiteral("Dovolená")), 8);
        WritePhotos(Folder(QStringLiteral("šest")), 6);
        WritePhotos(Folder(QStringLiteral("moře 2026")), 25);
        QVERIFY(QDir(root_.path()).mkpath(QStringLiteral("prázdná")));
        QFile note(Folder(QStringLiteral("prázdná/čti mě.txt")));
        QVERIFY(note.open(QIODevice::WriteOnly) && note.write("nic") > 0);
        QVERIFY(QDir::setCurrent(Folder(QStringLiteral("zvirata")))); // the built-in set of this test
        tk::App().CreateForm(Form4);
        tk::App().CreateForm(Form5);
    }
    void init() {
        QVERIFY(QDir::setCurrent(Folder(QStringLiteral("zvirata"))));
        QVERIFY(QDir(cardset::SetsFolder()).removeRecursively());
    }
    void cleanup() {
        delete TheFamilyGame();
        DeleteReleased();
    }

    void aFolderChosenUnderNova_data() {
        QTest::addColumn<int>("board");
        QTest::addColumn<QString>("folder");
        QTest::addColumn<bool>("yes");
        QTest::addColumn<QStringList>("questions");
        QTest::addColumn<QString>("message"); // after the making, or instead of it
        QTest::addColumn<int>("cards");       // dealt from the set; 0: the board stays as it was
        const QString cardSet = QStringLiteral("Ve složce nejsou karty ani fotky.\n\nSada karet je složka");
        QTest::newRow("photos, yes: a set of 8 deals 12 cards")
            << 12 << "Dovolená" << true << QStringList{kOffer.arg(8)} << QString() << 12;
        QTest::newRow("photos, no: the board stays")
            << 12 << "Dovolená" << false << QStringList{kOffer.arg(8)} << QString() << 0;
        QTest::newRow("neither: one message, the board stays")
            << 12 << "prázdná" << true << QStringList{} << cardSet << 0;
        QTest::newRow("6 photos make a set too small for 20 cards")
            << 20 << "šest" << true << QStringList{kOffer.arg(6)}
            << QStringLiteral("Ve složce je jen 6 obrázků, hra na 20 karet jich potřebuje 10.") << 0;
        QTest::newRow("klasická hra: 8 are too few for its 23")
            << int(kClassicBoard) << "Dovolená" << true << QStringList{kOffer.arg(8)}
            << QStringLiteral("Ve složce je jen 8 obrázků, hra na 40 karet jich potřebuje 23.") << 0;
        QTest::newRow("klasická hra: 25 photos make 23 cards and deal 40")
            << int(kClassicBoard) << "moře 2026" << true << QStringList{kOffer.arg(25)} << QString() << 40;
    }
    // One offer at most, one message at most, and a deal from the set made or the board as it was.
    void aFolderChosenUnderNova() {
        QFETCH(int, board);
        QFETCH(QString, folder);
        QFETCH(bool, yes);
        testing::Harness harness;
        Settings settings;
        settings.board = board;
        FamilyPexeso* game = Begin(settings);
        QVERIFY(game != nullptr);
        const QStringList before = BoardNow();

        YesNoAnswers answers(yes);
        AnswerDialog(Folder(folder));
        Form4->Nov1->Action()->trigger();
        DeleteReleased();
        QTEST(answers.questions, "questions");
        QFETCH(QString, message);
        QCOMPARE(harness.dialogs->messages.size(), message.isEmpty() ? 0 : 1);
        QVERIFY2(harness.dialogs->messages.value(0).startsWith(message),
                 qPrintable(harness.dialogs->messages.value(0)));

        const QString set = QDir(cardset::SetsFolder()).filePath(folder);
        QCOMPARE(cardset::HoldsCardSet(set), yes && !answers.questions.isEmpty()); // made on yes only
        QFETCH(int, cards);
        if (cards == 0) {
            QCOMPARE(BoardNow(), before);
            return;
        }
        QCOMPARE(CardsDealt(), cards);
        if (board == kClassicBoard) {
            QCOMPARE(LiveCard(Memory().CardFaces, 1)->Picture().isNull(), false);
            QCOMPARE(Form5->DirectoryOutline1->Directory(), set);
            return;
        }
        QCOMPARE(game->Folder(), set);
        QCOMPARE(LoadSettings(SettingsFile()).folder, set);
        // The next "Nová" opens at the set; chosen again, it deals with no question.
        QString openedAt;
        WhenModal([&openedAt] {
            // Refused by its close box if the click fails, so that the test fails rather than hangs.
            const auto closeAnyway = qScopeGuard([] {
                if (Form5->ModalResult() == 0)
                    Form5->windowHandle()->close();
            });
            openedAt = Form5->DirectoryOutline1->Directory();
            QVERIFY(testing::Click(Form5->Button1));
        });
        Form4->Nov1->Action()->trigger();
        DeleteReleased();
        QCOMPARE(openedAt, set);
        QCOMPARE(answers.questions.size(), 1);
        QCOMPARE(CardsDealt(), cards);
    }

    // "Hra" → "Karty z fotek…", there in pexeso only: the photo folder asked for, the set made with
    // no question, and dealt from.
    void theMenuItemMakesCardsAndDeals() {
        QVERIFY(Form4->Hra1->SubMenu()->actions().size() == 4); // the classic menu, as plamkov has it
        testing::Harness harness;
        Settings settings;
        settings.board = 12;
        FamilyPexeso* game = Begin(settings);
        QVERIFY(game != nullptr);
        QCOMPARE(Form4->Hra1->SubMenu()->actions().at(1), game->PhotosItem()->Action());
        YesNoAnswers answers(true);
        AnswerDialog(Folder(QStringLiteral("Dovolená")));
        game->PhotosItem()->Action()->trigger();
        DeleteReleased();
        QCOMPARE(answers.questions, QStringList{});
        QCOMPARE(harness.dialogs->messages, QStringList{});
        QCOMPARE(game->Folder(), QDir(cardset::SetsFolder()).filePath(QStringLiteral("Dovolená")));
        QCOMPARE(CardsDealt(), 12);
        QCOMPARE(Form5->Label1->Caption(), QStringLiteral("Vyber adresář s obrázky:"));
    }

private:
    QString SettingsFile() const { return config_.filePath(QStringLiteral("pexeso.ini")); }
    FamilyPexeso* Begin(const Settings& settings) {
        QFile::remove(SettingsFile());
        SaveSettings(SettingsFile(), settings);
        FamilyPexeso* game = AttachFamilyGame(SettingsFile());
        if (!testing::ShowAndExpose(Form4))
            return nullptr;
        game->Start();
        DeleteReleased();
        return game;
    }
    QTemporaryDir config_;
};

// The sets go to a data folder of this run's own, named before any thread starts.
int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM",
            qgetenv("QT_QPA_PLATFORM").isEmpty() ? QByteArray("offscreen") : qgetenv("QT_QPA_PLATFORM"));
    const QTemporaryDir data;
    qputenv("XDG_DATA_HOME", data.path().toUtf8());
    tk::Application app(argc, argv);
    FamilyPhotosTest test;
    return QTest::qExec(&test, argc, argv);
}
#include "family_photos_test.moc"
