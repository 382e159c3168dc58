// SPDX-License-Identifier: GPL-3.0-or-later
// The score table window as the fire game uses it: "Zapsat" shows it and puts the score in, all
// inside the caller's error boundary, with the table files in a temporary current directory.
#include "scores/score_form.h"

#include "support/test_main.h"
#include "support/test_support.h"
#include "toolkit/text/cp1250.h"
#include "toolkit/text/errors.h"
#include "toolkit/text/files.h"
#include "toolkit/text/text_file.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>

#include <cerrno>
#include <memory>

namespace {

const QByteArray kEmptyRow("        0\r\n--pr\xE1zdn\xFD--\r\n");
const QByteArray kDefaultFile = kEmptyRow.repeated(10);
const QByteArray kAbsent("<absent>");

// Ten rows "  90".."  12" named A to J, the last row holding 12.
const QByteArray kTwelveLast("  90\r\nA\r\n  80\r\nB\r\n  70\r\nC\r\n  60\r\nD\r\n  50\r\nE\r\n"
                             "  40\r\nF\r\n  30\r\nG\r\n  20\r\nH\r\n  15\r\nI\r\n  12\r\nJ\r\n");
// Its rows 1 to 9, which stay when a better score pushes row 10 out.
const QByteArray kFirstNine = kTwelveLast.left(kTwelveLast.indexOf("  12"));

QByteArray ReadFile(const QString& name) {
    QFile file(name);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : kAbsent;
}

void WriteFile(const QString& name, const QByteArray& bytes) {
    if (bytes == kAbsent) {
        return;
    }
    QFile file(name);
    QVERIFY(file.open(QIODevice::WriteOnly));
    QCOMPARE(file.write(bytes), bytes.size());
}

QString FileOf(int tableNumber) {
    return QStringLiteral("hiscore%1.dat").arg(tableNumber);
}

} // namespace

class ScoreFormTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();
    void cleanupTestCase();

    void layout();
    void showingLoadsAndSavesAtOnce_data();
    void showingLoadsAndSavesAtOnce();
    void zapsat_data();
    void zapsat();
    void scoreThatDoesNotEnterWritesNothing_data();
    void scoreThatDoesNotEnterWritesNothing();
    void switchingTablesWithTheWindowOpen();
    void failedSaveKeepsOldFileAndGridEntry_data();
    void failedSaveKeepsOldFileAndGridEntry();
    void failedSaveWhileShowingLetsTheScoreIn_data();
    void failedSaveWhileShowingLetsTheScoreIn();
    void loadErrorKeepsGridAndSavesNothing();
    void folderNamedLikeTheFileIsNoFile();
    void czechNamesOnScreen();
    void centredOnlyAtTheFirstShowing();

private:
    // What the fire game's "Zapsat" does, inside the error boundary its click runs in.
    void Zapsat(std::uint8_t tableNumber, std::int32_t score, const QString& name);
    // The grid's rows 1 to 10 as the file should hold them.
    QByteArray GridAsFile() const;
    QStringList Errors() const { return harness_->dialogs->errors; }

    std::unique_ptr<testing::Harness> harness_;
    std::unique_ptr<tk::TForm> mainWindow_; // made first, so the table is not the main window
    std::unique_ptr<QTemporaryDir> dir_;
    std::unique_ptr<TForm3> table_;
    QString startDir_;
};

void ScoreFormTest::initTestCase() {
    startDir_ = tk::GetCurrentDir();
    harness_ = std::make_unique<testing::Harness>();
    mainWindow_ = std::make_unique<tk::TForm>();
}

void ScoreFormTest::init() {
    harness_->dialogs->errors.clear();
    dir_ = std::make_unique<QTemporaryDir>();
    QVERIFY(dir_->isValid());
    tk::SetCurrentDir(dir_->path());
    table_ = std::make_unique<TForm3>();
    Form3 = table_.get();
}

void ScoreFormTest::cleanup() {
    tk::testing::FailTextWritesAfter(-1, 0);
    Form3 = nullptr;
    table_.reset();
    tk::SetCurrentDir(startDir_);
    dir_.reset();
}

void ScoreFormTest::cleanupTestCase() {
    mainWindow_.reset();
    harness_.reset();
}

void ScoreFormTest::Zapsat(std::uint8_t tableNumber, std::int32_t score, const QString& name) {
    tk::App().Invoke([&] {
        Form3->ShowTable(tableNumber);
        Form3->ConsiderNewScore(score, name);
    });
}

QByteArray ScoreFormTest::GridAsFile() const {
    QByteArray bytes;
    for (int row = 1; row <= 10; ++row) {
        for (int col = 0; col < 2; ++col) {
            bytes += tk::cp1250::Encode(table_->StringGrid1->Cell(col, row)) + "\r\n";
        }
    }
    return bytes;
}

