// Text files and the texts of errors. The score files are the main user: 20 lines with CR LF, read
// back whatever their line ends, and a failed save must never cost the old file.
#include "toolkit/text/errors.h"
#include "toolkit/text/text_file.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <cerrno>
#include <csignal>
#include <functional>
#include <initializer_list>
#include <sys/resource.h>

namespace {

QByteArray ReadBytes(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return "<missing>";
    return file.readAll();
}

void WriteBytes(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    QCOMPARE(file.write(bytes), bytes.size());
}

QList<QByteArray> ReadAllLines(const QString& path) {
    tk::TextFileReader reader(path);
    QList<QByteArray> lines;
    while (!reader.AtEnd())
        lines.append(reader.ReadLine());
    reader.Close();
    return lines;
}

// Runs `call` and checks that it raises the I/O error with this code and text.
void ExpectIoError(const std::function<void()>& call, int code, const QString& text) {
    try {
        call();
        QFAIL("no error raised");
    } catch (const tk::EInOutError& error) {
        QCOMPARE(error.Code(), code);
        QCOMPARE(error.Text(), text);
    }
}

// A row whose columns are all texts.
void TextRow(const char* name, std::initializer_list<const char*> texts) {
    QTestData& row = QTest::newRow(name);
    for (const char* text : texts)
        row << QString::fromUtf8(text);
}

} // namespace

class TextFileTest : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void ioErrorCodes_data();
    void ioErrorCodes();
    void errorBoxAddsAFullStop_data();
    void errorBoxAddsAFullStop();
    void errorTextsCarryTheirArguments();
    void readingSplitsLines_data();
    void readingSplitsLines();
    void readingPastTheEndFails();
    void readingAfterCloseFails();
    void openingFails_data();
    void openingFails();
    void writingEndsEachLineWithCrLf_data();
    void writingEndsEachLineWithCrLf();
    void writtenLinesReadBack();
    void failedWriteKeepsTheOldFile_data();
    void failedWriteKeepsTheOldFile();
    void writerDroppedWithoutCloseKeepsTheOldFile();
    void realWriteFailureKeepsTheOldFile();
    void injectedFaultHitsOnlyTheNextWriter();

private:
    QString Path(const QString& name) const { return dir_->path() + QLatin1Char('/') + name; }
    QStringList FolderEntries() const {
        return QDir(dir_->path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden);
    }

    std::unique_ptr<QTemporaryDir> dir_;
};

void TextFileTest::init() {
    dir_ = std::make_unique<QTemporaryDir>();
    QVERIFY(dir_->isValid());
}

void TextFileTest::cleanup() {
    tk::testing::FailTextWritesAfter(-1, 0);
    dir_.reset();
}

void TextFileTest::ioErrorCodes_data() {
    QTest::addColumn<int>("systemErrno");
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("text");
    QTest::newRow("ENOENT") << ENOENT << 2 << "File not found";
    QTest::newRow("ENOTDIR") << ENOTDIR << 3 << "Invalid filename";
    QTest::newRow("ENAMETOOLONG") << ENAMETOOLONG << 3 << "Invalid filename";
    QTest::newRow("EINVAL") << EINVAL << 3 << "Invalid filename";
    QTest::newRow("ELOOP") << ELOOP << 3 << "Invalid filename";
    QTest::newRow("EMFILE") << EMFILE << 4 << "Too many open files";
    QTest::newRow("ENFILE") << ENFILE << 4 << "Too many open files";
    QTest::newRow("EACCES") << EACCES << 5 << "File access denied";
    QTest::newRow("EPERM") << EPERM << 5 << "File access denied";
    QTest::newRow("EROFS") << EROFS << 5 << "File access denied";
    QTest::newRow("EISDIR") << EISDIR << 5 << "File access denied";
    QTest::newRow("ETXTBSY") << ETXTBSY << 5 << "File access denied";
    QTest::newRow("ENOSPC") << ENOSPC << 101 << "Disk full";
    QTest::newRow("EDQUOT") << EDQUOT << 101 << "Disk full";
    QTest::newRow("EFBIG") << EFBIG << 101 << "Disk full";
    QTest::newRow("EIO") << EIO << 1117 << "I/O error 1117";
    QTest::newRow("other errno keeps its number")
        << EXDEV << EXDEV << QStringLiteral("I/O error %1").arg(EXDEV);
}

void TextFileTest::ioErrorCodes() {
    QFETCH(int, systemErrno);
    QFETCH(int, code);
    QFETCH(QString, text);
    QCOMPARE(tk::IoErrorCode(systemErrno), code);
    ExpectIoError([&] { tk::RaiseIoError(systemErrno); }, code, text);
}

