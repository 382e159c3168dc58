// The insertion rule and the table file, on a table held in memory.
#include "scores/score_file.h"

#include "support/test_main.h"
#include "toolkit/text/errors.h"
#include "toolkit/text/text_file.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <cerrno>

using scores::TextCells;

namespace {

// A table with the given score texts in rows 1 to 10 and the names r1 to r10.
TextCells Table(const QStringList& scoreTexts) {
    TextCells cells;
    for (int row = scores::kFirstRow; row <= scores::kLastRow; ++row) {
        cells.SetCell(scores::kScoreCol, row, scoreTexts.at(row - 1));
        cells.SetCell(scores::kNameCol, row, QStringLiteral("r%1").arg(row));
    }
    return cells;
}

// Rows 1 to 10 as "score|name", for a comparison that shows every row.
QStringList Rows(const scores::ScoreCells& cells) {
    QStringList rows;
    for (int row = scores::kFirstRow; row <= scores::kLastRow; ++row) {
        rows << cells.Cell(scores::kScoreCol, row) + QLatin1Char('|') + cells.Cell(scores::kNameCol, row);
    }
    return rows;
}

QStringList Default() {
    return QStringList(10, scores::kEmptyScore);
}

QByteArray ReadAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

// A scratch folder holding one table file with the given bytes.
struct TableFile {
    TableFile(const QString& name, const QByteArray& bytes) : path(dir.filePath(name)) {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        QCOMPARE(file.write(bytes), bytes.size());
    }
    QTemporaryDir dir;
    const QString path;
};

// The empty table as the original platform wrote it.
const QByteArray kDefaultFile = QByteArray("        0\r\n--pr\xE1zdn\xFD--\r\n").repeated(10);

} // namespace

class ScoreFileTest : public QObject {
    Q_OBJECT
private slots:
    void insertion_data();
    void insertion();
    void conversionStopsBeforeAnyChange_data();
    void conversionStopsBeforeAnyChange();
    void load_data();
    void load();
    void saveWritesCellsByteForByte_data();
    void saveWritesCellsByteForByte();
    void failedSaveLeavesOldFileWhole_data();
    void failedSaveLeavesOldFileWhole();
};

void ScoreFileTest::insertion_data() {
    QTest::addColumn<QStringList>("before");
    QTest::addColumn<int>("score");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QStringList>("after"); // rows 1 to 10 as "score|name"

    const QStringList descending{"  90", "  80", "  70", "  60", "  50",
                                 "  40", "  30", "  20", "  15", "  12"};
    const auto shifted = [](const QStringList& before, int rank, const QString& score, const QString& name) {
        QStringList rows = Rows(Table(before));
        rows.insert(rank - 1, score + QLatin1Char('|') + name);
        rows.removeLast();
        return rows;
    };

    QTest::newRow("empty table: 57 goes to row 1, old row 10 dropped")
        << Default() << 57 << "Ema" << shifted(Default(), 1, "  57", "Ema");
    QTest::newRow("empty table: 0 ties with every row and goes to row 1")
        << Default() << 0 << "Ema" << shifted(Default(), 1, "  0", "Ema");
    QTest::newRow("tie with row 3 goes above it")
        << descending << 70 << "Ema" << shifted(descending, 3, "  70", "Ema");
    QTest::newRow("between rows 2 and 3")
        << descending << 75 << "Ema" << shifted(descending, 3, "  75", "Ema");
    QTest::newRow("row 10 holds 12: 11 does not enter")
        << descending << 11 << "Ema" << Rows(Table(descending));
    QTest::newRow("row 10 holds 12: 12 replaces row 10, nothing moves")
        << descending << 12 << "Ema" << shifted(descending, 10, "  12", "Ema");
    QTest::newRow("13 beats row 10 only")
        << descending << 13 << "Ema" << shifted(descending, 10, "  13", "Ema");
    QTest::newRow("300 is stored whole and ranks above 255")
        << QStringList{"  255"} + Default().mid(1) << 300 << "Ema"
        << shifted(QStringList{"  255"} + Default().mid(1), 1, "  300", "Ema");
    const QStringList hex{"$FF", "0x10", "  $a", "0", "0", "0", "0", "0", "0", "0"};
    QTest::newRow("hexadecimal cells from a hand-edited file compare by value")
        << hex << 12 << "Ema" << shifted(hex, 3, "  12", "Ema");
    const QStringList negative{"  5", "  -2", "  -7", "-8", "-9", "-10", "-11", "-12", "-13", "-14"};
    QTest::newRow("negative cells: -3 goes below -2")
        << negative << -3 << "Ema" << shifted(negative, 3, "  -3", "Ema");
    QTest::newRow("negative cells: -14 ties with row 10")
        << negative << -14 << "Ema" << shifted(negative, 10, "  -14", "Ema");
    QTest::newRow("negative cells: -15 does not enter") << negative << -15 << "Ema" << Rows(Table(negative));
    const QStringList unsorted{"  10", "  50", "  5", "  80", "  1", "0", "0", "0", "0", "0"};
    QTest::newRow("unsorted table is never sorted: 20 goes above row 1")
        << unsorted << 20 << "Ema" << shifted(unsorted, 1, "  20", "Ema");
    QTest::newRow("unsorted table: 8 goes above the first row not greater (row 3)")
        << unsorted << 8 << "Ema" << shifted(unsorted, 3, "  8", "Ema");
    const QStringList garbageBelow{"  90", "  80", "abc", "", "x", "x", "x", "x", "x", "x"};
    QTest::newRow("cells below the rank are never converted")
        << garbageBelow << 85 << "Ema" << shifted(garbageBelow, 2, "  85", "Ema");
    QTest::newRow("empty name is stored empty")
        << descending << 95 << "" << shifted(descending, 1, "  95", "");
    QTest::newRow("Czech name kept as typed")
        << descending << 95 << "Žofie Kůňová" << shifted(descending, 1, "  95", "Žofie Kůňová");
    QTest::newRow("CR, LF and byte 26 are kept out of the name") << descending << 95
                                                                 << QString("E\r\nm\x1A"
                                                                            "a\n")
                                                                 << shifted(descending, 1, "  95", "Ema");
    QTest::newRow("characters Windows-1250 cannot store are kept out of the name")
        << descending << 95 << QString::fromUtf8("Ema\u263A\U0001F600\u00E6!")
        << shifted(descending, 1, "  95", "Ema!");
}

