// The program takes no command-line arguments: options that Qt would act on must not reach it.
#include "toolkit/ui/application.h"

#include <QGuiApplication>
#include <QTest>

namespace {
char kReverse[] = "-reverse";
char kPlatform[] = "-platform";
char kNoSuchPlatform[] = "no-such-platform";
} // namespace

class ToolkitArgumentsTest : public QObject {
    Q_OBJECT
private slots:
    // "plamkov -reverse" used to mirror every window, and "-platform" to pick another (or none).
    void qtOptionsOnTheCommandLineAreIgnored() {
        QCOMPARE(QGuiApplication::layoutDirection(), Qt::LeftToRight);
        QCOMPARE(QGuiApplication::platformName(), QString::fromLatin1(qgetenv("QT_QPA_PLATFORM")));
        QCOMPARE(QCoreApplication::arguments().size(), 1);
        // The title still comes from the program's name.
        QCOMPARE(tk::App().Title(), QStringLiteral("toolkit_ui_arguments"));
    }
};

int main(int argc, char** argv) {
    if (qgetenv("QT_QPA_PLATFORM").isEmpty())
        qputenv("QT_QPA_PLATFORM", "offscreen");
    // The program's own start-up, as if run as "toolkit_arguments -reverse -platform no-such-platform".
    char* commandLine[] = {argv[0], kReverse, kPlatform, kNoSuchPlatform, nullptr};
    int count = 4;
    tk::Application app(count, commandLine);
    ToolkitArgumentsTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "arguments_test.moc"
