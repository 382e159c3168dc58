// SPDX-License-Identifier: GPL-3.0-or-later
// Every window stands wholly on the screen: placed at the layout's position where it fits, moved
// (never resized) just far enough where it does not.
#include "support/test_main.h"
#include "support/test_support.h"
#include "toolkit/ui/controls.h"
#include "toolkit/ui/placement.h"

#include <QGuiApplication>
#include <QScreen>
#include <QtTest>

class PlacementTest : public QObject {
    Q_OBJECT

private slots:
    void windowStandsWhollyInTheArea_data();
    void windowStandsWhollyInTheArea();
    void formIsKeptOnTheScreen_data();
    void formIsKeptOnTheScreen();
};

void PlacementTest::windowStandsWhollyInTheArea_data() {
    QTest::addColumn<QRect>("wanted");
    QTest::addColumn<QPoint>("placed");
    // A 1366 x 768 screen with a 32-pixel panel at its top.
    QTest::newRow("fits: the layout's position exactly") << QRect(376, 306, 784, 430) << QPoint(376, 306);
    QTest::newRow("fits against the corner") << QRect(582, 217, 784, 551) << QPoint(582, 217);
    QTest::newRow("too far right: moved left just enough") << QRect(700, 40, 784, 430) << QPoint(582, 40);
    QTest::newRow("too far down: moved up just enough") << QRect(376, 306, 784, 551) << QPoint(376, 217);
    QTest::newRow("both: moved up and left") << QRect(900, 500, 784, 551) << QPoint(582, 217);
    QTest::newRow("above the panel: moved down") << QRect(10, 0, 300, 200) << QPoint(10, 32);
    QTest::newRow("off the left: moved right") << QRect(-50, 100, 300, 200) << QPoint(0, 100);
    QTest::newRow("larger both ways: the top-left corner") << QRect(200, 100, 1400, 800) << QPoint(0, 32);
    QTest::newRow("taller only: at the top, kept across") << QRect(200, 100, 300, 900) << QPoint(200, 32);
    QTest::newRow("as large as the area: its corner") << QRect(5, 40, 1366, 736) << QPoint(0, 32);
}

void PlacementTest::windowStandsWhollyInTheArea() {
    QFETCH(QRect, wanted);
    QFETCH(QPoint, placed);
    QCOMPARE(tk::PlaceWithin(wanted, QRect(0, 32, 1366, 736)), placed);
}

void PlacementTest::formIsKeptOnTheScreen_data() {
    QTest::addColumn<bool>("whileShown");
    QTest::newRow("placed off the right edge by its layout, at its first showing") << false;
    QTest::newRow("grown off the bottom edge while shown") << true;
}

// The rule at work on a real window: the frame ends at the area's edge, the other side untouched.
void PlacementTest::formIsKeptOnTheScreen() {
    QFETCH(bool, whileShown);
    testing::Harness harness;
    const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
    tk::TForm form;
    form.SetOuterSize(300, 200);
    if (!whileShown) {
        form.SetLeft(area.right() - 100);
        form.SetTop(area.top() + 10);
        form.Show();
        QCOMPARE(form.pos(), QPoint(area.right() + 1 - 300, area.top() + 10));
        return;
    }
    form.SetLeft(area.left() + 20);
    form.SetTop(area.bottom() - 250);
    form.Show();
    QCOMPARE(form.pos(), QPoint(area.left() + 20, area.bottom() - 250));
    form.SetOuterSize(300, 400);
    QCOMPARE(form.frameGeometry().bottom(), area.bottom());
    QCOMPARE(form.frameGeometry().left(), area.left() + 20);
}

TK_TEST_MAIN(PlacementTest)
#include "placement_test.moc"
