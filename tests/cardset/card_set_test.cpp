// SPDX-License-Identifier: GPL-3.0-or-later
// The card-set maker's rules, one table: which photos it takes and in what order, what it skips,
// when it refuses, and what it writes.
#include "cardset/card_set.h"
#include "support/test_main.h"
#include "toolkit/pictures/jpeg.h"
#include "toolkit/pictures/jpeg_fixture.h"
#include "toolkit/pictures/jpeg_writer.h"
#include "toolkit/text/files.h"

#include <QBuffer>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QPainter>
#include <QTemporaryDir>
#include <QtTest>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>

#include <csignal>
#include <sched.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

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

// By bytes, so that a name that is not UTF-8 is written as it is.
void Write(const QString& path, const QByteArray& bytes) {
    std::ofstream file(tk::EncodeFileName(path).toStdString(), std::ios::binary);
    QVERIFY(file.write(bytes.constData(), bytes.size()));
}

// A photo of pure noise: its card is far larger than the built-in back, so a small disk or file
// size limit takes the back and fails on this card.
QByteArray NoisePhoto() {
    QImage photo(400, 300, QImage::Format_RGB32);
    std::mt19937 noise(19);
    for (int y = 0; y < photo.height(); ++y)
        for (int x = 0; x < photo.width(); ++x)
            photo.setPixel(x, y, noise() | 0xFF000000u);
    return tk::EncodeJpeg(photo, 95);
}

