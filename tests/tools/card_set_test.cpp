// The card-set maker's rules, one table: which photos it takes and in what order, what it skips,
// when it refuses, and what it writes.
#include "card_set.h"
#include "support/test_main.h"
#include "toolkit/pictures/jpeg.h"
#include "toolkit/pictures/jpeg_fixture.h"
#include "toolkit/pictures/jpeg_writer.h"

#include <QDir>
#include <QFile>
#include <QPainter>
#include <QTemporaryDir>
#include <QtTest>

#include <cstdlib>

namespace {

// A photo's own colour, which the card made from it keeps: 30 photos are told apart by it.
QColor PhotoColour(int index) {
    return QColor(30 + 7 * index, 235 - 7 * index, 20 + 100 * (index % 3));
}

constexpr QColor kGround(40, 40, 40);

// A 400 x 300 landscape photo as it stands: its own colour over dark ground in the centre square, a
// black band on the left and a white one on the right, so a card that is not the centred square
// shows a band, and one on its side shows the ground on the left or right. Written as a camera held
// upright would, or stored turned to the left with EXIF orientation 6 (turn right to view).
QByteArray Photo(int index, bool turned) {
    QImage photo(400, 300, QImage::Format_RGB32);
    photo.fill(PhotoColour(index));
    QPainter painter(&photo);
    painter.fillRect(50, 150, 300, 150, kGround);
    painter.fillRect(0, 0, 50, 300, Qt::black);
    painter.fillRect(350, 0, 50, 300, Qt::white);
    painter.end();
    if (!turned)
        return tk::EncodeJpeg(photo, 95);
    const QByteArray jpeg = tk::EncodeJpeg(photo.transformed(QTransform().rotate(-90)), 95);
    const QByteArray exif = fixture::ExifSegment(6, true);
    const int length = int(exif.size()) + 2;
    QByteArray segment("\xFF\xE1", 2);
    segment.append(char(length >> 8)).append(char(length & 0xFF)).append(exif);
    return jpeg.left(2) + segment + jpeg.mid(2); // right after the start of image
}

bool Near(const QColor& a, const QColor& b) {
    constexpr int kTolerance = 12; // two JPEG generations of a flat colour
    return std::abs(a.red() - b.red()) <= kTolerance && std::abs(a.green() - b.green()) <= kTolerance &&
           std::abs(a.blue() - b.blue()) <= kTolerance;
}

void Write(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

QStringList Numbered(const QString& prefix, int from, int to) {
    QStringList names;
    for (int i = from; i <= to; ++i)
        names << prefix + QString::number(i).rightJustified(2, QLatin1Char('0')) + QStringLiteral(".jpg");
    return names;
}

} // namespace

class CardSetTest : public QObject {
    Q_OBJECT
private slots:
    void rules_data();
    void rules();
};

// files: the folder's files; a name starting with "!" is written as a corrupt photo, one starting
// with "^" as a photo stored on its side with EXIF orientation 6, one ending in neither .jpg nor
// .jpeg as an ordinary photo that must be ignored.
// cards: the photo each of 1.jpg to 23.jpg must come from (empty when nothing may be written).
void CardSetTest::rules_data() {
    QTest::addColumn<QStringList>("files");
    QTest::addColumn<bool>("existingSet");
    QTest::addColumn<bool>("force");
    QTest::addColumn<int>("status");
    QTest::addColumn<QStringList>("cards");
    QTest::addColumn<QStringList>("problems");

    const QStringList p23 = Numbered(QStringLiteral("p"), 1, 23);
    QTest::addRow("23 photos make a set")
        << p23 << false << false << int(cardset::kDone) << p23 << QStringList{};
    QTest::addRow("the first 23 of 30 are taken") << Numbered(QStringLiteral("p"), 1, 30) << false << false
                                                  << int(cardset::kDone) << p23 << QStringList{};
    QTest::addRow("fewer than 23 are refused, saying how many")
        << Numbered(QStringLiteral("p"), 1, 22) << false << false << int(cardset::kTooFewPhotos)
        << QStringList{} << QStringList{QStringLiteral(": 22; sada jich potřebuje 23.")};

    QStringList skipped = Numbered(QStringLiteral("p"), 1, 24);
    skipped[1] = QStringLiteral("!") + skipped[1];
    QStringList skippedCards = Numbered(QStringLiteral("p"), 1, 24);
    skippedCards.removeAt(1);
    QTest::addRow("a corrupt photo is skipped by name and the next taken")
        << skipped << false << false << int(cardset::kDone) << skippedCards
        << QStringList{QStringLiteral("Přeskakuji „p02.jpg“")};

    QStringList tooFew = p23;
    tooFew[4] = QStringLiteral("!") + tooFew[4];
    QTest::addRow("corrupt photos can leave too few")
        << tooFew << false << false << int(cardset::kTooFewPhotos) << QStringList{}
        << QStringList{QStringLiteral("Přeskakuji „p05.jpg“"),
                       QStringLiteral(": 23 (použitelných 22); sada")};

    QTest::addRow("an existing set is kept") << p23 << true << false << int(cardset::kSetExists)
                                             << QStringList{} << QStringList{QStringLiteral("--force")};
    QStringList turned = p23;
    turned[0] = QStringLiteral("^") + turned[0];
    turned[22] = QStringLiteral("^") + turned[22];
    QTest::addRow("a photo with EXIF orientation 6 is stood upright")
        << turned << false << false << int(cardset::kDone) << p23 << QStringList{};
    QTest::addRow("--force overwrites a set")
        << p23 << true << true << int(cardset::kDone) << p23 << QStringList{};

    // Byte order: digits, upper case, "_", lower case, then UTF-8 letters; the extension in any case.
    QStringList mixed{QStringLiteral("B.jpg"),  QStringLiteral("a.JPEG"), QStringLiteral("Z.jpeg"),
                      QStringLiteral("10.jpg"), QStringLiteral("9.Jpg"),  QStringLiteral("_x.jpg"),
                      QStringLiteral("é.jpg"),  QStringLiteral("c.png"),  QStringLiteral("d.jpg.txt")};
    mixed << Numbered(QStringLiteral("q"), 1, 17);
    QStringList ordered{QStringLiteral("10.jpg"), QStringLiteral("9.Jpg"),  QStringLiteral("B.jpg"),
                        QStringLiteral("Z.jpeg"), QStringLiteral("_x.jpg"), QStringLiteral("a.JPEG")};
    ordered << Numbered(QStringLiteral("q"), 1, 17);
    QTest::addRow("name order is byte order and other files are ignored")
        << mixed << false << false << int(cardset::kDone) << ordered << QStringList{};
}

void CardSetTest::rules() {
    QFETCH(QStringList, files);
    QFETCH(bool, existingSet);
    QFETCH(bool, force);
    QFETCH(int, status);
    QFETCH(QStringList, cards);
    QFETCH(QStringList, problems);

    QTemporaryDir scratch;
    const QString source = scratch.filePath(QStringLiteral("dovolená"));
    const QString target = scratch.filePath(QStringLiteral("sada/karty"));
    QDir().mkpath(source);
    QHash<QString, int> colourOf;
    for (int i = 0; i < files.size(); ++i) {
        QString name = files[i];
        const bool corrupt = name.startsWith(QLatin1Char('!'));
        const bool turned = name.startsWith(QLatin1Char('^'));
        name.remove(0, corrupt || turned ? 1 : 0);
        colourOf[name] = i;
        QByteArray bytes = Photo(i, turned);
        if (corrupt)
            bytes = bytes.left(2) + QByteArray(600, 'x'); // a JPEG start and then no header
        Write(source + QLatin1Char('/') + name, bytes);
    }
    const QByteArray oldCard = QByteArrayLiteral("an earlier set's card");
    if (existingSet) {
        QDir().mkpath(target);
        Write(target + QStringLiteral("/1.jpg"), oldCard);
    }

    QStringList said;
    QStringList complaints;
    const cardset::Output out{[&](const QString& text) { said << text; },
                              [&](const QString& text) { complaints << text; }};
    const cardset::Status result = cardset::MakeCardSet({source, target, force}, out);

    QCOMPARE(int(result), status);
    for (const QString& problem : problems)
        QVERIFY2(complaints.join(QLatin1Char('\n')).contains(problem),
                 qPrintable(complaints.join(QLatin1Char('\n'))));
    if (problems.isEmpty())
        QCOMPARE(complaints, QStringList{});

    if (cards.isEmpty()) {
        // Refused: nothing new is written, and an earlier set is as it was.
        QCOMPARE(QDir(target).entryList(QDir::Files),
                 existingSet ? QStringList{QStringLiteral("1.jpg")} : QStringList{});
        if (existingSet) {
            QFile kept(target + QStringLiteral("/1.jpg"));
            QVERIFY(kept.open(QIODevice::ReadOnly));
            QCOMPARE(kept.readAll(), oldCard);
        }
        return;
    }
    QCOMPARE(cards.size(), cardset::kPictureCount);
    for (int number = 1; number <= cardset::kPictureCount; ++number) {
        QFile file(target + QLatin1Char('/') + QString::number(number) + QStringLiteral(".jpg"));
        QVERIFY2(file.open(QIODevice::ReadOnly), qPrintable(file.fileName()));
        const QByteArray bytes = file.readAll();
        QCOMPARE(tk::ReadJpegInfo(bytes).progressive, false);
        const QImage card = tk::DecodeJpeg(bytes);
        QCOMPARE(card.size(), QSize(cardset::kEdge, cardset::kEdge));
        const QColor expected = PhotoColour(colourOf.value(cards[number - 1]));
        // The centred square, upright: the photo's colour above the ground right to both edges.
        for (const auto& [at, colour] : {std::pair{QPoint(140, 70), expected},
                                         {QPoint(2, 70), expected},
                                         {QPoint(277, 70), expected},
                                         {QPoint(140, 210), kGround},
                                         {QPoint(2, 210), kGround},
                                         {QPoint(277, 210), kGround}})
            QVERIFY2(Near(card.pixelColor(at), colour),
                     qPrintable(QStringLiteral("%1.jpg at %2,%3 is %4, %5 is %6")
                                    .arg(number)
                                    .arg(at.x())
                                    .arg(at.y())
                                    .arg(card.pixelColor(at).name(), cards[number - 1], colour.name())));
    }
    QFile back(target + QStringLiteral("/znak.jpg"));
    QFile builtIn(QStringLiteral(":/pexeso-karty/znak.jpg"));
    QVERIFY(back.open(QIODevice::ReadOnly) && builtIn.open(QIODevice::ReadOnly));
    QCOMPARE(back.readAll(), builtIn.readAll());
    QCOMPARE(QDir(target).entryList(QDir::Files).size(),
             cardset::kPictureCount + 1); // no temporary files left
}

TK_TEST_MAIN(CardSetTest)
#include "card_set_test.moc"
