// SPDX-License-Identifier: GPL-3.0-or-later
// Cards from photos inside the game window: what a chosen folder is and the one message about it,
// a set made on the worker and dealt from, and "Zrušit" leaving nothing behind.
#include "photos/cards_from_photos.h"
#include "photos/photo_folder.h"
#include "support/test_main.h"
#include "toolkit/pictures/jpeg_writer.h"
#include "toolkit/ui/controls.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

namespace {

void WritePhotos(const QString& folder, int count, QSize size = QSize(400, 300)) {
    QVERIFY(QDir().mkpath(folder));
    for (int i = 1; i <= count; ++i) {
        QImage photo(size, QImage::Format_RGB32);
        photo.fill(QColor(20 + 9 * i, 200 - 5 * i, 90));
        QFile file(folder + QStringLiteral("/IMG_%1.JPG").arg(i, 4, 10, QLatin1Char('0')));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(tk::EncodeJpeg(photo, 90));
    }
}

// Everything below a folder, by relative path (a hidden staging folder too).
QStringList Everything(const QString& folder) {
    QStringList found;
    QDir dir(folder);
    for (const QFileInfo& entry : dir.entryInfoList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden)) {
        found << entry.fileName();
        if (entry.isDir())
            for (const QString& inner : Everything(entry.filePath()))
                found << entry.fileName() + QLatin1Char('/') + inner;
    }
    return found;
}

} // namespace

class CardsFromPhotosTest : public QObject {
    Q_OBJECT
private slots:
    void aFolderIsSaidInOneMessage_data();
    void aFolderIsSaidInOneMessage();
    void photosBecomeASetToDealFrom_data();
    void photosBecomeASetToDealFrom();
    void cancelLeavesNothing();
};

// files: names written (a .jpg name holds a small photo, any other a line of text).
void CardsFromPhotosTest::aFolderIsSaidInOneMessage_data() {
    QTest::addColumn<QStringList>("files");
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("message"); // empty for a card set, which needs none
    const QString cardSet = QStringLiteral("Sada karet je složka s obrázky 1.jpg");
    QTest::newRow("1.jpg is a card set")
        << QStringList{"1.jpg", "znak.jpg"} << int(photos::FolderKind::CardSet) << QString();
    QTest::newRow("23.jpg alone is a card set")
        << QStringList{"23.jpg"} << int(photos::FolderKind::CardSet) << QString();
    QStringList many;
    for (int i = 1; i <= 37; ++i)
        many << QStringLiteral("DSC%1.%2").arg(i).arg(i % 3 == 0 ? "JPG" : i % 3 == 1 ? "jpeg" : "Jpg");
    QTest::newRow("37 photos are offered")
        << many << int(photos::FolderKind::Photos)
        << QStringLiteral("Ve složce je 37 fotek, ale žádné karty. Udělat z nich karty?");
    QTest::newRow("24.jpg is no card, 3 photos are too few")
        << QStringList{"24.jpg", "a.JPEG", "b.jpg", "c.png"} << int(photos::FolderKind::Photos)
        << QStringLiteral("Ve složce jsou jen 3 fotky, ale žádné karty. Na karty je potřeba aspoň 6 fotek.");
    QTest::newRow("one photo") << QStringList{"a.jpg"} << int(photos::FolderKind::Photos)
                               << QStringLiteral(
                                      "Ve složce je jen 1 fotka, ale žádné karty. Na karty je potřeba "
                                      "aspoň 6 fotek.");
    QTest::newRow("neither says what a card set is")
        << QStringList{"readme.txt", "a.png"} << int(photos::FolderKind::Neither) << cardSet;
}

void CardsFromPhotosTest::aFolderIsSaidInOneMessage() {
    QFETCH(QStringList, files);
    QFETCH(int, kind);
    QFETCH(QString, message);
    QTemporaryDir scratch;
    for (const QString& name : files) {
        QFile file(scratch.filePath(name));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(name.endsWith(QLatin1String(".jpg"))
                       ? tk::EncodeJpeg(QImage(8, 8, QImage::Format_RGB32), 90)
                       : QByteArray("text"));
    }
    const photos::FolderLook look = photos::LookAtFolder(scratch.path());
    QCOMPARE(int(look.kind), kind);
    QStringList told;
    tk::TForm window;
    const photos::Questions ask{{},
                                [&](const QString& q) {
                                    told << q;
                                    return false;
                                },
                                [&](const QString& text) { told << text; },
                                scratch.filePath("sady")};
    const QString dealt = photos::CardSetForDeal(window, scratch.path(), ask);
    QCOMPARE(dealt, kind == int(photos::FolderKind::CardSet) ? scratch.path() : QString());
    QCOMPARE(told.size(), message.isEmpty() ? 0 : 1); // one message, never one per card
    QVERIFY2(told.value(0).startsWith(message) || told.value(0).contains(message), qPrintable(told.value(0)));
    QVERIFY(!QFile::exists(scratch.filePath("sady")));
}

