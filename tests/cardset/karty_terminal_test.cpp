// SPDX-License-Identifier: GPL-3.0-or-later
// pexeso-karty counts the photos on a terminal, and says nothing of it into a pipe or a file.
#include "support/test_main.h"
#include "toolkit/pictures/jpeg_writer.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <pty.h>
#include <sys/wait.h>
#include <unistd.h>

class KartyTerminalTest : public QObject {
    Q_OBJECT
private slots:
    void progressOnlyOnATerminal_data();
    void progressOnlyOnATerminal();
};

void KartyTerminalTest::progressOnlyOnATerminal_data() {
    QTest::addColumn<bool>("terminal");
    QTest::newRow("a terminal") << true;
    QTest::newRow("a pipe") << false;
}

void KartyTerminalTest::progressOnlyOnATerminal() {
    QFETCH(bool, terminal);
    QTemporaryDir scratch;
    const QString source = scratch.filePath(QStringLiteral("fotky"));
    QVERIFY(QDir().mkpath(source));
    QImage photo(64, 48, QImage::Format_RGB32);
    photo.fill(Qt::darkGreen);
    for (int i = 1; i <= 7; ++i) {
        QFile file(source + QStringLiteral("/%1.jpeg").arg(i));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(i == 4 ? QByteArray("no photo") : tk::EncodeJpeg(photo, 90));
    }
    const QByteArray program = PROGRAM_DIR "/pexeso-karty";
    const QByteArray from = QFile::encodeName(source);
    const QByteArray to = QFile::encodeName(scratch.filePath(QStringLiteral("karty")));
    int fds[2] = {-1, -1};
    pid_t child;
    if (terminal) {
        child = ::forkpty(&fds[0], nullptr, nullptr, nullptr);
    } else {
        QCOMPARE(::pipe(fds), 0);
        child = ::fork();
        if (child == 0) {
            ::dup2(fds[1], STDOUT_FILENO);
            ::dup2(fds[1], STDERR_FILENO);
        }
    }
    QVERIFY(child >= 0);
    if (child == 0) {
        ::execl(program.constData(), "pexeso-karty", from.constData(), to.constData(), nullptr);
        ::_exit(127);
    }
    if (!terminal)
        ::close(fds[1]);
    QByteArray output;
    char buffer[4096];
    for (ssize_t n; (n = ::read(fds[0], buffer, sizeof buffer)) > 0;) // a terminal ends with EIO
        output.append(buffer, n);
    ::close(fds[0]);
    int status = 0;
    QCOMPARE(::waitpid(child, &status, 0), child);
    QVERIFY(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    const QString said = QString::fromUtf8(output);
    QCOMPARE(said.contains(QStringLiteral("Dělám karty: 6 z 6")), terminal);
    if (!terminal)
        QVERIFY(!said.contains(QLatin1Char('\r'))); // nothing written over in a file
    QVERIFY2(said.contains(QStringLiteral("Přeskočeno: „4.jpeg“ (není to obrázek JPEG).")), qPrintable(said));
    QVERIFY(said.contains(QStringLiteral("6.jpg ← 7.jpeg")));
}

TK_TEST_MAIN(KartyTerminalTest)
#include "karty_terminal_test.moc"
