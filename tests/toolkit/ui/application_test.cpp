// SPDX-License-Identifier: GPL-3.0-or-later
// The application object: its title, the error boundary, the message filter on real input,
// showing, modal showing, closing and ending the program, and how a window is sized and placed.
#include "support/test_main.h"
#include "support/test_support.h"

#include "toolkit/text/errors.h"

#include <QMenuBar>
#include <QScreen>
#include <QTest>
#include <QTimer>
#include <QWindow>

#include <cstdio>
#include <stdexcept>
#include <sys/wait.h>
#include <unistd.h>

using namespace std::chrono_literals;

namespace {

constexpr std::chrono::milliseconds kTick = 100ms;

enum class Thrown { Nothing, ProgramError, StdError, Other };

// Runs a piece of code inside the modal loop that the next ShowModal starts.
void WhenModal(std::function<void()> action) {
    QTimer::singleShot(0, qApp, std::move(action));
}

} // namespace

Q_DECLARE_METATYPE(Thrown)

class ToolkitApplicationTest : public QObject {
    Q_OBJECT

private slots:
    void titleFromProgramName_data() {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("title");
        QTest::newRow("folder dropped") << QStringLiteral("/usr/bin/plamkov") << "plamkov";
        QTest::newRow("cut at the extension, rest lower case") << QStringLiteral("PLAMKOV.EXE") << "Plamkov";
        QTest::newRow("cut at the first full stop") << QStringLiteral("my.game.exe") << "my";
        QTest::newRow("first letter kept as it is") << QStringLiteral("Hra.exe") << "Hra";
        QTest::newRow("folder of the original platform")
            << QStringLiteral("C:\\HRY\\PLAMKOV.EXE") << "Plamkov";
        QTest::newRow("dot in a folder name is not the cut") << QStringLiteral("/opt/a.b/PLAM") << "Plam";
        QTest::newRow("single letter") << QStringLiteral("X.EXE") << "X";
    }
    void titleFromProgramName() {
        QFETCH(QString, path);
        QFETCH(QString, title);
        QCOMPARE(tk::Application::TitleFromProgramName(path), title);
    }

    void boundaryShowsWhatAHandlerThrows_data() {
        QTest::addColumn<Thrown>("thrown");
        QTest::addColumn<QStringList>("errors");
        QTest::newRow("nothing thrown, nothing shown") << Thrown::Nothing << QStringList{};
        QTest::newRow("program error, full stop added")
            << Thrown::ProgramError << QStringList{QStringLiteral("'abc' is not a valid integer value.")};
        QTest::newRow("standard exception") << Thrown::StdError << QStringList{QStringLiteral("bad thing.")};
        QTest::newRow("anything else") << Thrown::Other << QStringList{QStringLiteral("Unknown error.")};
    }
    void boundaryShowsWhatAHandlerThrows() {
        QFETCH(Thrown, thrown);
        QFETCH(QStringList, errors);
        testing::Harness harness;
        bool after = false;
        tk::App().Invoke([&] {
            switch (thrown) {
            case Thrown::Nothing:
                break;
            case Thrown::ProgramError:
                throw tk::EConvertError(QStringLiteral("'abc' is not a valid integer value"));
            case Thrown::StdError:
                throw std::runtime_error("bad thing");
            case Thrown::Other:
                throw 42;
            }
            after = true;
        });
        QCOMPARE(after, thrown == Thrown::Nothing); // the rest of the handler does not run
        QCOMPARE(harness.dialogs->errors, errors);
        for (const QString& title : harness.dialogs->titles)
            QCOMPARE(title, tk::App().Title());
    }

    void messageBoxCarriesTheTitle() {
        testing::Harness harness;
        tk::App().ShowMessage(QStringLiteral("Ahoj"));
        QCOMPARE(harness.dialogs->messages, QStringList{QStringLiteral("Ahoj")});
        QCOMPARE(harness.dialogs->titles, QStringList{tk::App().Title()});
        QVERIFY(harness.dialogs->errors.isEmpty());
    }

