// SPDX-License-Identifier: GPL-3.0-or-later
// The controls as the games use them: which control a click reaches, what each property does,
// and what the edit box lets in. Clicks go through the window system, as a player's would.
#include "support/test_main.h"
#include "support/test_support.h"

#include "toolkit/text/errors.h"

#include <QApplication>
#include <QClipboard>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPointer>
#include <QTest>
#include <QWindow>

namespace {

constexpr int kFormWidth = 300;
constexpr int kFormHeight = 200;

// A shown form with a full-size panel to put controls on.
struct Scene {
    Scene() {
        form.SetOuterSize(kFormWidth, kFormHeight);
        panel = new tk::TPanel(&form);
        panel->SetBounds(0, 0, 280, 150);
    }
    [[nodiscard]] bool Show() { return testing::ShowAndExpose(&form); }
    // An image on the panel that adds `name` to `clicks` when clicked; no name, no handler.
    tk::TImage* AddImage(const QRect& bounds, QString& clicks, const QString& name) {
        auto* image = new tk::TImage(panel);
        image->SetBounds(bounds.x(), bounds.y(), bounds.width(), bounds.height());
        if (!name.isEmpty())
            image->OnClick = [&clicks, name] { clicks += name; };
        return image;
    }
    tk::TForm form;
    tk::TPanel* panel;
};

QColor PixelOf(QWidget* window, QPoint at) {
    return window->grab().toImage().pixelColor(at);
}

} // namespace

class ToolkitControlsTest : public QObject {
    Q_OBJECT

private slots:
    // Two overlapping images, "first" created before "second"; the click lands where they overlap.
    void clickReachesTopmostShownControl_data() {
        QTest::addColumn<bool>("secondHidden");
        QTest::addColumn<bool>("secondHasHandler");
        QTest::addColumn<bool>("panelHidden");
        QTest::addColumn<QString>("clicked");
        QTest::newRow("the later sibling lies on top") << false << true << false << "second";
        QTest::newRow("a hidden control lets the click through") << true << true << false << "first";
        QTest::newRow("an image without handler takes the click") << false << false << false << "";
        QTest::newRow("a hidden parent hides its children") << false << true << true << "";
    }
    void clickReachesTopmostShownControl() {
        QFETCH(bool, secondHidden);
        QFETCH(bool, secondHasHandler);
        QFETCH(bool, panelHidden);
        QFETCH(QString, clicked);
        testing::Harness harness;
        Scene scene;
        QString got;
        scene.AddImage(QRect(10, 10, 100, 100), got, QStringLiteral("first"));
        auto* second = scene.AddImage(QRect(50, 50, 100, 100), got,
                                      secondHasHandler ? QStringLiteral("second") : QString());
        QVERIFY(scene.Show());
        second->SetVisible(!secondHidden);
        scene.panel->SetVisible(!panelHidden);
        QVERIFY(testing::ClickAt(&scene.form, QPoint(70, 70)));
        QCOMPARE(got, clicked);
    }

    // The press must not travel up to the parent, or a background picture would click its owner.
    void imageWithoutHandlerDoesNotPassPressToParent() {
        testing::Harness harness;
        tk::TForm form;
        form.SetOuterSize(kFormWidth, kFormHeight);
        struct RecordingPanel : tk::TPanel {
            using TPanel::TPanel;
            int presses = 0;
            void mousePressEvent(QMouseEvent* event) override {
                ++presses;
                event->accept();
            }
        };
        auto* panel = new RecordingPanel(&form);
        panel->SetBounds(0, 0, 200, 140);
        auto* image = new tk::TImage(panel);
        image->SetBounds(20, 20, 50, 50);
        QVERIFY(testing::ShowAndExpose(&form));
        QVERIFY(testing::Click(image));
        QCOMPARE(panel->presses, 0);
        QVERIFY(testing::ClickAt(&form, QPoint(150, 100)));
        QCOMPARE(panel->presses, 1);
    }