void ScoreFormTest::layout() {
    tk::TStringGrid* grid = table_->StringGrid1;
    QCOMPARE(table_->Caption(), QString("Hiscore"));
    QCOMPARE(QSize(table_->OuterWidth(), table_->OuterHeight()), QSize(141, 313));
    QCOMPARE(QSize(grid->ColCount(), grid->RowCount()), QSize(2, 11));
    QCOMPARE(grid->editTriggers(), QAbstractItemView::NoEditTriggers);
    for (int row = 0; row < 11; ++row) {
        QVERIFY(grid->Cell(0, row).isEmpty() && grid->Cell(1, row).isEmpty());
    }
    QVERIFY(testing::ShowAndExpose(table_.get()));
    QCOMPARE(grid->geometry(), QRect(QPoint(0, 0), table_->ClientSize()));
    const QSize before = grid->size();
    table_->resize(table_->width() + 57, table_->height() - 40);
    QTRY_COMPARE(grid->size(), before + QSize(57, -40));
    QCOMPARE(grid->geometry(), QRect(QPoint(0, 0), table_->ClientSize()));
}

void ScoreFormTest::showingLoadsAndSavesAtOnce_data() {
    QTest::addColumn<int>("tableNumber");
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QByteArray>("saved");

    QTest::newRow("no file: the empty table of 240 bytes") << 1 << kAbsent << kDefaultFile;
    const QByteArray original("  $1F\r\n\x8A\xE1rka\r\n  12\r\n\r\n  -3\r\nabc\x81\x98\x7F\r\n" +
                              kEmptyRow.repeated(6) + "abc\r\nZ\r\n");
    QTest::newRow("a file of the original platform is written back identical") << 9 << original << original;
    QTest::newRow("LF line ends are saved as CR LF")
        << 0 << QByteArray(kTwelveLast).replace("\r\n", "\n") << kTwelveLast;
    QTest::newRow("19 lines come back as 20, the last empty")
        << 5 << kTwelveLast.left(kTwelveLast.size() - 3) << kTwelveLast.left(kTwelveLast.size() - 3) + "\r\n";
    QTest::newRow("byte 26 ends the table") << 3 << kEmptyRow + "  7\x1A\r\nEma\r\n"
                                            << kEmptyRow + "  7\r\n" + QByteArray("\r\n").repeated(17);
}

void ScoreFormTest::showingLoadsAndSavesAtOnce() {
    QFETCH(int, tableNumber);
    QFETCH(QByteArray, file);
    QFETCH(QByteArray, saved);

    WriteFile(FileOf(tableNumber), file);
    tk::App().Invoke([&] { Form3->ShowTable(tableNumber); });

    QVERIFY(table_->Visible());
    QCOMPARE(Errors(), QStringList());
    QCOMPARE(table_->StringGrid1->Cell(0, 0), QString(" Score"));
    QCOMPARE(table_->StringGrid1->Cell(1, 0), QString(" Name"));
    QCOMPARE(ReadFile(FileOf(tableNumber)), saved);
    QCOMPARE(GridAsFile(), saved);
    QCOMPARE(QDir().entryList(QDir::Files | QDir::Hidden), QStringList{FileOf(tableNumber)});
}

void ScoreFormTest::zapsat_data() {
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<int>("score");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("saved");
    QTest::addColumn<QString>("error");

    QTest::newRow("57 Ema into the empty table goes first")
        << kAbsent << 57 << "Ema"
        << "  57\r\nEma\r\n" + kEmptyRow.repeated(9) << "";
    QTest::newRow("12 replaces row 10 holding 12")
        << kTwelveLast << 12 << "Bo" << kFirstNine + "  12\r\nBo\r\n"
        << "";
    QTest::newRow("11 under row 10 holding 12 leaves the table")
        << kTwelveLast << 11 << "Bo" << kTwelveLast << "";
    QTest::newRow("300 goes above 255") << "  255\r\nX\r\n" + kEmptyRow.repeated(9) << 300 << "Ema"
                                        << "  300\r\nEma\r\n  255\r\nX\r\n" + kEmptyRow.repeated(8) << "";
    QTest::newRow("a score cell that is not a number stops before any change")
        << "abc\r\nX\r\n" + kEmptyRow.repeated(9) << 5 << "Ema"
        << "abc\r\nX\r\n" + kEmptyRow.repeated(9) << "'abc' is not a valid integer value.";
    QTest::newRow("a short file's empty score cell stops it too")
        << kTwelveLast.left(18) << 5 << "Ema" << kTwelveLast.left(18) + QByteArray("\r\n").repeated(16)
        << "'' is not a valid integer value.";
    QTest::newRow("Czech name stored in Windows-1250")
        << kTwelveLast << 95 << "Šárka Růžičková"
        << "  95\r\n\x8A\xE1rka R\xF9\x9Ei\xE8kov\xE1\r\n" + kFirstNine << "";
    QTest::newRow("empty name stored as an empty line") << kTwelveLast << 95 << ""
                                                        << "  95\r\n\r\n" + kFirstNine << "";
    QTest::newRow("CR, LF and byte 26 in a name never split its line")
        << kTwelveLast << 95
        << QString("E\r\nm\x1A"
                   "a\r")
        << "  95\r\nEma\r\n" + kFirstNine << "";
    QTest::newRow("characters the file cannot hold never reach it")
        << kTwelveLast << 95 << QString::fromUtf8("Ema \u263A\U0001F600\u0107")
        << "  95\r\nEma \xE6\r\n" + kFirstNine << "";
}