    // Where a left press lands decides how the filter sees it; the menu bar counts as outside.
    // The second press of a quick double click is the double-click message, never a press too.
    void filterSeesEachPressOnceWithItsKind_data() {
        QTest::addColumn<bool>("onMenuBar");
        QTest::addColumn<bool>("doubleClick");
        QTest::addColumn<QString>("kinds");
        QTest::newRow("press on the client area") << false << false << "LButtonDown LButtonUp";
        QTest::newRow("double click on the client area")
            << false << true << "LButtonDown LButtonUp LButtonDblClk LButtonUp";
        QTest::newRow("press on the menu bar") << true << false << "NcLButtonDown LButtonUp";
    }
    void filterSeesEachPressOnceWithItsKind() {
        QFETCH(bool, onMenuBar);
        QFETCH(bool, doubleClick);
        QFETCH(QString, kinds);
        testing::Harness harness;
        tk::TForm form;
        form.SetOuterSize(300, 200);
        tk::TMainMenu menu(&form);
        auto* game = new tk::TMenuItem(&menu, QStringLiteral("Hra"));
        new tk::TMenuItem(game, QStringLiteral("Nová"));
        auto* image = new tk::TImage(&form);
        image->SetBounds(0, 0, 100, 100);
        QVERIFY(testing::ShowAndExpose(&form));
        QStringList seen;
        tk::App().SetMessageFilter([&](const tk::Message& message, bool&) {
            switch (message.kind) {
            case tk::Message::LButtonDown:
                seen << QStringLiteral("LButtonDown");
                break;
            case tk::Message::NcLButtonDown:
                seen << QStringLiteral("NcLButtonDown");
                break;
            case tk::Message::LButtonUp:
                seen << QStringLiteral("LButtonUp");
                break;
            case tk::Message::LButtonDblClk:
                seen << QStringLiteral("LButtonDblClk");
                break;
            default:
                break;
            }
        });
        const QPoint at = onMenuBar ? form.MenuBar()->actionGeometry(game->Action()).center()
                                    : image->mapTo(&form, QPoint(50, 50));
        if (doubleClick)
            QTest::mouseDClick(form.windowHandle(), Qt::LeftButton, Qt::NoModifier, at);
        else
            QTest::mouseClick(form.windowHandle(), Qt::LeftButton, Qt::NoModifier, at);
        tk::App().SetMessageFilter(nullptr);
        // Close a menu the press may have opened.
        if (QWidget* popup = QApplication::activePopupWidget())
            popup->close();
        QCOMPARE(seen.join(QLatin1Char(' ')), kinds);
    }

    // What a control gets of a double click depends only on what the filter drops: Qt's own
    // double-click event goes with the press it follows.
    void doubleClickReachesTheControlAsTheFilterLets_data() {
        QTest::addColumn<int>("dropped");
        QTest::addColumn<int>("presses");
        QTest::addColumn<int>("doubleClicks");
        QTest::addColumn<int>("clicks");
        // A widget is given the second press as Qt's double-click event only.
        QTest::newRow("nothing dropped") << int(tk::Message::Other) << 1 << 1 << 2;
        QTest::newRow("presses dropped, the double click passes")
            << int(tk::Message::LButtonDown) << 0 << 1 << 1;
        QTest::newRow("double click dropped") << int(tk::Message::LButtonDblClk) << 1 << 0 << 1;
    }
    void doubleClickReachesTheControlAsTheFilterLets() {
        QFETCH(int, dropped);
        QFETCH(int, presses);
        QFETCH(int, doubleClicks);
        QFETCH(int, clicks);
        testing::Harness harness;
        tk::TForm form;
        form.SetOuterSize(300, 200);
        auto* image = new tk::TImage(&form);
        image->SetBounds(0, 0, 100, 100);
        int clicked = 0;
        image->OnClick = [&] { ++clicked; };
        struct Counter : QObject {
            int presses = 0;
            int doubleClicks = 0;
            bool eventFilter(QObject*, QEvent* event) override {
                presses += event->type() == QEvent::MouseButtonPress;
                doubleClicks += event->type() == QEvent::MouseButtonDblClick;
                return false;
            }
        } counter;
        image->installEventFilter(&counter);
        QVERIFY(testing::ShowAndExpose(&form));
        tk::App().SetMessageFilter([&](const tk::Message& message, bool& handled) {
            if (message.kind == dropped)
                handled = true;
        });
        QTest::mouseDClick(form.windowHandle(), Qt::LeftButton, Qt::NoModifier,
                           image->mapTo(&form, QPoint(50, 50)));
        tk::App().SetMessageFilter(nullptr);
        QCOMPARE(counter.presses, presses);
        QCOMPARE(counter.doubleClicks, doubleClicks);
        QCOMPARE(clicked, clicks);
    }