    void clickNeedsPressAndReleaseOverSameControl_data() {
        QTest::addColumn<QPoint>("press");
        QTest::addColumn<QPoint>("release");
        QTest::addColumn<QString>("clicked");
        QTest::newRow("press and release on the same image") << QPoint(20, 20) << QPoint(30, 30) << "A";
        QTest::newRow("released over another image") << QPoint(20, 20) << QPoint(120, 20) << "";
        QTest::newRow("pressed elsewhere, released over it") << QPoint(120, 20) << QPoint(20, 20) << "";
    }
    void clickNeedsPressAndReleaseOverSameControl() {
        QFETCH(QPoint, press);
        QFETCH(QPoint, release);
        QFETCH(QString, clicked);
        testing::Harness harness;
        Scene scene;
        QString got;
        scene.AddImage(QRect(0, 0, 100, 100), got, QStringLiteral("A"));
        scene.AddImage(QRect(100, 0, 100, 100), got, QStringLiteral("B"));
        QVERIFY(scene.Show());
        QWindow* window = scene.form.windowHandle();
        const QPoint offset = scene.form.ClientWidget()->mapTo(&scene.form, QPoint(0, 0));
        QTest::mousePress(window, Qt::LeftButton, Qt::NoModifier, press + offset);
        QTest::mouseRelease(window, Qt::LeftButton, Qt::NoModifier, release + offset);
        QCOMPARE(got, clicked);
    }

    // The memory game frees a card from inside the card's own click handler.
    void controlFreedByItsOwnClickHandler_data() {
        QTest::addColumn<QString>("kind");
        QTest::newRow("image") << "image";
        QTest::newRow("image released after its event") << "released";
        QTest::newRow("button") << "button";
        QTest::newRow("menu item") << "menu";
    }
    void controlFreedByItsOwnClickHandler() {
        QFETCH(QString, kind);
        testing::Harness harness;
        Scene scene;
        tk::TMainMenu menu(&scene.form);
        QPointer<QObject> control;
        int ran = 0;
        // The handler reads its own captures after freeing their owner: only a copy keeps them alive.
        const bool release = kind == QLatin1String("released");
        bool goneAtOnce = false;
        const auto freeing = [&, note = QStringLiteral("still here")] {
            if (release) {
                auto* image = dynamic_cast<tk::TImage*>(control.data());
                tk::ReleaseControl(image);
                tk::ReleaseControl(image); // a second release does nothing
                goneAtOnce = !image->isVisible() && image->Released();
            } else {
                delete control.data();
            }
            ran += note.size() > 0 ? 1 : 0;
        };
        if (kind == QLatin1String("image") || release) {
            auto* image = new tk::TImage(scene.panel);
            image->SetBounds(0, 0, 50, 50);
            image->OnClick = freeing;
            control = image;
        } else if (kind == QLatin1String("button")) {
            auto* button = new tk::TButton(scene.panel);
            button->SetBounds(0, 0, 50, 50);
            button->OnClick = freeing;
            control = button;
        } else {
            auto* item = new tk::TMenuItem(&menu, QStringLiteral("Konec"));
            item->OnClick = freeing;
            control = item;
        }
        QVERIFY(scene.Show());
        if (auto* item = qobject_cast<tk::TMenuItem*>(control.data()))
            item->Action()->trigger();
        else
            QVERIFY(testing::ClickAt(&scene.form, QPoint(25, 25)));
        QCOMPARE(ran, 1);
        QCOMPARE(goneAtOnce, release);
        if (release)
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(control.isNull());
        QVERIFY(harness.dialogs->errors.isEmpty());
    }

    void visibleIsTheControlsOwnFlag() {
        testing::Harness harness;
        Scene scene;
        auto* image = new tk::TImage(scene.panel);
        QVERIFY(image->Visible()); // controls start visible, even on a hidden form
        QVERIFY(!scene.form.Visible());
        scene.panel->SetVisible(false);
        QVERIFY(scene.Show());
        QVERIFY(image->Visible()); // its parent is hidden, its own flag is not
        QVERIFY(!image->isVisible());
        image->SetVisible(false);
        scene.panel->SetVisible(true);
        QVERIFY(!image->Visible());
    }

    void labelGrowsToFitItsCaption_data() {
        QTest::addColumn<bool>("autoSize");
        QTest::addColumn<bool>("grows");
        QTest::newRow("auto size grows") << true << true;
        QTest::newRow("fixed size stays") << false << false;
    }
    void labelGrowsToFitItsCaption() {
        QFETCH(bool, autoSize);
        QFETCH(bool, grows);
        Scene scene;
        auto* label = new tk::TLabel(scene.panel);
        label->SetAutoSize(autoSize);
        label->SetBounds(5, 5, 20, 10);
        label->SetCaption(QStringLiteral("Čas: 60 a mnohem delší text"));
        QCOMPARE(label->Width() > 100, grows);
        QCOMPARE(label->Left(), 5);
        QCOMPARE(label->Top(), 5);
    }