void ScoreFileTest::insertion() {
    QFETCH(QStringList, before);
    QFETCH(int, score);
    QFETCH(QString, name);
    QFETCH(QStringList, after);

    TextCells cells = Table(before);
    const bool entered = scores::InsertScore(cells, score, name);
    QCOMPARE(Rows(cells), after);
    QCOMPARE(entered, after != Rows(Table(before)));
}

void ScoreFileTest::conversionStopsBeforeAnyChange_data() {
    QTest::addColumn<QStringList>("before");
    QTest::addColumn<int>("score");
    QTest::addColumn<QString>("message");

    QTest::newRow("text in row 1") << QStringList{"abc"} + Default().mid(1) << 5
                                   << "'abc' is not a valid integer value";
    QTest::newRow("empty cell of a short file")
        << QStringList{"  90", "  80", ""} + Default().mid(3) << 5 << "'' is not a valid integer value";
    QTest::newRow("leading spaces belong to the message")
        << QStringList{"  90", "  12a"} + Default().mid(2) << 5 << "'  12a' is not a valid integer value";
    QTest::newRow("decimal beyond 32 bits")
        << QStringList{"2147483648"} + Default().mid(1) << 5 << "'2147483648' is not a valid integer value";
    QStringList lastBad(9, "  90");
    lastBad << "9x";
    QTest::newRow("row 10 is converted when the search reaches it")
        << lastBad << 5 << "'9x' is not a valid integer value";
}

void ScoreFileTest::conversionStopsBeforeAnyChange() {
    QFETCH(QStringList, before);
    QFETCH(int, score);
    QFETCH(QString, message);

    TextCells cells = Table(before);
    try {
        scores::InsertScore(cells, score, "Ema");
        QFAIL("no conversion error");
    } catch (const tk::EConvertError& error) {
        QCOMPARE(error.Text(), message);
    }
    QCOMPARE(Rows(cells), Rows(Table(before)));
}

void ScoreFileTest::load_data() {
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QStringList>("rows");

    const QStringList defaults(10, scores::kEmptyScore + "|" + scores::kEmptyName);
    QStringList numbered;
    QByteArray numberedLf;
    for (int row = 1; row <= 10; ++row) {
        numbered << QString("  %1|n%1").arg(row);
        numberedLf += QString("  %1\nn%1\n").arg(row).toLatin1();
    }
    QByteArray numberedCrLf = numberedLf;
    numberedCrLf.replace("\n", "\r\n");

    QTest::newRow("the empty table of the original platform") << kDefaultFile << defaults;
    QTest::newRow("CR LF line ends") << numberedCrLf << numbered;
    QTest::newRow("LF line ends alone load the same") << numberedLf << numbered;
    QStringList nineteen = numbered;
    nineteen.last() = "  10|";
    QTest::newRow("19 lines: row 10 gets an empty name")
        << numberedCrLf.left(numberedCrLf.size() - 5) << nineteen;
    QTest::newRow("21 lines: the last is ignored") << numberedCrLf + "  99\r\n" << numbered;
    QStringList cut(10, "|");
    cut[0] = "  7|Ema";
    cut[1] = "  3|";
    QTest::newRow("byte 26 ends the file") << QByteArray("  7\r\nEma\r\n  3\x1A\r\nBo\r\n  1\r\n") << cut;
    QStringList last(10, "|");
    last[0] = "  7|Ema";
    QTest::newRow("last line without a line end") << QByteArray("  7\r\nEma") << last;
    QTest::newRow("empty file: every cell empty") << QByteArray() << QStringList(10, "|");
    QStringList odd(10, "|");
    odd[0] = "12|Žofie Kůň";
    odd[1] = "|Bára";
    QTest::newRow("CR anywhere is left out, empty lines stay, Windows-1250 decoded")
        << QByteArray("1\r2\r\r\n\x8E"
                      "ofie K\xF9\xF2\r\n\r\nB\xE1ra\r\n")
        << odd;
}