    // The memory game's look: left presses are dropped everywhere, the menu stays usable.
    void filterDroppingLeftPressesLeavesMenusUsable() {
        testing::Harness harness;
        tk::TForm form;
        form.SetOuterSize(300, 200);
        tk::TMainMenu menu(&form);
        auto* game = new tk::TMenuItem(&menu, QStringLiteral("Hra"));
        auto* fresh = new tk::TMenuItem(game, QStringLiteral("Nová"));
        int menuClicks = 0;
        fresh->OnClick = [&] { ++menuClicks; };
        auto* image = new tk::TImage(&form);
        image->SetBounds(0, 0, 100, 100);
        int imageClicks = 0;
        image->OnClick = [&] { ++imageClicks; };
        QVERIFY(testing::ShowAndExpose(&form));
        tk::App().SetMessageFilter([](const tk::Message& message, bool& handled) {
            if (message.kind == tk::Message::LButtonDown)
                handled = true;
        });
        QVERIFY(testing::Click(image));
        QCOMPARE(imageClicks, 0);
        // Open the menu from the bar, then click its item in the popup.
        QTest::mouseClick(form.windowHandle(), Qt::LeftButton, Qt::NoModifier,
                          form.MenuBar()->actionGeometry(game->Action()).center());
        QMenu* popup = game->SubMenu();
        QVERIFY(QTest::qWaitFor([&] { return popup->isVisible(); }));
        QVERIFY(QTest::qWaitForWindowExposed(popup));
        QTest::mouseClick(popup->windowHandle(), Qt::LeftButton, Qt::NoModifier,
                          popup->actionGeometry(fresh->Action()).center());
        tk::App().SetMessageFilter(nullptr);
        QCOMPARE(menuClicks, 1);
        QVERIFY(testing::Click(image));
        QCOMPARE(imageClicks, 1);
    }

    // An error in the filter abandons the message being taken, as any error abandons its event.
    void filterErrorIsShownAndTheMessageDropped() {
        testing::Harness harness;
        tk::TForm form;
        form.SetOuterSize(300, 200);
        auto* image = new tk::TImage(&form);
        image->SetBounds(0, 0, 100, 100);
        int clicks = 0;
        image->OnClick = [&] { ++clicks; };
        QVERIFY(testing::ShowAndExpose(&form));
        tk::App().SetMessageFilter([](const tk::Message& message, bool&) {
            if (message.kind == tk::Message::LButtonDown)
                throw tk::EInvalidOperation(QStringLiteral("filtr"));
        });
        QVERIFY(testing::Click(image));
        tk::App().SetMessageFilter(nullptr);
        QCOMPARE(harness.dialogs->errors, QStringList{QStringLiteral("filtr.")});
        QCOMPARE(clicks, 0);
        QVERIFY(testing::Click(image));
        QCOMPARE(clicks, 1);
    }

    // An exception from inside Qt's own event delivery never unwinds through Qt.
    void exceptionFromAnEventIsCaught() {
        testing::Harness harness;
        QObject target;
        struct Thrower : QObject {
            bool event(QEvent*) override { throw std::runtime_error("from an event"); }
        } thrower;
        QEvent event(QEvent::User);
        QVERIFY(QCoreApplication::sendEvent(&thrower, &event));
        QCOMPARE(harness.dialogs->errors, QStringList{QStringLiteral("from an event.")});
    }

    void onShowRunsOnlyWhenHiddenBecomesShown() {
        testing::Harness harness;
        tk::TForm form;
        int shows = 0;
        bool visibleDuringOnShow = false;
        form.OnShow = [&] {
            ++shows;
            visibleDuringOnShow = form.Visible();
        };
        form.Show();
        form.Show();
        form.SetVisible(true);
        QCOMPARE(shows, 1);
        QVERIFY(visibleDuringOnShow);
        form.Hide();
        form.SetVisible(true);
        QCOMPARE(shows, 2);
    }