void ScoreFormTest::zapsat() {
    QFETCH(QByteArray, file);
    QFETCH(int, score);
    QFETCH(QString, name);
    QFETCH(QByteArray, saved);
    QFETCH(QString, error);

    WriteFile(FileOf(4), file);
    Zapsat(4, score, name);

    QCOMPARE(Errors(), error.isEmpty() ? QStringList() : QStringList{error});
    QCOMPARE(ReadFile(FileOf(4)), saved);
    QCOMPARE(GridAsFile(), saved);
}

void ScoreFormTest::scoreThatDoesNotEnterWritesNothing_data() {
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<int>("score");
    QTest::addColumn<int>("errors");

    QTest::newRow("below row 10") << kTwelveLast << 11 << 0;
    QTest::newRow("not a number") << QByteArray("  9\r\nA\r\nx\r\n") << 5 << 1;
}

void ScoreFormTest::scoreThatDoesNotEnterWritesNothing() {
    QFETCH(QByteArray, file);
    QFETCH(int, score);
    QFETCH(int, errors);

    WriteFile(FileOf(6), file);
    table_->ShowTable(6);
    const QByteArray grid = GridAsFile();
    QVERIFY(QFile::remove(FileOf(6)));
    tk::App().Invoke([&] { Form3->ConsiderNewScore(score, "Bo"); });
    QCOMPARE(Errors().size(), errors);
    QCOMPARE(ReadFile(FileOf(6)), kAbsent);
    QCOMPARE(GridAsFile(), grid);
}

void ScoreFormTest::switchingTablesWithTheWindowOpen() {
    Zapsat(1, 57, "Ema");
    QCOMPARE(ReadFile(FileOf(1)), "  57\r\nEma\r\n" + kEmptyRow.repeated(9));
    // Any write to table 1 from here on would bring its file back.
    QVERIFY(QFile::remove(FileOf(1)));

    WriteFile(FileOf(8), kTwelveLast);
    QVERIFY(table_->Visible());
    Zapsat(8, 65, "Petr");

    const QByteArray expected = kTwelveLast.left(kTwelveLast.indexOf("  60")) + "  65\r\nPetr\r\n" +
                                kTwelveLast.mid(kTwelveLast.indexOf("  60"),
                                                kTwelveLast.indexOf("  12") - kTwelveLast.indexOf("  60"));
    QCOMPARE(Errors(), QStringList());
    QCOMPARE(ReadFile(FileOf(8)), expected);
    QCOMPARE(GridAsFile(), expected);
    QCOMPARE(ReadFile(FileOf(1)), kAbsent);
}

void ScoreFormTest::failedSaveKeepsOldFileAndGridEntry_data() {
    QTest::addColumn<int>("linesOk");
    QTest::addColumn<int>("systemErrno");
    QTest::addColumn<QString>("error");

    QTest::newRow("disk full half way") << 9 << ENOSPC << "Disk full.";
    QTest::newRow("disk full at once") << 0 << ENOSPC << "Disk full.";
    QTest::newRow("access denied at the last line") << 19 << EACCES << "File access denied.";
}

void ScoreFormTest::failedSaveKeepsOldFileAndGridEntry() {
    QFETCH(int, linesOk);
    QFETCH(int, systemErrno);
    QFETCH(QString, error);

    WriteFile(FileOf(7), kTwelveLast);
    table_->ShowTable(7);
    tk::testing::FailTextWritesAfter(linesOk, systemErrno);
    tk::App().Invoke([&] { Form3->ConsiderNewScore(95, "Ema"); });

    const QByteArray withEntry = "  95\r\nEma\r\n" + kFirstNine;
    QCOMPARE(Errors(), QStringList{error});
    QCOMPARE(GridAsFile(), withEntry);
    QCOMPARE(ReadFile(FileOf(7)), kTwelveLast);
    QCOMPARE(QDir().entryList(QDir::Files | QDir::Hidden), QStringList{FileOf(7)});

    // "Zapsat" again loads the table as the failed save left it and puts the score in once.
    Zapsat(7, 95, "Ema");
    QCOMPARE(Errors().size(), 1);
    QCOMPARE(ReadFile(FileOf(7)), withEntry);
}