// The offer taken (from "Nová"), or the menu item: the set is made in the sets' folder, named as the
// photo folder, dealt from, and found as a card set the next time.
void CardsFromPhotosTest::photosBecomeASetToDealFrom_data() {
    QTest::addColumn<bool>("fromMenu");
    QTest::newRow("the offer of Nová") << false;
    QTest::newRow("Karty z fotek…") << true;
}

void CardsFromPhotosTest::photosBecomeASetToDealFrom() {
    QFETCH(bool, fromMenu);
    QTemporaryDir scratch;
    const QString photoFolder = scratch.filePath(QStringLiteral("Dovolená 2026"));
    WritePhotos(photoFolder, 8);
    QFile text(photoFolder + QStringLiteral("/poznámky.jpg")); // no JPEG, whatever its name
    QVERIFY(text.open(QIODevice::WriteOnly) && text.write("u moře") > 0);
    text.close();
    QStringList told;
    QStringList asked;
    const photos::Questions ask{[&](const QString&) { return photoFolder; },
                                [&](const QString& q) {
                                    asked << q;
                                    return true;
                                },
                                [&](const QString& t) { told << t; },
                                scratch.filePath(QStringLiteral("sady"))};
    tk::TForm window;
    window.SetOuterSize(400, 300);
    window.Show();
    const QString set =
        fromMenu ? photos::CardsFromPhotos(window, ask) : photos::CardSetForDeal(window, photoFolder, ask);
    QCOMPARE(set, scratch.filePath(QStringLiteral("sady/Dovolená 2026")));
    QCOMPARE(asked.size(), fromMenu ? 0 : 1);
    QStringList expected{QStringLiteral("znak.jpg")};
    for (int i = 1; i <= 8; ++i)
        expected << QStringLiteral("%1.jpg").arg(i);
    expected.sort();
    QStringList made = QDir(set).entryList(QDir::Files | QDir::Hidden);
    made.sort();
    QCOMPARE(made, expected);
    // The summary names the file that was skipped, and why.
    QCOMPARE(told.size(), 1);
    QVERIFY2(told[0].contains(QStringLiteral("„poznámky.jpg“ (není to obrázek JPEG)")), qPrintable(told[0]));
    QCOMPARE(photos::CardSetForDeal(window, set, ask), set);
    for (const tk::TProgressBar* bar : window.findChildren<tk::TProgressBar*>())
        QVERIFY(!bar->isVisibleTo(&window)); // the view has gone with the making
}

// "Zrušit" pressed once two cards are made: nothing is left in the sets' folder.
void CardsFromPhotosTest::cancelLeavesNothing() {
    QTemporaryDir scratch;
    const QString photoFolder = scratch.filePath(QStringLiteral("fotky"));
    WritePhotos(photoFolder, 23, QSize(1600, 1200));
    const QString sets = scratch.filePath(QStringLiteral("sady"));
    tk::TForm window;
    window.SetOuterSize(400, 300);
    window.Show();
    QTimer watch; // looks at the bar on every turn of the event loop while the cards are made
    int seen = 0;
    QObject::connect(&watch, &QTimer::timeout, [&] {
        for (tk::TProgressBar* bar : window.findChildren<tk::TProgressBar*>()) {
            seen = std::max(seen, bar->Position());
            if (bar->Max() != 0) // 0 until the photos are counted
                QCOMPARE(bar->text(), QStringLiteral("%1 z 23").arg(bar->Position()));
            if (bar->Position() >= 2)
                for (tk::TButton* button : window.findChildren<tk::TButton*>())
                    if (button->Caption() == QStringLiteral("Zrušit"))
                        button->click();
        }
    });
    watch.start(0);
    const photos::Making making = photos::MakeCardsShowing(window, photoFolder, sets);
    watch.stop();
    QCOMPARE(int(making.status), int(cardset::kCancelled));
    QVERIFY(seen >= 2 && seen < 23);
    QCOMPARE(Everything(sets), QStringList{});
}

TK_TEST_MAIN(CardsFromPhotosTest)
#include "cards_from_photos_test.moc"