    void showBringsTheWindowToTheFront() {
        testing::Harness harness;
        tk::TForm first;
        tk::TForm second;
        QVERIFY(testing::ShowAndExpose(&first));
        QVERIFY(testing::ShowAndExpose(&second));
        QVERIFY(QTest::qWaitForWindowActive(&second));
        first.Show();
        QVERIFY(QTest::qWaitForWindowActive(&first));
    }

    void modalShowOfAShownWindowRaises() {
        testing::Harness harness;
        tk::TForm form;
        form.Show();
        QVERIFY_THROWS_EXCEPTION(tk::EInvalidOperation, form.ShowModal());
        try {
            form.ShowModal();
        } catch (const tk::EInvalidOperation& error) {
            QCOMPARE(error.Text(), QStringLiteral("Cannot make a visible window modal"));
        }
    }

    // How a modal show ends, and what it returns.
    void modalShowEnds_data() {
        QTest::addColumn<QString>("how");
        QTest::addColumn<int>("result");
        QTest::addColumn<int>("closes");
        QTest::newRow("button with a modal result") << "button" << 1 << 0;
        QTest::newRow("close box") << "closebox" << 2 << 1;
        QTest::newRow("modal result set by a handler") << "set" << 7 << 0;
        QTest::newRow("program terminated") << "terminate" << 2 << 0;
    }
    void modalShowEnds() {
        QFETCH(QString, how);
        QFETCH(int, result);
        QFETCH(int, closes);
        testing::Harness harness;
        tk::TForm owner;
        tk::TForm dialog;
        int closeRuns = 0;
        dialog.OnClose = [&] { ++closeRuns; };
        auto* ok = new tk::TButton(&dialog);
        ok->SetBounds(10, 10, 80, 25);
        ok->SetModalResult(1);
        bool okClicked = false;
        ok->OnClick = [&] { okClicked = true; };
        QVERIFY(testing::ShowAndExpose(&owner));
        bool ownerBlocked = false;
        bool clickLanded = how != QLatin1String("button");
        WhenModal([&] {
            ownerBlocked = !owner.isEnabled() || owner.windowHandle()->isModal() ||
                           QGuiApplication::modalWindow() == dialog.windowHandle();
            if (how == QLatin1String("button")) {
                clickLanded = QTest::qWaitForWindowExposed(&dialog) && testing::Click(ok);
                if (!clickLanded)
                    tk::App().Invoke(
                        [&] { dialog.SetModalResult(-1); }); // ends the show: the test fails below
            } else if (how == QLatin1String("closebox")) {
                dialog.windowHandle()->close();
            } else if (how == QLatin1String("set")) {
                tk::App().Invoke([&] { dialog.SetModalResult(7); });
            } else {
                tk::App().Terminate();
            }
        });
        const int returned = dialog.ShowModal();
        QVERIFY(clickLanded);
        QCOMPARE(returned, result);
        QCOMPARE(dialog.ModalResult(), result); // kept after the show
        QCOMPARE(closeRuns, closes);
        QCOMPARE(okClicked, how == QLatin1String("button"));
        QVERIFY(ownerBlocked);
        QVERIFY(!dialog.Visible());
        QVERIFY(!dialog.InModalShow());
        QVERIFY(owner.Visible());
    }

    void timersTickDuringAModalShowAndClicksElsewhereAreBlocked() {
        testing::Harness harness;
        tk::TForm owner;
        owner.SetOuterSize(300, 200);
        auto* image = new tk::TImage(&owner);
        image->SetBounds(0, 0, 100, 100);
        int ownerClicks = 0;
        image->OnClick = [&] { ++ownerClicks; };
        tk::TTimer timer(&owner);
        timer.SetInterval(kTick);
        int ticks = 0;
        timer.OnTimer = [&] { ++ticks; };
        timer.SetEnabled(true);
        QVERIFY(testing::ShowAndExpose(&owner));
        tk::TForm dialog;
        bool clickGiven = false;
        WhenModal([&] {
            harness.Advance(kTick * 3);
            clickGiven = testing::Click(image);
            dialog.SetModalResult(1);
        });
        QCOMPARE(dialog.ShowModal(), 1);
        QVERIFY(clickGiven);
        QCOMPARE(ticks, 3);
        QCOMPARE(ownerClicks, 0);
        QVERIFY(testing::Click(image)); // enabled again after the show
        QCOMPARE(ownerClicks, 1);
    }

