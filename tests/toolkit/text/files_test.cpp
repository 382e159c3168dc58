// The current directory and the file-exists test that the score table and the memory game rely on.
#include "toolkit/text/errors.h"
#include "toolkit/text/files.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <sys/stat.h>

class FilesTest : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void currentDirFollowsSetCurrentDir_data();
    void currentDirFollowsSetCurrentDir();
    void setCurrentDirFailsWithTheMappedCode_data();
    void setCurrentDirFailsWithTheMappedCode();
    void fileExists_data();
    void fileExists();
    void joinPath_data();
    void joinPath();
    void fileNamesKeepTheirBytes_data();
    void fileNamesKeepTheirBytes();

private:
    std::unique_ptr<QTemporaryDir> dir_;
    QString root_; // the temporary folder with symbolic links resolved, as the system reports it
    QString oldDir_;
};

void FilesTest::init() {
    oldDir_ = QDir::currentPath();
    dir_ = std::make_unique<QTemporaryDir>();
    QVERIFY(dir_->isValid());
    root_ = QDir(dir_->path()).canonicalPath();
    QVERIFY(QDir(root_).mkpath(QStringLiteral("sub/deeper")));
    QFile file(root_ + QStringLiteral("/plain.dat"));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("x");
    file.close();
    QVERIFY(QFile::link(root_ + QStringLiteral("/plain.dat"), root_ + QStringLiteral("/link.dat")));
    QVERIFY(QFile::link(root_ + QStringLiteral("/gone.dat"), root_ + QStringLiteral("/dangling.dat")));
    QVERIFY(::mkfifo(QFile::encodeName(root_ + QStringLiteral("/pipe.dat")).constData(), 0600) == 0);
}

void FilesTest::cleanup() {
    QDir::setCurrent(oldDir_);
    dir_.reset();
}

void FilesTest::currentDirFollowsSetCurrentDir_data() {
    QTest::addColumn<QString>("target"); // relative to the temporary folder; "/" for the root
    QTest::addColumn<QString>("expected");
    QTest::newRow("folder") << "sub"
                            << "sub";
    QTest::newRow("trailing separator is not kept") << "sub/"
                                                    << "sub";
    QTest::newRow("nested") << "sub/deeper"
                            << "sub/deeper";
    QTest::newRow("dot dot") << "sub/deeper/.."
                             << "sub";
    QTest::newRow("root keeps its separator") << "/"
                                              << "/";
}

void FilesTest::currentDirFollowsSetCurrentDir() {
    QFETCH(QString, target);
    QFETCH(QString, expected);
    const QString path = target == QLatin1String("/") ? target : root_ + QLatin1Char('/') + target;
    tk::SetCurrentDir(path);
    QCOMPARE(tk::GetCurrentDir(),
             expected == QLatin1String("/") ? expected : root_ + QLatin1Char('/') + expected);
}

void FilesTest::setCurrentDirFailsWithTheMappedCode_data() {
    QTest::addColumn<QString>("target");
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("text");
    QTest::newRow("missing folder") << "nowhere" << 2 << "File not found";
    QTest::newRow("a file is not a folder") << "plain.dat" << 3 << "Invalid filename";
    QTest::newRow("below a file") << "plain.dat/sub" << 3 << "Invalid filename";
    QTest::newRow("empty name") << "" << 2 << "File not found";
    QTest::newRow("name too long") << QString(300, QLatin1Char('n')) << 3 << "Invalid filename";
}

void FilesTest::setCurrentDirFailsWithTheMappedCode() {
    QFETCH(QString, target);
    QFETCH(int, code);
    QFETCH(QString, text);
    tk::SetCurrentDir(root_);
    try {
        tk::SetCurrentDir(target.isEmpty() ? target : root_ + QLatin1Char('/') + target);
        QFAIL("no error raised");
    } catch (const tk::EInOutError& error) {
        QCOMPARE(error.Code(), code);
        QCOMPARE(error.Text(), text);
    }
    QCOMPARE(tk::GetCurrentDir(), root_);
}