void ScoreFormTest::failedSaveWhileShowingLetsTheScoreIn_data() {
    QTest::addColumn<bool>("alreadyShown");
    QTest::newRow("window becoming visible") << false;
    QTest::newRow("window shown already (the showing steps run without OnShow)") << true;
}

void ScoreFormTest::failedSaveWhileShowingLetsTheScoreIn() {
    QFETCH(bool, alreadyShown);
    if (alreadyShown) {
        table_->ShowTable(5);
    }
    QCOMPARE(table_->Visible(), alreadyShown);
    tk::testing::FailTextWritesAfter(4, ENOSPC);
    Zapsat(2, 57, "Ema");
    QCOMPARE(Errors(), QStringList{"Disk full."});
    QVERIFY(table_->Visible());
    QCOMPARE(ReadFile(FileOf(2)), "  57\r\nEma\r\n" + kEmptyRow.repeated(9));
}

void ScoreFormTest::loadErrorKeepsGridAndSavesNothing() {
    // A file that exists but cannot be read: reading this one fails with an I/O error.
    if (!QFile::exists("/proc/self/mem")) {
        QSKIP("needs /proc/self/mem for a file that fails to read");
    }
    Zapsat(1, 57, "Ema");
    const QByteArray tableOne = GridAsFile();
    QVERIFY(QFile::link("/proc/self/mem", FileOf(2)));
    table_->StringGrid1->SetCell(0, 0, "stale");

    tk::App().Invoke([&] { Form3->ShowTable(2); });

    QCOMPARE(Errors(), QStringList{tk::ErrorBoxText(tk::texts::IoError(tk::IoErrorCode(EIO)))});
    QVERIFY(table_->Visible());
    QCOMPARE(table_->StringGrid1->Cell(0, 0), QString(" Score"));
    QCOMPARE(GridAsFile(), tableOne);
    QVERIFY(QFileInfo(FileOf(2)).isSymLink());
    QCOMPARE(ReadFile(FileOf(1)), tableOne);
}

void ScoreFormTest::folderNamedLikeTheFileIsNoFile() {
    QVERIFY(QDir().mkdir(FileOf(1)));
    tk::App().Invoke([&] { Form3->ShowTable(1); });

    QCOMPARE(Errors(), QStringList{"File access denied."});
    QVERIFY(table_->Visible());
    QCOMPARE(GridAsFile(), kDefaultFile);
    QVERIFY(QFileInfo(FileOf(1)).isDir());
    QCOMPARE(QDir(FileOf(1)).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
             QStringList());
}

void ScoreFormTest::czechNamesOnScreen() {
    WriteFile(FileOf(3), "  120\r\n\x8E"
                         "ofie\r\n  98\r\n\x8A\xE1rka R\xF9\x9Ei\xE8kov\xE1\r\n  75\r\n\xC8"
                         "en\xECk\r\n  40\r\nT\xFDna \xD8\xEDhov\xE1\r\n" +
                             kEmptyRow.repeated(6));
    table_->TableNumber = 3;
    QVERIFY(testing::ShowAndExpose(table_.get()));
    tk::App().Invoke([&] { Form3->ShowTable(3); });

    QCOMPARE(table_->StringGrid1->Cell(1, 1), QString("Žofie"));
    QCOMPARE(table_->StringGrid1->Cell(1, 2), QString("Šárka Růžičková"));
    QCOMPARE(table_->StringGrid1->Cell(1, 3), QString("Čeněk"));
    QCOMPARE(table_->StringGrid1->Cell(1, 4), QString("Týna Říhová"));
    QCOMPARE(table_->StringGrid1->Cell(1, 5), QString("--prázdný--"));
    testing::Shoot(table_.get(), "hiscore_czech");
}

// The player's placement of the table survives closing it and the next "Zapsat".
void ScoreFormTest::centredOnlyAtTheFirstShowing() {
    Zapsat(1, 57, QStringLiteral("Ema"));
    const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
    QCOMPARE(table_->pos(), QPoint(area.x() + (area.width() - table_->OuterWidth()) / 2,
                                   area.y() + (area.height() - table_->OuterHeight()) / 2));
    const QPoint moved(area.x() + 5, area.y() + 7);
    table_->move(moved);
    table_->Close();
    QVERIFY(table_->isHidden());
    Zapsat(1, 58, QStringLiteral("Ema"));
    QVERIFY(table_->isVisible());
    QCOMPARE(table_->pos(), moved);
}

TK_TEST_MAIN(ScoreFormTest)
#include "score_form_test.moc"