    void modalResultStartsAtZeroEachShow() {
        testing::Harness harness;
        tk::TForm dialog;
        dialog.SetModalResult(5);
        int seenAtStart = -1;
        dialog.OnShow = [&] { seenAtStart = dialog.ModalResult(); };
        WhenModal([&] { dialog.SetModalResult(1); });
        QCOMPARE(dialog.ShowModal(), 1);
        QCOMPARE(seenAtStart, 0);
    }

    void closingAWindow_data() {
        QTest::addColumn<bool>("main");
        QTest::addColumn<bool>("byWindowSystem");
        QTest::addColumn<bool>("terminated");
        QTest::addColumn<bool>("visibleAfter");
        QTest::newRow("main window ends the program") << true << false << true << true;
        QTest::newRow("main window by its close box") << true << true << true << true;
        QTest::newRow("other window only hides") << false << false << false << false;
        QTest::newRow("other window by its close box") << false << true << false << false;
    }
    void closingAWindow() {
        QFETCH(bool, main);
        QFETCH(bool, byWindowSystem);
        QFETCH(bool, terminated);
        QFETCH(bool, visibleAfter);
        testing::Harness harness;
        // Forms made earlier in this process are gone; a fresh one is the main window.
        QVERIFY(tk::App().MainForm() == nullptr);
        tk::TForm first;
        tk::TForm other;
        QCOMPARE(tk::App().MainForm(), &first);
        tk::TForm& form = main ? first : other;
        int closes = 0;
        form.OnClose = [&] { ++closes; };
        QVERIFY(testing::ShowAndExpose(&form));
        if (byWindowSystem)
            form.windowHandle()->close();
        else
            form.Close();
        QCOMPARE(closes, 1);
        QCOMPARE(tk::App().Terminated(), terminated);
        QCOMPARE(form.Visible(), visibleAfter);
    }

    void runShowsTheMainWindowAndEndsOnTerminate() {
        testing::Harness harness;
        tk::TForm main;
        tk::TForm other;
        int shows = 0;
        main.OnShow = [&] { ++shows; };
        int afterError = 0;
        // An error inside the loop is shown, and the loop goes on to the next event.
        QTimer::singleShot(0, qApp, [&] { tk::App().Invoke([] { throw std::runtime_error("oops"); }); });
        QTimer::singleShot(0, qApp, [&] {
            ++afterError;
            main.Close();
        });
        QCOMPARE(tk::App().Run(), 0);
        QCOMPARE(shows, 1);
        QCOMPARE(afterError, 1);
        QVERIFY(main.Visible());
        QVERIFY(!other.Visible());
        QCOMPARE(harness.dialogs->errors, QStringList{QStringLiteral("oops.")});
    }

    // Halt ends the process at once: exit code 0, buffered output written, no OnClose.
    void haltEndsTheProcessAtOnce() {
        int pipeEnds[2];
        QCOMPARE(pipe(pipeEnds), 0);
        const pid_t child = fork();
        if (child == 0) {
            dup2(pipeEnds[1], STDOUT_FILENO);
            tk::TForm form;
            form.OnClose = [] { std::fputs("closed", stdout); };
            std::fputs("buffered", stdout);
            tk::App().Halt();
        }
        close(pipeEnds[1]);
        int status = 0;
        QCOMPARE(waitpid(child, &status, 0), child);
        char buffer[64] = {};
        const ssize_t got = read(pipeEnds[0], buffer, sizeof buffer - 1);
        close(pipeEnds[0]);
        QVERIFY(WIFEXITED(status));
        QCOMPARE(WEXITSTATUS(status), 0);
        QCOMPARE(QByteArray(buffer, static_cast<int>(std::max<ssize_t>(got, 0))), QByteArray("buffered"));
    }