void ScoreFileTest::load() {
    QFETCH(QByteArray, file);
    QFETCH(QStringList, rows);

    const TableFile table("hiscore1.dat", file);
    TextCells cells = Table(QStringList(10, "stale"));
    scores::LoadTable(table.path, cells);
    QCOMPARE(Rows(cells), rows);
}

void ScoreFileTest::saveWritesCellsByteForByte_data() {
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QByteArray>("saved");

    QByteArray numbered;
    for (int row = 1; row <= 10; ++row) {
        numbered += QString("  %1\r\nn%1\r\n").arg(row).toLatin1();
    }
    QByteArray lf = numbered;
    lf.replace("\r\n", "\n");
    QTest::newRow("the empty table: 240 bytes") << kDefaultFile << kDefaultFile;
    QTest::newRow("LF file saved with CR LF") << lf << numbered;
    QTest::newRow("19 lines saved as 20, the last empty")
        << numbered.left(numbered.size() - 5) << numbered.left(numbered.size() - 5) + "\r\n";
    QTest::newRow("21 lines saved as 20") << numbered + "x\r\n" << numbered;
    // Every byte but CR, LF and 26 survives, also those Windows-1250 leaves undefined.
    QByteArray allBytes;
    for (int b = 0; b < 256; ++b) {
        if (b != '\r' && b != '\n' && b != 0x1A) {
            allBytes += char(b);
        }
    }
    const QByteArray original =
        "  300\r\n" + allBytes + "\r\n  $FF\r\n\r\nabc\r\n\x8A\xE1r\xEAk\r\n" + numbered.mid(27);
    QTest::newRow("a file of the original platform comes back identical") << original << original;
}

void ScoreFileTest::saveWritesCellsByteForByte() {
    QFETCH(QByteArray, file);
    QFETCH(QByteArray, saved);

    const TableFile table("hiscore4.dat", file);
    TextCells cells;
    scores::LoadTable(table.path, cells);
    scores::SaveTable(table.path, cells);
    QCOMPARE(ReadAll(table.path), saved);
}

void ScoreFileTest::failedSaveLeavesOldFileWhole_data() {
    QTest::addColumn<int>("linesOk");
    QTest::addColumn<int>("systemErrno");
    QTest::addColumn<QString>("message");

    QTest::newRow("disk full before the first line") << 0 << ENOSPC << "Disk full";
    QTest::newRow("disk full half way") << 7 << ENOSPC << "Disk full";
    QTest::newRow("access denied at the last line") << 19 << EACCES << "File access denied";
    QTest::newRow("too many open files") << 3 << EMFILE << "Too many open files";
    QTest::newRow("any other code is shown by number") << 10 << EBUSY << "I/O error 16";
}

void ScoreFileTest::failedSaveLeavesOldFileWhole() {
    QFETCH(int, linesOk);
    QFETCH(int, systemErrno);
    QFETCH(QString, message);

    const TableFile table("hiscore2.dat", kDefaultFile);
    const QString& path = table.path;
    TextCells cells = Table(QStringList(10, "  1"));
    tk::testing::FailTextWritesAfter(linesOk, systemErrno);
    try {
        scores::SaveTable(path, cells);
        tk::testing::FailTextWritesAfter(-1, 0);
        QFAIL("the save did not fail");
    } catch (const tk::EInOutError& error) {
        tk::testing::FailTextWritesAfter(-1, 0);
        QCOMPARE(error.Text(), message);
    }
    QCOMPARE(ReadAll(path), kDefaultFile);
    // Nothing is left beside it either.
    QCOMPARE(QDir(table.dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"hiscore2.dat"});
    // The next save that succeeds writes the whole table.
    scores::SaveTable(path, cells);
    QByteArray whole;
    for (int row = 1; row <= 10; ++row) {
        whole += "  1\r\nr" + QByteArray::number(row) + "\r\n";
    }
    QCOMPARE(ReadAll(path), whole);
}

TK_TEST_MAIN(ScoreFileTest)
#include "score_file_test.moc"
