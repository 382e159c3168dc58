// A save of the score table on a real file system, under the two faults that matter to a player's
// table: the program killed half way through a save, and a disk that is full. In both the file must
// hold the whole old table or the whole new one, never part of one.
#include "scores/score_file.h"
#include "support/test_main.h"
#include "toolkit/text/errors.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <fcntl.h>
#include <random>
#include <sched.h>
#include <signal.h>
#include <sys/mount.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

using scores::TextCells;

namespace {

constexpr int kKills = 1000;
// A kill falls at random within the next few saves after the saving child has finished one or two;
// a save's length is measured first, since it differs a lot between machines and builds. Counting
// from a finished save rather than from the child's start keeps a slow first save in a freshly
// forked child (sanitizer builds) from swallowing every kill, and with the count's parity the
// table last saved whole alternates between the old and the new one.
constexpr int kSavesPerLifetime = 2;
constexpr int kCalibrationSaves = 10;
constexpr auto kSmallDiskSize = "size=64k";

// The old table: the empty one. The new one: ten entries with Czech names, longer than the old
// table, so that a file cut short or mixed from the two cannot pass for either.
TextCells OldTable() {
    TextCells cells;
    scores::FillEmptyTable(cells);
    return cells;
}
TextCells NewTable() {
    TextCells cells;
    for (int row = scores::kFirstRow; row <= scores::kLastRow; ++row) {
        cells.SetCell(scores::kScoreCol, row, scores::ScoreText(1000 - row));
        cells.SetCell(scores::kNameCol, row, QStringLiteral("Šárka Nováková %1").arg(row));
    }
    return cells;
}
const QByteArray kOldFile = QByteArray("        0\r\n--pr\xE1zdn\xFD--\r\n").repeated(10);
QByteArray NewFile() {
    QByteArray bytes;
    for (int row = 1; row <= 10; ++row)
        bytes += "  " + QByteArray::number(1000 - row) + "\r\n\x8A\xE1rka Nov\xE1kov\xE1 " +
                 QByteArray::number(row) + "\r\n";
    return bytes;
}

QByteArray ReadAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

// What a child found, sent to the parent through a pipe.
void Report(int fd, const QByteArray& text) {
    [[maybe_unused]] const ssize_t ignored =
        ::write(fd, text.constData(), static_cast<std::size_t>(text.size()));
}
QByteArray Collect(int fd) {
    QByteArray text;
    char buffer[512];
    ssize_t got;
    while ((got = ::read(fd, buffer, sizeof buffer)) > 0)
        text.append(buffer, got);
    return text;
}

// In a child of its own: a private mount namespace with a 64 KiB tmpfs over `folder`, filled up
// but for the old table, and a save of the new table onto it. Reports "SKIP: why" or the error
// text, then whether the old file is whole and what else lies in the folder.
[[noreturn]] void SaveOnFullDisk(const QString& folder, int out) {
    const QByteArray where = QFile::encodeName(folder);
    if (::unshare(CLONE_NEWNS) != 0 || ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
        ::mount("tmpfs", where.constData(), "tmpfs", 0, kSmallDiskSize) != 0) {
        Report(out, "SKIP: cannot mount a private tmpfs here: " + QByteArray(std::strerror(errno)));
        ::_exit(0);
    }
    const QString path = QDir(folder).filePath(QStringLiteral("hiscore1.dat"));
    try {
        scores::SaveTable(path, OldTable());
    } catch (const tk::Error& e) {
        Report(out, "old table not saved: " + e.Text().toUtf8());
        ::_exit(0);
    }
    // Fill what is left, down to the last byte.
    const int filler = ::open((where + "/filler").constData(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    static char block[4096];
    for (std::size_t size : {sizeof block, std::size_t{1}}) {
        while (::write(filler, block, size) > 0) {
        }
    }
    ::close(filler);

    QByteArray error = "saved";
    try {
        scores::SaveTable(path, NewTable());
    } catch (const tk::EInOutError& e) {
        error = e.Text().toUtf8();
    }
    const QStringList entries = QDir(folder).entryList(QDir::Files | QDir::Hidden, QDir::Name);
    Report(out, error + "|" + (ReadAll(path) == kOldFile ? "old file whole" : "old file changed") + "|" +
                    entries.join(QLatin1Char(',')).toUtf8());
    ::_exit(0);
}

} // namespace

class ScoreCrashTest : public QObject {
    Q_OBJECT
private slots:
    void killedSaveLeavesOldOrNewTable();
    void fullDiskLeavesOldFileByteForByte();
};

// Why the save goes through a file beside the old one: a program killed while writing in place
// leaves a table cut short, and the player's scores are gone.
void ScoreCrashTest::killedSaveLeavesOldOrNewTable() {
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("hiscore1.dat"));
    scores::SaveTable(path, OldTable());
    QCOMPARE(ReadAll(path), kOldFile);
    const QByteArray newFile = NewFile();
    const TextCells tables[] = {OldTable(), NewTable()};

    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < kCalibrationSaves; ++i)
        scores::SaveTable(path, OldTable());
    const auto oneSave =
        std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - start) /
        kCalibrationSaves;

    std::mt19937 random(20261208); // fixed, so a failure can be run again
    std::uniform_int_distribution<long> lifetime(0, (kSavesPerLifetime * oneSave).count());
    std::uniform_int_distribution<int> savesFirst(1, 2);
    int foundOld = 0;
    int foundNew = 0;
    int leftovers = 0;
    for (int kill = 0; kill < kKills; ++kill) {
        int progress[2];
        QCOMPARE(::pipe(progress), 0);
        const pid_t child = ::fork();
        QVERIFY(child >= 0);
        if (child == 0) {
            // Saves the new and the old table in turn until it is killed, and says so after each.
            ::close(progress[0]);
            for (int i = 0;; ++i) {
                try {
                    scores::SaveTable(path, tables[(i + 1) % 2]);
                } catch (...) {
                    ::_exit(1);
                }
                Report(progress[1], "!");
            }
        }
        ::close(progress[1]);
        for (int saved = savesFirst(random); saved > 0; --saved) {
            char signal = 0;
            QCOMPARE(::read(progress[0], &signal, 1), ssize_t{1});
        }
        std::this_thread::sleep_for(std::chrono::microseconds(lifetime(random)));
        ::kill(child, SIGKILL);
        int status = 0;
        QCOMPARE(::waitpid(child, &status, 0), child);
        ::close(progress[0]);
        QVERIFY2(WIFSIGNALED(status), "the saving child failed before it was killed");

        const QByteArray found = ReadAll(path);
        if (found != kOldFile && found != newFile)
            QFAIL(qPrintable(QStringLiteral("kill %1 left a torn table of %2 bytes:\n%3")
                                 .arg(kill)
                                 .arg(found.size())
                                 .arg(QString::fromLatin1(found.toPercentEncoding(" \r\n")))));
        (found == kOldFile ? foundOld : foundNew)++;
        // A kill before the rename leaves the new content's temporary file behind; clear it away
        // so that the folder stays small.
        for (const QString& entry : QDir(dir.path()).entryList(QDir::Files | QDir::Hidden)) {
            if (entry != QLatin1String("hiscore1.dat")) {
                ++leftovers;
                QFile::remove(dir.filePath(entry));
            }
        }
    }
    qInfo("%d kills within %d saves of %lld us: old table %d times, new table %d times, %d temporary "
          "files left beside it",
          kKills, kSavesPerLifetime, static_cast<long long>(oneSave.count()), foundOld, foundNew, leftovers);
    // Both tables must have been seen, or the kills never fell within the saves.
    QVERIFY(foundOld > 0);
    QVERIFY(foundNew > 0);
}

