// SPDX-License-Identifier: GPL-3.0-or-later
// The picture folder dialog: its layout, and how each modal showing ends: "OK" gives 1 and the
// folder selected, the close box gives another result and leaves the selection and the current
// directory as they were; one window serves every showing, so the selection carries over.
#include "support/test_main.h"
#include "support/test_support.h"

#include "memory/folder_form.h"
#include "toolkit/text/files.h"

#include <QDir>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <memory>

namespace {
constexpr int kSiblings = 60; // more folders than the tree has rows, so it must scroll
} // namespace

class FolderFormTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void cleanup();
    void controlsSitWhereTheLayoutPutsThem_data();
    void controlsSitWhereTheLayoutPutsThem();
    void itOpensAsADialogWithTheStartFolderInView();
    void eachShowingEndsAsThePlayerClosesIt_data();
    void eachShowingEndsAsThePlayerClosesIt();

private:
    QString Path(const QString& name) const { return pics_ + QLatin1Char('/') + name; }
    QTemporaryDir dir_;
    QString oldDir_;
    QString pics_;
    std::unique_ptr<TForm5> form_; // one window for every showing, as in the game
};

void FolderFormTest::initTestCase() {
    QVERIFY(dir_.isValid());
    oldDir_ = QDir::currentPath();
    pics_ = QDir(dir_.path()).canonicalPath() + QStringLiteral("/pics");
    QDir root(QDir(dir_.path()).canonicalPath());
    for (const char* name : {"pics/a", "pics/b", "pics/c"})
        QVERIFY(root.mkpath(QLatin1String(name)));
    for (int i = 0; i < kSiblings; ++i)
        QVERIFY(root.mkpath(QStringLiteral("pics/s%1").arg(i, 2, 10, QLatin1Char('0'))));
    tk::SetCurrentDir(Path(QStringLiteral("s%1").arg(kSiblings - 1)));
    form_ = std::make_unique<TForm5>();
}

void FolderFormTest::cleanupTestCase() {
    form_.reset();
    QDir::setCurrent(oldDir_);
}

void FolderFormTest::cleanup() {
    // A test that failed midway must not leave the window shown for the next modal show.
    if (!form_->InModalShow())
        form_->Hide();
}

void FolderFormTest::controlsSitWhereTheLayoutPutsThem_data() {
    QTest::addColumn<QObject*>("control");
    QTest::addColumn<QRect>("bounds"); // an empty size: the control fits its text
    QTest::addColumn<QString>("caption");
    QTest::newRow("label") << static_cast<QObject*>(form_->Label1) << QRect(16, 8, 0, 0)
                           << "Vyber adresář s obrázky:";
    QTest::newRow("tree") << static_cast<QObject*>(form_->DirectoryOutline1) << QRect(16, 32, 345, 313) << "";
    QTest::newRow("OK") << static_cast<QObject*>(form_->Button1) << QRect(144, 360, 75, 25) << "OK";
}

void FolderFormTest::controlsSitWhereTheLayoutPutsThem() {
    QFETCH(QObject*, control);
    QFETCH(QRect, bounds);
    QFETCH(QString, caption);
    auto* widget = qobject_cast<QWidget*>(control);
    QCOMPARE(widget->pos(), bounds.topLeft());
    if (!bounds.size().isEmpty())
        QCOMPARE(widget->size(), bounds.size());
    QVERIFY(widget->geometry().bottom() < form_->ClientSize().height());
    if (auto* label = qobject_cast<tk::TLabel*>(control))
        QCOMPARE(label->Caption(), caption);
    if (auto* button = qobject_cast<tk::TButton*>(control))
        QCOMPARE(button->Caption(), caption);
}