void TextFileTest::errorBoxAddsAFullStop_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("shown");
    TextRow("letter", {"File not found", "File not found."});
    TextRow("digit", {"JPEG error #42", "JPEG error #42."});
    TextRow("Czech letter", {"Chyba souboru ý", "Chyba souboru ý."});
    TextRow("closing quote sorts before the full stop", {"'abc' is", "'abc' is."});
    TextRow("full stop itself", {"Done.", "Done."});
    TextRow("closing parenthesis sorts before", {"extension (.png)", "extension (.png)"});
    TextRow("exclamation mark sorts before", {"Stop!", "Stop!"});
    TextRow("slash sorts after", {"a/", "a/."});
    TextRow("empty", {"", ""});
}

void TextFileTest::errorBoxAddsAFullStop() {
    QFETCH(QString, text);
    QFETCH(QString, shown);
    QCOMPARE(tk::ErrorBoxText(text), shown);
}

void TextFileTest::errorTextsCarryTheirArguments() {
    QCOMPARE(tk::texts::InvalidInteger(QStringLiteral("  abc")),
             QStringLiteral("'  abc' is not a valid integer value"));
    QCOMPARE(tk::texts::InvalidInteger(QStringLiteral("%1")),
             QStringLiteral("'%1' is not a valid integer value"));
    QCOMPARE(
        tk::texts::CannotOpenFile(QStringLiteral("/a/1.jpg"), QStringLiteral("No such file or directory")),
        QStringLiteral("Cannot open file \"/a/1.jpg\". No such file or directory"));
    QCOMPARE(tk::texts::UnknownPictureExtension(QStringLiteral("PNG")),
             QStringLiteral("Unknown picture file extension (.PNG)"));
    QCOMPARE(tk::texts::JpegError(53), QStringLiteral("JPEG error #53"));
    QCOMPARE(tk::texts::IoError(106), QStringLiteral("Invalid numeric input"));
    QCOMPARE(tk::texts::IoError(100), QStringLiteral("Read beyond end of file"));
    QCOMPARE(tk::texts::IoError(32), QStringLiteral("I/O error 32"));
}

void TextFileTest::readingSplitsLines_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QList<QByteArray>>("lines");
    using Lines = QList<QByteArray>;
    QTest::newRow("CR LF") << QByteArray("  57\r\nEma\r\n") << Lines{"  57", "Ema"};
    QTest::newRow("LF alone") << QByteArray("  57\nEma\n") << Lines{"  57", "Ema"};
    QTest::newRow("no line end at the end") << QByteArray("a\r\nb") << Lines{"a", "b"};
    QTest::newRow("CR inside a line is left out") << QByteArray("a\rb\r\n") << Lines{"ab"};
    QTest::newRow("CR alone does not end a line") << QByteArray("a\rb\rc") << Lines{"abc"};
    QTest::newRow("several CRs before LF") << QByteArray("a\r\r\r\nb\n") << Lines{"a", "b"};
    QTest::newRow("empty lines") << QByteArray("\r\n\n\r\n") << Lines{"", "", ""};
    QTest::newRow("empty file") << QByteArray() << Lines{};
    QTest::newRow("byte 26 ends the file") << QByteArray("a\r\n\x1A"
                                                         "b\r\n")
                                           << Lines{"a"};
    QTest::newRow("byte 26 inside a line") << QByteArray("ab\x1A"
                                                         "cd\r\nef\r\n")
                                           << Lines{"ab"};
    QTest::newRow("byte 26 first") << QByteArray("\x1A"
                                                 "abc\r\n")
                                   << Lines{};
    QTest::newRow("code page bytes pass unchanged")
        << QByteArray("--pr\xE1zdn\xFD--\r\n") << Lines{"--pr\xE1zdn\xFD--"};
    QTest::newRow("NUL bytes pass") << QByteArray("a\0b\n", 4) << Lines{QByteArray("a\0b", 3)};
    QTest::newRow("long line") << QByteArray(300000, 'x') + "\r\ny" << Lines{QByteArray(300000, 'x'), "y"};
}

void TextFileTest::readingSplitsLines() {
    QFETCH(QByteArray, bytes);
    QFETCH(QList<QByteArray>, lines);
    WriteBytes(Path(QStringLiteral("in.dat")), bytes);
    QCOMPARE(ReadAllLines(Path(QStringLiteral("in.dat"))), lines);
}