// Every file and folder below a folder, by path relative to it.
QStringList Everything(const QString& folder) {
    QStringList found;
    QDirIterator it(folder, QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System,
                    QDirIterator::Subdirectories);
    while (it.hasNext())
        found << QDir(folder).relativeFilePath(it.next());
    return found;
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
    void skippedPhotosSayWhatIsWrong_data();
    void skippedPhotosSayWhatIsWrong();
    void aFailedRunLeavesNothing_data();
    void aFailedRunLeavesNothing();
    void everyOrientationStandsUpright_data();
    void everyOrientationStandsUpright();
    void aCancelLeavesNothing_data();
    void aCancelLeavesNothing();
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
    QTest::addRow("6 photos make a set of 6")
        << Numbered(QStringLiteral("p"), 1, 6) << false << false << int(cardset::kDone)
        << Numbered(QStringLiteral("p"), 1, 6) << QStringList{};
    QTest::addRow("fewer than 6 are refused, saying how many")
        << Numbered(QStringLiteral("p"), 1, 5) << false << false << int(cardset::kTooFewPhotos)
        << QStringList{} << QStringList{QStringLiteral(": 5; sada jich potřebuje aspoň 6.")};

    // A file named as a photo that is no JPEG picture is named, and is not counted as a photo.
    QStringList text = Numbered(QStringLiteral("p"), 1, 7);
    text[2] = QStringLiteral("?") + text[2];
    QStringList textCards = Numbered(QStringLiteral("p"), 1, 7);
    textCards.removeAt(2);
    QTest::addRow("a text file named .jpg is skipped by name")
        << text << false << false << int(cardset::kDone) << textCards
        << QStringList{QStringLiteral("Přeskakuji „p03.jpg“: není to obrázek JPEG.")};
    text.removeLast();
    QTest::addRow("a text file named .jpg is no photo")
        << text << false << false << int(cardset::kTooFewPhotos) << QStringList{}
        << QStringList{QStringLiteral(": 5; sada jich potřebuje aspoň 6.")};

    QStringList skipped = Numbered(QStringLiteral("p"), 1, 24);
    skipped[1] = QStringLiteral("!") + skipped[1];
    QStringList skippedCards = Numbered(QStringLiteral("p"), 1, 24);
    skippedCards.removeAt(1);
    QTest::addRow("a corrupt photo is skipped by name and the next taken")
        << skipped << false << false << int(cardset::kDone) << skippedCards
        << QStringList{QStringLiteral("Přeskakuji „p02.jpg“")};

    QStringList tooFew = Numbered(QStringLiteral("p"), 1, 6);
    tooFew[4] = QStringLiteral("!") + tooFew[4];
    QTest::addRow("corrupt photos can leave too few")
        << tooFew << false << false << int(cardset::kTooFewPhotos) << QStringList{}
        << QStringList{QStringLiteral("Přeskakuji „p05.jpg“"), QStringLiteral(": 6 (použitelných 5); sada")};

    // Windows-1250 bytes, as from an old camera or a zip file: printed escaped, never as "�".
    QStringList oldNames = Numbered(QStringLiteral("p"), 1, 24);
    oldNames[0] = tk::DecodeFileName("!_\xC8"
                                     "ern\xFD.jpg");
    QTest::addRow("a name that is not UTF-8 is printed with its bytes escaped")
        << oldNames << false << false << int(cardset::kDone) << Numbered(QStringLiteral("p"), 2, 24)
        << QStringList{QStringLiteral("„_\\xC8ern\\xFD.jpg“")};

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
    // By bytes: QTemporaryDir cannot remove a name that is not UTF-8.
    const auto removeAll =
        qScopeGuard([&] { std::filesystem::remove_all(QFile::encodeName(scratch.path()).toStdString()); });
    const QString source = scratch.filePath(QStringLiteral("dovolená"));
    const QString target = scratch.filePath(QStringLiteral("sada/karty"));
    QDir().mkpath(source);
    QHash<QString, int> colourOf;
    for (int i = 0; i < files.size(); ++i) {
        QString name = files[i];
        const bool corrupt = name.startsWith(QLatin1Char('!'));
        const bool turned = name.startsWith(QLatin1Char('^'));
        const bool text = name.startsWith(QLatin1Char('?'));
        name.remove(0, corrupt || turned || text ? 1 : 0);
        colourOf[name] = i;
        QByteArray bytes = Photo(i, turned);
        if (corrupt)
            bytes = bytes.left(2) + QByteArray(600, 'x'); // a JPEG start and then no header
        if (text)
            bytes = QByteArrayLiteral("Fotky z dovolené, 2026\n");
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
    if (status == cardset::kDone) // the summary names every photo used
        QCOMPARE(said.filter(QStringLiteral(".jpg ← ")).size(), cards.size());

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
    for (int number = 1; number <= cards.size(); ++number) {
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
    QCOMPARE(QDir(target).entryList(QDir::Files | QDir::Hidden).size(),
             cards.size() + 1); // no temporary files left
}

// The first photo is a bad one of each kind; the message names it and says in Czech what is wrong,
// with libjpeg's or the system's own text only when asked for.
void CardSetTest::skippedPhotosSayWhatIsWrong_data() {
    QTest::addColumn<QString>("bad");
    QTest::addColumn<bool>("verbose");
    QTest::addColumn<QString>("message");
    const QString skip = QStringLiteral("Přeskakuji „a.jpg“: ");
    QTest::newRow("a PNG") << "png" << false << skip + "není to obrázek JPEG.";
    QTest::newRow("an empty file") << "empty" << false << skip + "není to obrázek JPEG.";
    QTest::newRow("damaged") << "damaged" << false << skip + "obrázek je poškozený.";
    QTest::newRow("65500 x 65500 claimed")
        << "huge" << false << skip + "obrázek je příliš velký, nelze ho přečíst.";
    QTest::newRow("a link to nothing") << "link" << false << skip + "soubor nelze přečíst.";
    QTest::newRow("12-bit samples")
        << "12-bit" << false << skip + "je to druh JPEG, který neumím přečíst (12bitový nebo bezeztrátový).";
    QTest::newRow("--verbose: libjpeg's own text")
        << "png" << true << skip + "není to obrázek JPEG. (Not a JPEG file: starts with 0x89 0x50)";
    QTest::newRow("--verbose: the system's own text")
        << "link" << true << skip + "soubor nelze přečíst. (No such file or directory)";
}

void CardSetTest::skippedPhotosSayWhatIsWrong() {
    QFETCH(QString, bad);
    QFETCH(bool, verbose);
    QFETCH(QString, message);
    QTemporaryDir scratch;
    const QString source = scratch.filePath(QStringLiteral("fotky"));
    QVERIFY(QDir().mkpath(source));
    // 5 good photos after the bad one: one too few, so that the run ends without writing.
    QImage small(16, 16, QImage::Format_RGB32);
    small.fill(Qt::gray);
    for (int i = 1; i < cardset::kMinimumPhotos; ++i)
        Write(source + QStringLiteral("/p%1.jpg").arg(i, 2, 10, QLatin1Char('0')), tk::EncodeJpeg(small, 90));
    const QString path = source + QStringLiteral("/a.jpg");
    QByteArray jpeg = tk::EncodeJpeg(small, 90);
    if (bad == QLatin1String("png")) {
        QBuffer png;
        QVERIFY(png.open(QIODevice::WriteOnly) && small.save(&png, "PNG"));
        Write(path, png.data());
    } else if (bad == QLatin1String("empty")) {
        Write(path, {});
    } else if (bad == QLatin1String("damaged")) {
        Write(path, jpeg.left(2) + QByteArray(600, 'x'));
    } else if (bad == QLatin1String("12-bit")) {
        jpeg[fixture::FrameMarker(jpeg) + 4] = 12; // what such a file's header says; it is all that is read
        Write(path, jpeg);
    } else if (bad == QLatin1String("huge")) {
        const qsizetype frame = jpeg.indexOf("\xFF\xC0");
        QVERIFY(frame > 0);
        for (const int at : {5, 7}) // height, then width
            jpeg[frame + at] = char(0xFF), jpeg[frame + at + 1] = char(0xDC);
        Write(path, jpeg);
    } else {
        QVERIFY(QFile::link(source + QStringLiteral("/nothing.jpg"), path));
    }

    cardset::Options options;
    QStringList complaints;
    const cardset::Output out{[](const QString&) {}, [&](const QString& text) { complaints << text; }};
    QStringList arguments{source, scratch.filePath(QStringLiteral("karty"))};
    if (verbose)
        arguments.prepend(QStringLiteral("--verbose"));
    QVERIFY(cardset::ParseArguments(arguments, &options, out));
    QCOMPARE(int(cardset::MakeCardSet(options, out)), int(cardset::kTooFewPhotos));
    QCOMPARE(complaints.value(0), message);
}

// A full disk, or a file size limit where the disk cannot be mounted: both fail on the second card.
// A failed run leaves nothing, not even the folders it made, so the next run is not refused.
void CardSetTest::aFailedRunLeavesNothing_data() {
    QTest::addColumn<bool>("fullDisk");
    QTest::addColumn<bool>("earlierSet"); // --force over a set that must survive the failure
    QTest::addColumn<QString>("systemText");
    QTest::newRow("a full disk (tmpfs of 64 KiB)") << true << false << "No space left on device";
    QTest::newRow("a file size limit of 48 KiB") << false << false << "File too large";
    QTest::newRow("--force over an earlier set, a file size limit") << false << true << "File too large";
}

void CardSetTest::aFailedRunLeavesNothing() {
    QFETCH(bool, fullDisk);
    QFETCH(bool, earlierSet);
    QFETCH(QString, systemText);
    QTemporaryDir scratch;
    const QString source = scratch.filePath(QStringLiteral("fotky"));
    const QString disk = scratch.filePath(QStringLiteral("disk"));
    const QString target = disk + QStringLiteral("/sada/karty");
    QVERIFY(QDir().mkpath(source) && QDir().mkpath(disk));
    for (int i = 1; i <= cardset::kPictureCount; ++i)
        Write(source + QStringLiteral("/p%1.jpg").arg(i, 2, 10, QLatin1Char('0')),
              i == 2 ? NoisePhoto() : Photo(i, false));

    // The limits hold in a child process only: its own mount of the disk, or its own file size limit.
#ifdef __SANITIZE_THREAD__
    QSKIP("ThreadSanitizer cannot follow the maker's threads in a child forked from a threaded test; "
          "the normal and the AddressSanitizer builds run this");
#endif
    int pipeEnds[2];
    QCOMPARE(::pipe(pipeEnds), 0);
    const pid_t child = ::fork();
    if (child == 0) {
        QStringList report;
        const QByteArray diskPath = QFile::encodeName(disk);
        if (fullDisk && (::unshare(CLONE_NEWNS) != 0 ||
                         ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
                         ::mount("tmpfs", diskPath.constData(), "tmpfs", 0, "size=64k") != 0)) {
            report << QStringLiteral("skip");
        } else {
            if (!fullDisk) {
                std::signal(SIGXFSZ, SIG_IGN);
                const rlimit limit{48 * 1024, 48 * 1024};
                ::setrlimit(RLIMIT_FSIZE, &limit);
            }
            if (earlierSet && (!QDir().mkpath(target) ||
                               !QFile(target + QStringLiteral("/1.jpg")).open(QIODevice::WriteOnly)))
                report << QStringLiteral("no earlier set");
            QStringList complaints;
            const cardset::Output out{[](const QString&) {},
                                      [&](const QString& text) { complaints << text; }};
            for (int run = 0; run < 2; ++run)
                report << QString::number(cardset::MakeCardSet({source, target, earlierSet}, out));
            report << Everything(disk).join(QLatin1Char(',')) << complaints;
        }
        const QByteArray bytes = report.join(QLatin1Char('\n')).toUtf8();
        const bool written =
            ::write(pipeEnds[1], bytes.constData(), static_cast<std::size_t>(bytes.size())) == bytes.size();
        std::_Exit(written ? 0 : 1);
    }
    ::close(pipeEnds[1]);
    QByteArray got;
    char buffer[4096];
    for (ssize_t n; (n = ::read(pipeEnds[0], buffer, sizeof buffer)) > 0;)
        got.append(buffer, n);
    ::close(pipeEnds[0]);
    int status = 0;
    QCOMPARE(::waitpid(child, &status, 0), child);
    QVERIFY(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    const QStringList report = QString::fromUtf8(got).split(QLatin1Char('\n'));
    if (report.value(0) == QLatin1String("skip"))
        QSKIP("mounting a tmpfs is not allowed here");
    const QString failed = QString::number(cardset::kWriteFailed);
    const QString left = earlierSet ? QStringLiteral("sada,sada/karty,sada/karty/1.jpg") : QString();
    QCOMPARE(report.mid(0, 3), (QStringList{failed, failed, left}));
    QVERIFY2(report.value(3).contains(QStringLiteral("2.jpg“ nelze zapsat: ") + systemText),
             qPrintable(report.join(QLatin1Char('\n'))));

    // With room again, the next run makes the set.
    const cardset::Output quiet{[](const QString&) {}, [](const QString&) {}};
    QCOMPARE(int(cardset::MakeCardSet({source, target, earlierSet}, quiet)), int(cardset::kDone));
    QCOMPARE(QDir(target).entryList(QDir::Files).size(), cardset::kPictureCount + 1);
}

// Each EXIF orientation: the photo is stored as that camera would store it, and its card shows the
// upright photo's centre square, quadrants in their places.
void CardSetTest::everyOrientationStandsUpright_data() {
    QTest::addColumn<int>("orientation");
    for (int orientation = 1; orientation <= 8; ++orientation)
        QTest::addRow("orientation %d", orientation) << orientation;
}

void CardSetTest::everyOrientationStandsUpright() {
    QFETCH(int, orientation);
    // Upright: 400 x 300, the four quadrant colours in the centre square, black bands beside it.
    constexpr int kW = 400, kH = 300;
    const auto upright = [](int x, int y) {
        return x < 50 || x >= 350 ? QColor(Qt::black) : fixture::QuadrantColour(x - 50, y, 300, 300);
    };
    // Where the upright pixel of each stored pixel lies, for each orientation.
    const bool across = orientation >= 5;
    QImage stored(across ? kH : kW, across ? kW : kH, QImage::Format_RGB32);
    for (int sy = 0; sy < stored.height(); ++sy)
        for (int sx = 0; sx < stored.width(); ++sx) {
            const QPoint u = std::array<QPoint, 8>{QPoint(sx, sy),
                                                   QPoint(kW - 1 - sx, sy),
                                                   QPoint(kW - 1 - sx, kH - 1 - sy),
                                                   QPoint(sx, kH - 1 - sy),
                                                   QPoint(sy, sx),
                                                   QPoint(kW - 1 - sy, sx),
                                                   QPoint(kW - 1 - sy, kH - 1 - sx),
                                                   QPoint(sy, kH - 1 - sx)}[std::size_t(orientation - 1)];
            stored.setPixelColor(sx, sy, upright(u.x(), u.y()));
        }
    const QByteArray jpeg = tk::EncodeJpeg(stored, 95);
    const QByteArray exif = fixture::ExifSegment(orientation, orientation % 2 == 0);
    QByteArray segment("\xFF\xE1", 2);
    segment.append(char((exif.size() + 2) >> 8)).append(char((exif.size() + 2) & 0xFF)).append(exif);

    QTemporaryDir scratch;
    const QString source = scratch.filePath(QStringLiteral("fotky"));
    QVERIFY(QDir().mkpath(source));
    for (int i = 1; i <= cardset::kMinimumPhotos; ++i)
        Write(source + QStringLiteral("/%1.jpg").arg(i), jpeg.left(2) + segment + jpeg.mid(2));
    const cardset::Output quiet{[](const QString&) {}, [](const QString&) {}};
    const QString target = scratch.filePath(QStringLiteral("karty"));
    QCOMPARE(int(cardset::MakeCardSet({source, target}, quiet)), int(cardset::kDone));
    const QImage card = tk::DecodeJpeg(tk::ReadPictureFile(target + QStringLiteral("/1.jpg")));
    // The quadrants, and at the card's edges no band: the centre square.
    for (const auto& [at, quadrant] : {std::pair{QPoint(70, 70), 0},
                                       {QPoint(210, 70), 1},
                                       {QPoint(70, 210), 2},
                                       {QPoint(210, 210), 3},
                                       {QPoint(3, 70), 0},
                                       {QPoint(276, 210), 3}})
        QVERIFY2(Near(card.pixelColor(at), fixture::kQuadrants[std::size_t(quadrant)]),
                 qPrintable(
                     QStringLiteral("%1,%2 is %3").arg(at.x()).arg(at.y()).arg(card.pixelColor(at).name())));
}

// A cancel after the third photo: nothing is written, no folder made, and an earlier set is kept.
void CardSetTest::aCancelLeavesNothing_data() {
    QTest::addColumn<bool>("earlierSet");
    QTest::newRow("a new set") << false;
    QTest::newRow("over an earlier set") << true;
}

void CardSetTest::aCancelLeavesNothing() {
    QFETCH(bool, earlierSet);
    QTemporaryDir scratch;
    const QString source = scratch.filePath(QStringLiteral("fotky"));
    const QString sets = scratch.filePath(QStringLiteral("sady"));
    const QString target = sets + QStringLiteral("/fotky");
    QVERIFY(QDir().mkpath(source));
    for (int i = 1; i <= 12; ++i)
        Write(source + QStringLiteral("/p%1.jpg").arg(i, 2, 10, QLatin1Char('0')), Photo(i, false));
    if (earlierSet) {
        QVERIFY(QDir().mkpath(target));
        Write(target + QStringLiteral("/1.jpg"), "an earlier card");
    }
    std::stop_source cancel;
    std::vector<std::pair<int, int>> progress;
    cardset::Output out{[](const QString&) {}, [](const QString&) {}};
    out.progress = [&](int done, int total) {
        progress.emplace_back(done, total);
        if (done == 3)
            cancel.request_stop();
    };
    QCOMPARE(int(cardset::MakeCardSet({source, target, true}, out, cancel.get_token())),
             int(cardset::kCancelled));
    QCOMPARE(progress.front(), std::make_pair(0, 12));
    QCOMPARE(progress.back().first, 3); // looked at between photos: none made after the cancel
    const QStringList kept =
        earlierSet ? QStringList{QStringLiteral("fotky"), QStringLiteral("fotky/1.jpg")} : QStringList{};
    QCOMPARE(Everything(sets), kept);
    if (earlierSet) {
        QFile kept(target + QStringLiteral("/1.jpg"));
        QVERIFY(kept.open(QIODevice::ReadOnly));
        QCOMPARE(kept.readAll(), QByteArray("an earlier card"));
    }
}

TK_TEST_MAIN(CardSetTest)
#include "card_set_test.moc"