// Caption and size, a close box only and no resizing, the tree holding the focus first with
// "OK" next, and the folder the tree starts on scrolled into view.
void FolderFormTest::itOpensAsADialogWithTheStartFolderInView() {
    testing::Harness harness;
    QCOMPARE(form_->Caption(), QStringLiteral("Výběr obrázků"));
    QCOMPARE(QSize(form_->OuterWidth(), form_->OuterHeight()), QSize(383, 426));
    QCOMPARE(form_->pos(), QPoint(445, 252));
    QCOMPARE(form_->minimumSize(), form_->maximumSize());
    QVERIFY(!(form_->windowFlags() & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint)));
    QCOMPARE(form_->palette().color(QPalette::Window), tk::ButtonFaceColor());
    QCOMPARE(form_->Button1->ModalResult(), 1);

    QVERIFY(testing::ShowAndExpose(form_.get()));
    tk::TDirectoryOutline* tree = form_->DirectoryOutline1;
    QCOMPARE(tk::TDirectoryOutline::NodePath(tree->Selected()), Path(QStringLiteral("s59")));
    QVERIFY(tree->verticalScrollBar()->isVisible());
    QVERIFY(tree->Viewport()->rect().contains(tree->RowRect(tree->RowOf(tree->Selected()))));
    QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(tree));
    QTest::keyClick(tree, Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(form_->Button1));
    testing::Shoot(form_.get(), QStringLiteral("folder_dialog"));
    form_->Hide();
    QCOMPARE(tk::GetCurrentDir(), Path(QStringLiteral("s59")));
}

// The rows run in order on the one window. Actions inside the modal show: a folder name clicks
// its row, "return" presses Enter in the tree (OK is not the default button), "ok" clicks OK,
// "close" uses the close box.
void FolderFormTest::eachShowingEndsAsThePlayerClosesIt_data() {
    QTest::addColumn<QStringList>("actions");
    QTest::addColumn<int>("result");
    QTest::addColumn<QString>("directory");
    QTest::newRow("choose a, OK") << QStringList{"a", "ok"} << 1 << "a";
    QTest::newRow("OK at once confirms a") << QStringList{"ok"} << 1 << "a";
    QTest::newRow("choose b, close box") << QStringList{"b", "return", "close"} << 2 << "b";
    QTest::newRow("OK at once after the close box") << QStringList{"ok"} << 1 << "b";
}

void FolderFormTest::eachShowingEndsAsThePlayerClosesIt() {
    QFETCH(QStringList, actions);
    QFETCH(int, result);
    QFETCH(QString, directory);
    testing::Harness harness;
    tk::TDirectoryOutline* tree = form_->DirectoryOutline1;
    bool modal = false;
    bool stepsTaken = true;
    QTimer::singleShot(0, [&] {
        modal = form_->isVisible() && form_->InModalShow();
        for (const QString& action : actions) {
            if (action == QLatin1String("ok"))
                stepsTaken = testing::Click(form_->Button1);
            else if (action == QLatin1String("close"))
                form_->close(); // as the close box asks
            else if (action == QLatin1String("return"))
                QTest::keyClick(tree, Qt::Key_Return);
            else
                stepsTaken = testing::ClickRow(tree, testing::FindRow(tree, Path(action)));
            if (!stepsTaken)
                break;
        }
        // A failed step must not leave the test waiting in the modal loop.
        if (form_->InModalShow() && form_->ModalResult() == 0)
            form_->SetModalResult(-1);
    });
    QCOMPARE(form_->ShowModal(), result);
    QVERIFY(stepsTaken);
    QVERIFY(modal);
    QVERIFY(!form_->isVisible());
    QCOMPARE(form_->ModalResult(), result);
    QCOMPARE(tree->Directory(), Path(directory));
    QCOMPARE(tk::TDirectoryOutline::NodePath(tree->Selected()), Path(directory));
    QCOMPARE(tk::GetCurrentDir(), Path(directory));
    QCOMPARE(harness.dialogs->errors, QStringList());
}

TK_TEST_MAIN(FolderFormTest)
#include "folder_form_test.moc"