void TextFileTest::readingPastTheEndFails() {
    WriteBytes(Path(QStringLiteral("in.dat")), "one\r\n\x1Atwo\r\n");
    tk::TextFileReader reader(Path(QStringLiteral("in.dat")));
    QCOMPARE(reader.ReadLine(), QByteArray("one"));
    QVERIFY(reader.AtEnd());
    ExpectIoError([&] { reader.ReadLine(); }, 100, QStringLiteral("Read beyond end of file"));
}

void TextFileTest::readingAfterCloseFails() {
    WriteBytes(Path(QStringLiteral("in.dat")), "one\r\n");
    tk::TextFileReader reader(Path(QStringLiteral("in.dat")));
    reader.Close();
    QVERIFY_THROWS_EXCEPTION(tk::EInOutError, reader.ReadLine());
}

// Neither a reader nor a writer that cannot open its file may touch what is already there.
void TextFileTest::openingFails_data() {
    QTest::addColumn<bool>("writing");
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("text");
    QTest::newRow("read missing file") << false << "hiscore1.dat" << 2 << "File not found";
    QTest::newRow("read folder") << false << "folder.dat" << 5 << "File access denied";
    QTest::newRow("read below a file") << false << "plain.dat/hiscore1.dat" << 3 << "Invalid filename";
    QTest::newRow("read missing folder") << false << "nowhere/hiscore1.dat" << 2 << "File not found";
    QTest::newRow("write missing folder") << true << "nowhere/hiscore1.dat" << 2 << "File not found";
    QTest::newRow("write below a file") << true << "plain.dat/hiscore1.dat" << 3 << "Invalid filename";
    QTest::newRow("write a folder of that name") << true << "folder.dat" << 5 << "File access denied";
}

void TextFileTest::openingFails() {
    QFETCH(bool, writing);
    QFETCH(QString, name);
    QFETCH(int, code);
    QFETCH(QString, text);
    QVERIFY(QDir(dir_->path()).mkdir(QStringLiteral("folder.dat")));
    WriteBytes(Path(QStringLiteral("plain.dat")), "x\r\n");
    if (writing)
        ExpectIoError([&] { tk::TextFileWriter writer(Path(name)); }, code, text);
    else
        ExpectIoError([&] { tk::TextFileReader reader(Path(name)); }, code, text);
    QCOMPARE(ReadBytes(Path(QStringLiteral("plain.dat"))), QByteArray("x\r\n"));
    QCOMPARE(FolderEntries(), (QStringList{QStringLiteral("folder.dat"), QStringLiteral("plain.dat")}));
}

void TextFileTest::writingEndsEachLineWithCrLf_data() {
    QTest::addColumn<QList<QByteArray>>("lines");
    QTest::addColumn<QByteArray>("bytes");
    using Lines = QList<QByteArray>;
    QTest::newRow("two lines") << Lines{"  57", "Ema"} << QByteArray("  57\r\nEma\r\n");
    QTest::newRow("empty name") << Lines{"  12", ""} << QByteArray("  12\r\n\r\n");
    QTest::newRow("nothing") << Lines{} << QByteArray();
    QTest::newRow("code page bytes") << Lines{"\xE8"
                                              "ert"}
                                     << QByteArray("\xE8"
                                                   "ert\r\n");
}

void TextFileTest::writingEndsEachLineWithCrLf() {
    QFETCH(QList<QByteArray>, lines);
    QFETCH(QByteArray, bytes);
    // An old, longer file is replaced entirely.
    WriteBytes(Path(QStringLiteral("out.dat")), QByteArray(1000, 'o'));
    tk::TextFileWriter writer(Path(QStringLiteral("out.dat")));
    for (const QByteArray& line : lines)
        writer.WriteLine(line);
    writer.Close();
    QCOMPARE(ReadBytes(Path(QStringLiteral("out.dat"))), bytes);
    QCOMPARE(FolderEntries(), QStringList{QStringLiteral("out.dat")});
}

void TextFileTest::writtenLinesReadBack() {
    QList<QByteArray> lines;
    for (int row = 1; row <= 10; ++row)
        lines << QByteArray("        0") << QByteArray("--pr\xE1zdn\xFD--");
    tk::TextFileWriter writer(Path(QStringLiteral("hiscore1.dat")));
    for (const QByteArray& line : lines)
        writer.WriteLine(line);
    writer.Close();
    QCOMPARE(QFileInfo(Path(QStringLiteral("hiscore1.dat"))).size(), 240);
    QCOMPARE(ReadAllLines(Path(QStringLiteral("hiscore1.dat"))), lines);
}

