// SPDX-License-Identifier: GPL-3.0-or-later
// A shown window keeps the size the program gives it against a late answer of the window system
// that still carries the size it had before (a Wayland compositor's configure sent before it saw
// the resize), and takes any other size the window system gives it, the player's above all.
#include "support/test_main.h"
#include "support/test_support.h"
#include "toolkit/ui/controls.h"

#include <QWindow>
#include <QtTest>

class FormSizeTest : public QObject {
    Q_OBJECT

private slots:
    void programSizeOutlivesStaleAnswers_data();
    void programSizeOutlivesStaleAnswers();
};

void FormSizeTest::programSizeOutlivesStaleAnswers_data() {
    // The sizes the window system gives after the program's resize, in order: "before" (the size
    // the window left), "asked" (the program's), "hand" (one of the player's).
    QTest::addColumn<QStringList>("answers");
    QTest::addColumn<QString>("kept");
    QTest::newRow("no answer") << QStringList{} << "asked";
    QTest::newRow("a stale answer: the program's size stands") << QStringList{"before"} << "asked";
    QTest::newRow("two stale answers in a row") << QStringList{"before", "before"} << "asked";
    QTest::newRow("the player's size stays") << QStringList{"hand"} << "hand";
    QTest::newRow("the player's, then the old size by hand") << QStringList{"hand", "before"} << "before";
    QTest::newRow("confirmed, then the old size by hand")
        << QStringList{"asked", "hand", "before"} << "before";
}

void FormSizeTest::programSizeOutlivesStaleAnswers() {
    QFETCH(QStringList, answers);
    QFETCH(QString, kept);
    tk::TForm form;
    form.SetResizable(true);
    form.SetOuterSize(784, 551);
    QVERIFY(testing::ShowAndExpose(&form));
    const QSize before = form.size();
    form.SetOuterSize(622, 430);
    QCoreApplication::processEvents();
    const QMap<QString, QSize> sizes{{"before", before}, {"asked", form.size()}, {"hand", QSize(700, 450)}};
    QVERIFY(sizes["asked"] != before);
    for (const QString& answer : answers) {
        // As the window system resizes a window: through its native side, not the widget.
        form.windowHandle()->resize(sizes[answer]);
        QCoreApplication::processEvents(); // delivers it to the widget
        QCoreApplication::processEvents(); // the window's answer to it, if any, is queued
    }
    QCOMPARE(form.size(), sizes[kept]);
    QCOMPARE(form.ClientSize().width(), form.size().width()); // the client area follows
}

TK_TEST_MAIN(FormSizeTest)
#include "form_size_test.moc"