void FilesTest::fileExists_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("exists");
    QTest::newRow("file") << "plain.dat" << true;
    QTest::newRow("folder") << "sub" << false;
    QTest::newRow("missing") << "hiscore1.dat" << false;
    QTest::newRow("link to a file") << "link.dat" << true;
    QTest::newRow("dangling link") << "dangling.dat" << false;
    QTest::newRow("pipe") << "pipe.dat" << false;
    QTest::newRow("empty name") << "" << false;
}

void FilesTest::fileExists() {
    QFETCH(QString, name);
    QFETCH(bool, exists);
    tk::SetCurrentDir(root_);
    QCOMPARE(tk::FileExists(name), exists);
    if (!name.isEmpty())
        QCOMPARE(tk::FileExists(root_ + QLatin1Char('/') + name), exists);
}

void FilesTest::joinPath_data() {
    QTest::addColumn<QString>("folder");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("path");
    QTest::newRow("plain") << "/home/ema"
                           << "1.jpg"
                           << "/home/ema/1.jpg";
    QTest::newRow("folder ends in separator") << "/home/ema/"
                                              << "1.jpg"
                                              << "/home/ema/1.jpg";
    QTest::newRow("root") << "/"
                          << "x"
                          << "/x";
    QTest::newRow("no folder") << ""
                               << "znak.jpg"
                               << "znak.jpg";
}

void FilesTest::joinPath() {
    QFETCH(QString, folder);
    QFETCH(QString, name);
    QFETCH(QString, path);
    QCOMPARE(tk::JoinPath(folder, name), path);
}

// A folder copied from an old Windows machine has a name in Windows-1250, which is not UTF-8: the
// program must still reach it by its bytes, make it current and read from it.
void FilesTest::fileNamesKeepTheirBytes_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("shown");
    QTest::newRow("ascii") << QByteArray("Obrazky") << "Obrazky";
    QTest::newRow("utf-8 Czech") << QByteArray("Zv\xc3\xad\xc5\x99"
                                               "ata")
                                 << "Zvířata";
    QTest::newRow("windows-1250 Czech") << QByteArray("Zv\xed\xf8"
                                                      "ata")
                                        << "Zv\uFFFD\uFFFData";
    QTest::newRow("astral utf-8") << QByteArray("\xf0\x9f\x90\xb1") << "\U0001F431";
    QTest::newRow("overlong slash") << QByteArray("a\xc0\xaf"
                                                  "b")
                                    << "a\uFFFD\uFFFDb";
    QTest::newRow("encoded surrogate") << QByteArray("\xed\xb2\x80") << "\uFFFD\uFFFD\uFFFD";
    QTest::newRow("cut sequence at the end") << QByteArray("x\xc5") << "x\uFFFD";
}

void FilesTest::fileNamesKeepTheirBytes() {
    QFETCH(QByteArray, bytes);
    QFETCH(QString, shown);
    const QString name = tk::DecodeFileName(bytes);
    QCOMPARE(tk::EncodeFileName(name), bytes);
    QCOMPARE(tk::DisplayFileName(name), shown);

    const QByteArray folder = QFile::encodeName(root_) + '/' + bytes;
    QVERIFY(::mkdir(folder.constData(), 0700) == 0);
    QVERIFY(::mkdir((folder + "/inner").constData(), 0700) == 0);
    const QString path = root_ + QLatin1Char('/') + name;
    tk::SetCurrentDir(path);
    QCOMPARE(tk::GetCurrentDir(), path);
    tk::SetCurrentDir(QStringLiteral("inner"));
    QCOMPARE(tk::GetCurrentDir(), path + QStringLiteral("/inner"));
}

QTEST_GUILESS_MAIN(FilesTest)
#include "files_test.moc"
