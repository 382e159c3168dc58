// The program pexeso: the memory game alone, its window the main window, shown by the event loop
// and not modally; closing it ends the program with exit code 0.
#include "app/launcher_form.h"
#include "app/startup.h"
#include "fire/fire_form.h"
#include "memory/folder_form.h"
#include "memory/memory_form.h"
#include "scores/score_form.h"
#include "support/test_main.h"
#include "support/test_support.h"

#include <QTimer>
#include <QtTest>

class PexesoProgramTest : public QObject {
    Q_OBJECT

private slots:
    void theMemoryGameIsTheMainWindowAloneAndClosingItEndsTheProgram() {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        QDir::setCurrent(dir.path());
        testing::Harness harness;
        QStringList shown;
        bool modal = true;
        bool filterInstalled = false;
        QTimer::singleShot(0, [&] {
            for (QWidget* window : QApplication::topLevelWidgets()) {
                if (window->isVisible())
                    shown << window->windowTitle();
            }
            modal = Form4->InModalShow() || Form4->isModal();
            MemoryTurn().Busy = 1;
            filterInstalled = tk::App().Filter(tk::Message{tk::Message::LButtonDown, Form4});
            MemoryTurn().Busy = 0;
            Form4->close(); // its close box
        });
        QCOMPARE(RunPexeso(tk::App()), 0);
        QCOMPARE(shown, QStringList{QStringLiteral("Pexeso")});
        QVERIFY(!modal);
        QVERIFY(filterInstalled);
        QVERIFY(tk::App().Terminated());
        QCOMPARE(tk::App().MainForm(), static_cast<tk::TForm*>(Form4));
        QVERIFY(Form5 != nullptr && !Form5->isVisible());
        QVERIFY(Form1 == nullptr && Form2 == nullptr && Form3 == nullptr);
    }
};

TK_TEST_MAIN(PexesoProgramTest)
#include "pexeso_program_test.moc"