    // The layouts give outer sizes for a frame of 8 px across and 34 px down, and a 20 px menu bar.
    void outerSizeMapsToClientSize_data() {
        QTest::addColumn<QSize>("outer");
        QTest::addColumn<bool>("withMenu");
        QTest::addColumn<QSize>("client");
        QTest::newRow("plain window") << QSize(640, 480) << false << QSize(632, 446);
        QTest::newRow("window with a menu bar") << QSize(640, 480) << true << QSize(632, 426);
        QTest::newRow("too small for a frame") << QSize(4, 20) << false << QSize(0, 0);
    }
    void outerSizeMapsToClientSize() {
        QFETCH(QSize, outer);
        QFETCH(bool, withMenu);
        QFETCH(QSize, client);
        tk::TForm form;
        std::unique_ptr<tk::TMainMenu> menu;
        if (withMenu) {
            menu = std::make_unique<tk::TMainMenu>(&form);
            new tk::TMenuItem(menu.get(), QStringLiteral("Hra"));
        }
        form.SetOuterSize(outer.width(), outer.height());
        QCOMPARE(form.ClientSize(), client);
        QCOMPARE(form.OuterWidth(), outer.width());
        QCOMPARE(form.OuterHeight(), outer.height());
        if (withMenu)
            QCOMPARE(form.height(), client.height() + form.MenuBar()->height());
    }

    void fixedSizeUnlessResizable_data() {
        QTest::addColumn<bool>("resizable");
        QTest::addColumn<bool>("menuAfter");
        QTest::newRow("resizable") << true << false;
        QTest::newRow("fixed") << false << false;
        QTest::newRow("fixed, menu bar added later") << false << true;
    }
    void fixedSizeUnlessResizable() {
        QFETCH(bool, resizable);
        QFETCH(bool, menuAfter);
        tk::TForm form;
        form.SetOuterSize(300, 200);
        form.SetResizable(resizable);
        std::unique_ptr<tk::TMainMenu> menu;
        if (menuAfter)
            menu = std::make_unique<tk::TMainMenu>(&form);
        QCOMPARE(form.minimumSize() == form.maximumSize(), !resizable);
        QCOMPARE(form.ClientSize(), QSize(292, menuAfter ? 146 : 166));
    }

    void borderIconsToWindowButtons_data() {
        QTest::addColumn<int>("icons");
        QTest::addColumn<bool>("close");
        QTest::addColumn<bool>("minimize");
        QTest::addColumn<bool>("maximize");
        const int menu = static_cast<int>(tk::BorderIcon::SystemMenu);
        const int min = static_cast<int>(tk::BorderIcon::Minimize);
        const int max = static_cast<int>(tk::BorderIcon::Maximize);
        QTest::newRow("all") << (menu | min | max) << true << true << true;
        QTest::newRow("no maximize") << (menu | min) << true << true << false;
        QTest::newRow("system menu only") << menu << true << false << false;
    }
    void borderIconsToWindowButtons() {
        QFETCH(int, icons);
        QFETCH(bool, close);
        QFETCH(bool, minimize);
        QFETCH(bool, maximize);
        tk::TForm form;
        form.SetBorderIcons(icons);
        const Qt::WindowFlags flags = form.windowFlags();
        QCOMPARE(flags.testFlag(Qt::WindowCloseButtonHint), close);
        QCOMPARE(flags.testFlag(Qt::WindowMinimizeButtonHint), minimize);
        QCOMPARE(flags.testFlag(Qt::WindowMaximizeButtonHint), maximize);
        QVERIFY(form.isWindow());
    }

    void centredWindowSitsInTheMiddleOfTheScreen_data() {
        QTest::addColumn<bool>("centred");
        QTest::addColumn<bool>("movedAndShownAgain");
        QTest::newRow("centred") << true << false;
        QTest::newRow("at the layout's place") << false << false;
        // Centring only at the first showing, so the player's placement survives a close.
        QTest::newRow("centred, moved, hidden and shown again stays put") << true << true;
        QTest::newRow("at the layout's place, moved, hidden and shown again stays put") << false << true;
    }
    void centredWindowSitsInTheMiddleOfTheScreen() {
        QFETCH(bool, centred);
        QFETCH(bool, movedAndShownAgain);
        testing::Harness harness;
        tk::TForm form;
        form.SetOuterSize(300, 200);
        form.SetLeft(12);
        form.SetTop(34);
        form.SetCentered(centred);
        form.Show();
        const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
        QPoint expected =
            centred ? QPoint(area.x() + (area.width() - 300) / 2, area.y() + (area.height() - 200) / 2)
                    : QPoint(12, 34);
        if (movedAndShownAgain) {
            expected = QPoint(56, 78);
            form.move(expected);
            form.Hide();
            form.Show();
        }
        QCOMPARE(form.pos(), expected);
    }
};

TK_TEST_MAIN(ToolkitApplicationTest)
#include "application_test.moc"