    void labelWithColourIsOpaque() {
        Scene scene;
        QPalette red = scene.panel->palette();
        red.setColor(QPalette::Window, Qt::red);
        scene.panel->setPalette(red);
        auto* plain = new tk::TLabel(scene.panel);
        plain->SetAutoSize(false);
        plain->SetBounds(10, 10, 40, 20);
        auto* coloured = new tk::TLabel(scene.panel);
        coloured->SetAutoSize(false);
        coloured->SetBounds(60, 10, 40, 20);
        coloured->SetColor(Qt::yellow);
        QVERIFY(scene.Show());
        const QPoint client = scene.form.ClientWidget()->mapTo(&scene.form, QPoint(0, 0));
        QCOMPARE(PixelOf(&scene.form, client + QPoint(45, 25)), QColor(Qt::red));
        QCOMPARE(PixelOf(&scene.form, client + QPoint(95, 25)), QColor(Qt::yellow));
    }

    void panelCaptionIsCentred() {
        Scene scene;
        scene.panel->SetBounds(0, 0, 200, 100);
        scene.panel->SetFontHeight(20);
        scene.panel->SetCaption(QStringLiteral("X"));
        const QImage shot = scene.panel->grab().toImage();
        const QColor text = scene.panel->palette().color(QPalette::WindowText);
        QRect ink;
        for (int y = 2; y < shot.height() - 2; ++y)
            for (int x = 2; x < shot.width() - 2; ++x)
                if (shot.pixelColor(x, y) == text)
                    ink |= QRect(x, y, 1, 1);
        QVERIFY(!ink.isEmpty());
        QVERIFY2(qAbs(ink.center().x() - 100) <= 3, qPrintable(QString::number(ink.center().x())));
        QVERIFY2(qAbs(ink.center().y() - 50) <= 3, qPrintable(QString::number(ink.center().y())));
    }

    void radioButtonsGroupByParent() {
        Scene scene;
        auto* box = new tk::TGroupBox(scene.panel);
        auto* a = new tk::TRadioButton(box);
        auto* b = new tk::TRadioButton(box);
        auto* other = new tk::TRadioButton(scene.panel);
        a->SetChecked(true);
        other->SetChecked(true);
        b->SetChecked(true);
        QVERIFY(!a->Checked());
        QVERIFY(b->Checked());
        QVERIFY(other->Checked()); // another parent, another group
        b->SetChecked(false);      // the program may leave a group with none checked
        QVERIFY(!b->Checked());
    }

    void radioGroupItemIndex_data() {
        QTest::addColumn<int>("set");
        QTest::addColumn<int>("expected");
        QTest::newRow("first") << 0 << 0;
        QTest::newRow("last") << 2 << 2;
        QTest::newRow("none") << -1 << -1;
        QTest::newRow("out of range means none") << 3 << -1;
    }
    void radioGroupItemIndex() {
        QFETCH(int, set);
        QFETCH(int, expected);
        Scene scene;
        auto* group = new tk::TRadioGroup(scene.panel);
        group->SetItems({QStringLiteral("pomalu"), QStringLiteral("středně"), QStringLiteral("rychle")});
        QCOMPARE(group->ItemIndex(), -1);
        group->SetItemIndex(1);
        group->SetItemIndex(set);
        QCOMPARE(group->ItemIndex(), expected);
        for (int i = 0; i < 3; ++i)
            QCOMPARE(group->ItemButton(i)->isChecked(), i == expected);
    }

    void radioGroupFollowsAClickedItem() {
        testing::Harness harness;
        Scene scene;
        auto* group = new tk::TRadioGroup(scene.panel);
        group->SetBounds(10, 10, 150, 100);
        group->SetItems({QStringLiteral("jedna"), QStringLiteral("dvě")});
        group->SetItemIndex(0);
        QVERIFY(scene.Show());
        QRadioButton* second = group->ItemButton(1);
        const QPoint at = second->mapTo(&scene.form, QPoint(8, second->height() / 2));
        QTest::mouseClick(scene.form.windowHandle(), Qt::LeftButton, Qt::NoModifier, at);
        QCOMPARE(group->ItemIndex(), 1);
    }