// A full disk half way through a save used to leave a truncated score file; now the old one stays.
void TextFileTest::failedWriteKeepsTheOldFile_data() {
    QTest::addColumn<bool>("oldFileExists");
    QTest::addColumn<int>("linesOk");
    QTest::addColumn<int>("systemErrno");
    QTest::addColumn<int>("code");
    QTest::newRow("disk full before the first line") << true << 0 << ENOSPC << 101;
    QTest::newRow("disk full half way") << true << 9 << ENOSPC << 101;
    QTest::newRow("device error at the last line") << true << 19 << EIO << 1117;
    QTest::newRow("access denied half way") << true << 5 << EACCES << 5;
    QTest::newRow("no old file stays absent") << false << 4 << ENOSPC << 101;
}

void TextFileTest::failedWriteKeepsTheOldFile() {
    QFETCH(bool, oldFileExists);
    QFETCH(int, linesOk);
    QFETCH(int, systemErrno);
    QFETCH(int, code);
    const QString path = Path(QStringLiteral("hiscore3.dat"));
    const QByteArray old = "       80\r\nOld\r\n\x1Atail";
    if (oldFileExists)
        WriteBytes(path, old);

    tk::testing::FailTextWritesAfter(linesOk, systemErrno);
    int written = 0;
    try {
        tk::TextFileWriter writer(path);
        for (; written < 20; ++written)
            writer.WriteLine("       99");
        writer.Close();
        QFAIL("no error raised");
    } catch (const tk::EInOutError& error) {
        QCOMPARE(error.Code(), code);
    }
    QCOMPARE(written, linesOk);
    QCOMPARE(ReadBytes(path), oldFileExists ? old : QByteArray("<missing>"));
    // No temporary file is left beside it.
    QCOMPARE(FolderEntries(), oldFileExists ? QStringList{QStringLiteral("hiscore3.dat")} : QStringList{});
}

void TextFileTest::writerDroppedWithoutCloseKeepsTheOldFile() {
    const QString path = Path(QStringLiteral("hiscore3.dat"));
    WriteBytes(path, "old\r\n");
    {
        tk::TextFileWriter writer(path);
        writer.WriteLine("new");
    }
    QCOMPARE(ReadBytes(path), QByteArray("old\r\n"));
    QCOMPARE(FolderEntries(), QStringList{QStringLiteral("hiscore3.dat")});
}

// A real failure from the system, not the injected one: a file size limit makes the writes fail
// with EFBIG once the new file grows past it, as a full disk would.
void TextFileTest::realWriteFailureKeepsTheOldFile() {
    const QString path = Path(QStringLiteral("hiscore5.dat"));
    const QByteArray old = "       80\r\nOld\r\n";
    WriteBytes(path, old);

    rlimit saved{};
    QVERIFY(::getrlimit(RLIMIT_FSIZE, &saved) == 0);
    rlimit small = saved;
    small.rlim_cur = 64;
    const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
    QVERIFY(::setrlimit(RLIMIT_FSIZE, &small) == 0);
    int code = 0;
    try {
        tk::TextFileWriter writer(path);
        for (int line = 0; line < 20; ++line)
            writer.WriteLine(QByteArray(40, 'n'));
        writer.Close();
    } catch (const tk::EInOutError& error) {
        code = error.Code();
    }
    ::setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previousHandler);

    QCOMPARE(code, 101);
    QCOMPARE(ReadBytes(path), old);
    QCOMPARE(FolderEntries(), QStringList{QStringLiteral("hiscore5.dat")});
}

void TextFileTest::injectedFaultHitsOnlyTheNextWriter() {
    const QString path = Path(QStringLiteral("out.dat"));
    tk::testing::FailTextWritesAfter(1, ENOSPC);
    {
        tk::TextFileWriter writer(path);
        writer.WriteLine("a");
        QVERIFY_THROWS_EXCEPTION(tk::EInOutError, writer.WriteLine("b"));
        // A dead writer stays dead: closing it must not commit half a file.
        QVERIFY_THROWS_EXCEPTION(tk::EInOutError, writer.Close());
    }
    QCOMPARE(ReadBytes(path), QByteArray("<missing>"));
    tk::TextFileWriter writer(path);
    writer.WriteLine("a");
    writer.WriteLine("b");
    writer.Close();
    QCOMPARE(ReadBytes(path), QByteArray("a\r\nb\r\n"));
}

QTEST_GUILESS_MAIN(TextFileTest)
#include "text_test.moc"
