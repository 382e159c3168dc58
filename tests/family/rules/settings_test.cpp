// SPDX-License-Identifier: GPL-3.0-or-later
// The settings file of pexeso: what it keeps, what a damaged or missing file gives, and that a
// failed save keeps the old file.
#include "family/rules/family_settings.h"

#include <QtTest>

#include <csignal>
#include <sys/resource.h>

using namespace family;

namespace {

bool WriteFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

QByteArray ReadFile(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

Settings Family() {
    Settings settings;
    settings.names = {QStringLiteral("Anička"), QStringLiteral("Táta, \"velký\" \\ on"),
                      QStringLiteral("Žofie")};
    settings.computer = true;
    settings.level = Level::Master;
    settings.board = 12;
    settings.folder = QStringLiteral("/home/máma/Obrázky; zvířata, 2");
    settings.best = {{12, 9}, {40, 31}};
    return settings;
}

} // namespace

// Bytes no settings file holds: a NUL, bytes that are no UTF-8, brackets and signs out of place.
constexpr char kBinary[] = "\x00\xff\xfe[[[=\x01\n\x80\x81=";

class FamilySettingsTest : public QObject {
    Q_OBJECT

private slots:
    void whatIsSavedIsLoadedAgain_data() {
        QTest::addColumn<int>("board");
        QTest::newRow("12 cards") << 12;
        QTest::newRow("klasická hra") << kClassicBoard;
    }
    void whatIsSavedIsLoadedAgain() {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("plamkov/pexeso.ini"));
        Settings settings = Family();
        QFETCH(int, board);
        settings.board = board;
        QVERIFY(SaveSettings(path, settings));
        QCOMPARE(LoadSettings(path), settings);
    }

    // Each row: the file's bytes (or none), and the settings it gives.
    void aDamagedOrMissingFileGivesTheDefaults_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("players");
        QTest::addColumn<int>("board");
        QTest::addColumn<bool>("computer");
        QTest::newRow("empty") << QByteArray("") << 1 << 20 << false;
        QTest::newRow("binary") << QByteArray::fromRawData(kBinary, sizeof kBinary - 1) << 1 << 20 << false;
        QTest::newRow("nonsense values")
            << QByteArray("[game]\nplayers=seven\nboard=13\ncomputer=maybe\nlevel=god\n[best]\n12=-4\n") << 1
            << 20 << false;
        QTest::newRow("too many players") << QByteArray("[game]\nplayers=9\nboard=40\n") << 1 << 40 << false;
        QTest::newRow("hand written")
            << QByteArray("[game]\nplayers=2\nname1=Ája, malá\nboard=classic\ncomputer=true\n") << 2
            << kClassicBoard << true;
    }
    void aDamagedOrMissingFileGivesTheDefaults() {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("pexeso.ini"));
        QFETCH(QByteArray, bytes);
        QVERIFY(WriteFile(path, bytes));
        const Settings settings = LoadSettings(path);
        QTEST(static_cast<int>(settings.names.size()), "players");
        QTEST(settings.board, "board");
        QTEST(settings.computer, "computer");
        QVERIFY(settings.best.empty());
        for (int i = 0; i < settings.names.size(); ++i)
            QVERIFY(!settings.names[i].isEmpty() && settings.names[i].size() <= kMaxNameLength);
    }

    // The example of the README, comments and all, as a parent would copy it.
    void theReadmeExampleReads() {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("pexeso.ini"));
        QVERIFY(WriteFile(path, QByteArray(R"([game]
players=2               ; 1 to 4
name1="Anička"          ; name1 .. name4, up to 20 characters
name2="Táta"
computer=true           ; true or false: the computer plays as one more player
level=skilled           ; forgetful (zapomnětlivý), skilled (šikovný) or master (mistr)
board=12                ; 12, 20, 30, 40 or classic (klasická hra)
folder="/home/anicka/Obrázky/Pexeso"   ; the picture folder used last; empty for the built-in set

[best]
20=14                   ; the fewest turns of one player on each board
)")));
        Settings expected;
        expected.names = {QStringLiteral("Anička"), QStringLiteral("Táta")};
        expected.computer = true;
        expected.level = Level::Skilled;
        expected.board = 12;
        expected.folder = QStringLiteral("/home/anicka/Obrázky/Pexeso");
        expected.best = {{20, 14}};
        QCOMPARE(LoadSettings(path), expected);
    }

    void aMissingOrUnreadableFileGivesTheDefaultsSilently() {
        QTemporaryDir dir;
        QCOMPARE(LoadSettings(dir.filePath(QStringLiteral("none.ini"))), Settings{});
        QCOMPARE(LoadSettings(dir.path()), Settings{}); // a folder where the file should be
    }

    void namesAreCutToTwentyCharactersAndNeverEmpty() {
        QCOMPARE(CleanName(QStringLiteral("  Přemysl Otakar Druhý Železný  "), 2),
                 QStringLiteral("Přemysl Otakar Druhý"));
        QCOMPARE(CleanName(QStringLiteral(" \t\n"), 3), QStringLiteral("Hráč 3"));
        QCOMPARE(CleanName(QStringLiteral("Ája\x01"), 1), QStringLiteral("Ája"));
    }

    // A write that fails half-way (the file-size limit stands in for a full disk) keeps the old
    // file as it was.
    void aFullDiskKeepsTheOldFile() {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("pexeso.ini"));
        QVERIFY(SaveSettings(path, Settings{}));
        const QByteArray before = ReadFile(path);
        QVERIFY(!before.isEmpty());

        rlimit old{};
        QCOMPARE(getrlimit(RLIMIT_FSIZE, &old), 0);
        const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit tiny = old;
        tiny.rlim_cur = 16;
        QCOMPARE(setrlimit(RLIMIT_FSIZE, &tiny), 0);
        const bool saved = SaveSettings(path, Family());
        setrlimit(RLIMIT_FSIZE, &old);
        std::signal(SIGXFSZ, oldHandler);

        QVERIFY(!saved);
        QCOMPARE(ReadFile(path), before);
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{QStringLiteral("pexeso.ini")});
    }

    void theFileIsInTheDesktopsConfigurationFolder() {
        QCOMPARE(SettingsPath(),
                 QString::fromLocal8Bit(qgetenv("XDG_CONFIG_HOME")) + QStringLiteral("/plamkov/pexeso.ini"));
    }
};

int main(int argc, char** argv) {
    // Set before the application object and any thread exist.
    QTemporaryDir config;
    qputenv("XDG_CONFIG_HOME", config.path().toLocal8Bit());
    QCoreApplication app(argc, argv);
    FamilySettingsTest test;
    return QTest::qExec(&test, argc, argv);
}
#include "settings_test.moc"