    void editKeepsOnlyTypableText_data() {
        QTest::addColumn<QString>("input");
        QTest::addColumn<QString>("kept");
        QTest::newRow("Czech letters stay whole")
            << QStringLiteral("Žluťoučký kůň") << QStringLiteral("Žluťoučký kůň");
        QTest::newRow("line breaks and end of file go")
            << QStringLiteral("A\r\nB\x1a") << QStringLiteral("AB");
        QTest::newRow("characters outside the code page go")
            << QStringLiteral("Jan 中文 Novák") << QStringLiteral("Jan  Novák");
    }
    void editKeepsOnlyTypableText() {
        QFETCH(QString, input);
        QFETCH(QString, kept);
        testing::Harness harness;
        Scene scene;
        auto* edit = new tk::TEdit(scene.panel);
        edit->SetBounds(10, 10, 200, 20);
        QVERIFY(scene.Show());
        edit->SetFocus();
        // Pasted into the middle of what is there: the cursor stays after the pasted part.
        edit->SetText(QStringLiteral("<>"));
        edit->setCursorPosition(1);
        QGuiApplication::clipboard()->setText(input);
        edit->paste();
        QCOMPARE(edit->Text(), QStringLiteral("<") + kept + QStringLiteral(">"));
        QCOMPARE(edit->cursorPosition(), 1 + kept.size());
        // Set by the program: the same rule.
        edit->SetText(input);
        QCOMPARE(edit->Text(), kept);
    }

    void typedTextReplacesAutoSelectedText_data() {
        QTest::addColumn<bool>("autoSelect");
        QTest::addColumn<QString>("after");
        QTest::newRow("auto select: typing replaces") << true << "Eva";
        QTest::newRow("no auto select: typing adds") << false << "staréEva";
    }
    void typedTextReplacesAutoSelectedText() {
        QFETCH(bool, autoSelect);
        QFETCH(QString, after);
        testing::Harness harness;
        Scene scene;
        auto* edit = new tk::TEdit(scene.panel);
        edit->SetBounds(10, 10, 200, 20);
        edit->SetAutoSelect(autoSelect);
        edit->SetText(QStringLiteral("staré"));
        QVERIFY(scene.Show());
        edit->SetFocus();
        QVERIFY(testing::Type(&scene.form, QStringLiteral("Eva")));
        QCOMPARE(edit->Text(), after);
    }

    void setFocusNeedsAShownEditBox_data() {
        QTest::addColumn<QString>("hidden");
        QTest::addColumn<bool>("raises");
        QTest::newRow("all shown") << "" << false;
        QTest::newRow("box hidden") << "box" << true;
        QTest::newRow("parent hidden") << "panel" << true;
        QTest::newRow("window hidden") << "form" << true;
        QTest::newRow("box disabled") << "disabled" << true;
    }
    void setFocusNeedsAShownEditBox() {
        QFETCH(QString, hidden);
        QFETCH(bool, raises);
        testing::Harness harness;
        Scene scene;
        auto* edit = new tk::TEdit(scene.panel);
        if (hidden != QLatin1String("form"))
            QVERIFY(scene.Show());
        if (hidden == QLatin1String("box"))
            edit->SetVisible(false);
        if (hidden == QLatin1String("panel"))
            scene.panel->SetVisible(false);
        if (hidden == QLatin1String("disabled"))
            edit->setEnabled(false);
        bool raised = false;
        try {
            edit->SetFocus();
        } catch (const tk::EInvalidOperation& error) {
            raised = true;
            QCOMPARE(error.Text(), QStringLiteral("Cannot focus a disabled or invisible window"));
        }
        QCOMPARE(raised, raises);
        if (!raises)
            QCOMPARE(scene.form.focusWidget(), edit);
    }

    void gridAddressesCellsColumnFirst() {
        Scene scene;
        auto* grid = new tk::TStringGrid(scene.panel);
        grid->SetDimensions(2, 11, 1);
        grid->SetCell(1, 3, QStringLiteral("Pepa"));
        QCOMPARE(grid->Cell(1, 3), QStringLiteral("Pepa"));
        QCOMPARE(grid->Cell(3, 1), QString());
        QCOMPARE(grid->item(3, 1)->text(), QStringLiteral("Pepa"));
        QCOMPARE(grid->ColCount(), 2);
        QCOMPARE(grid->RowCount(), 11);
    }