void ScoreCrashTest::fullDiskLeavesOldFileByteForByte() {
    if (::geteuid() != 0)
        QSKIP("mounting a small tmpfs to fill up needs root; run the tests as root to include this one");
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    int pipeFds[2];
    QCOMPARE(::pipe(pipeFds), 0);
    const pid_t child = ::fork();
    QVERIFY(child >= 0);
    if (child == 0) {
        ::close(pipeFds[0]);
        SaveOnFullDisk(dir.path(), pipeFds[1]);
    }
    ::close(pipeFds[1]);
    const QByteArray report = Collect(pipeFds[0]);
    ::close(pipeFds[0]);
    int status = 0;
    QCOMPARE(::waitpid(child, &status, 0), child);
    QVERIFY(WIFEXITED(status));
    if (report.startsWith("SKIP: "))
        QSKIP(report.constData() + 6);
    const QList<QByteArray> parts = report.split('|');
    QCOMPARE(parts.size(), 3);
    QCOMPARE(parts[0], QByteArray("Disk full"));
    QCOMPARE(parts[1], QByteArray("old file whole"));
    // No temporary file left taking up the little room there is.
    QCOMPARE(parts[2], QByteArray("filler,hiscore1.dat"));
}

TK_TEST_MAIN(ScoreCrashTest)
#include "score_crash_test.moc"