    void gridHeaderRowsAreFixed_data() {
        QTest::addColumn<int>("row");
        QTest::addColumn<bool>("selectable");
        QTest::newRow("header row") << 0 << false;
        QTest::newRow("body row") << 1 << true;
    }
    void gridHeaderRowsAreFixed() {
        QFETCH(int, row);
        QFETCH(bool, selectable);
        Scene scene;
        auto* grid = new tk::TStringGrid(scene.panel);
        grid->SetDimensions(2, 3, 1);
        grid->SetCell(0, row, QStringLiteral("10"));
        QCOMPARE(grid->item(row, 0)->flags().testFlag(Qt::ItemIsSelectable), selectable);
        QVERIFY(!grid->item(row, 0)->flags().testFlag(Qt::ItemIsEditable));
        QCOMPARE(grid->item(row, 0)->background().color() == grid->palette().color(QPalette::Button),
                 !selectable);
        QCOMPARE(grid->editTriggers(), QAbstractItemView::NoEditTriggers);
    }

    void gridCellSize() {
        Scene scene;
        auto* grid = new tk::TStringGrid(scene.panel);
        grid->SetDimensions(2, 3, 1);
        grid->SetCellSize(64, 18);
        QCOMPARE(grid->columnWidth(1), 64);
        QCOMPARE(grid->rowHeight(2), 18);
    }

    void fontHeightIsInPixels() {
        Scene scene;
        auto* label = new tk::TLabel(scene.panel);
        QCOMPARE(label->font().pixelSize(), tk::kDefaultFontHeight); // from the form
        label->SetFontHeight(24);
        QCOMPARE(label->font().pixelSize(), 24);
        QCOMPARE(label->font().family(), QStringLiteral("DejaVu Sans"));
    }

    void menuItemsBuildBarAndSubmenus() {
        testing::Harness harness;
        tk::TForm form;
        tk::TMainMenu menu(&form);
        auto* game = new tk::TMenuItem(&menu, QStringLiteral("Hra"));
        auto* plain = new tk::TMenuItem(&menu, QStringLiteral("Nápověda"));
        auto* start = new tk::TMenuItem(game, QStringLiteral("Nová"));
        auto* line = new tk::TMenuItem(game, QStringLiteral("-"));
        auto* end = new tk::TMenuItem(game, QStringLiteral("Konec"));
        QStringList ran;
        plain->OnClick = [&] { ran << QStringLiteral("help"); };
        start->OnClick = [&] { ran << QStringLiteral("new"); };
        end->OnClick = [&] { throw tk::EInvalidOperation(QStringLiteral("boom")); };
        QCOMPARE(form.MenuBar()->actions().size(), 2);
        QCOMPARE(form.MenuBar()->actions()[0], game->Action());
        QVERIFY(game->Action()->menu() != nullptr);
        QVERIFY(plain->Action()->menu() == nullptr);
        QCOMPARE(game->SubMenu()->actions().size(), 3);
        QVERIFY(line->Action()->isSeparator());
        plain->Action()->trigger();
        start->Action()->trigger();
        end->Action()->trigger(); // through the error boundary
        QCOMPARE(ran, (QStringList{QStringLiteral("help"), QStringLiteral("new")}));
        QCOMPARE(harness.dialogs->errors, QStringList{QStringLiteral("boom.")});
    }

    void submenuUnderASubItem() {
        tk::TForm form;
        tk::TMainMenu menu(&form);
        auto* top = new tk::TMenuItem(&menu, QStringLiteral("Hra"));
        auto* middle = new tk::TMenuItem(top, QStringLiteral("Rychlost"));
        auto* bottom = new tk::TMenuItem(middle, QStringLiteral("Rychle"));
        QVERIFY(middle->Action()->menu() != nullptr);
        QCOMPARE(top->SubMenu()->actions(), QList<QAction*>{middle->Action()});
        QCOMPARE(middle->SubMenu()->actions(), QList<QAction*>{bottom->Action()});
    }
};

TK_TEST_MAIN(ToolkitControlsTest)
#include "controls_test.moc"
