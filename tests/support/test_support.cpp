// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/test_support.h"

#include <QDir>
#include <QScrollBar>
#include <QTest>
#include <QWindow>

namespace testing {

void RecordingDialogs::ShowMessage(const QString& text, const QString& title) {
    messages.append(text);
    titles.append(title);
}

void RecordingDialogs::ShowError(const QString& text, const QString& title) {
    // Logged too, so a test that fails on an unexpected error box says which error it was.
    qInfo("error box: %s", qPrintable(text));
    errors.append(text);
    titles.append(title);
}

Harness::Harness() {
    auto recorder = std::make_unique<RecordingDialogs>();
    dialogs = recorder.get();
    tk::App().SetDialogs(std::move(recorder));
    tk::App().SetClock(&clock);
    tk::App().ClearTerminate();
}

Harness::~Harness() {
    tk::App().SetClock(nullptr);
    tk::App().SetDialogs(nullptr);
    if (random != nullptr)
        tk::SetRandomSource(nullptr);
    tk::App().ClearTerminate();
}

void Harness::Script(std::vector<std::uint32_t> draws) {
    auto scripted = std::make_unique<tk::ScriptedRandom>(std::move(draws));
    random = scripted.get();
    tk::SetRandomSource(std::move(scripted));
}

void ShowAndExpose(tk::TForm* form) {
    if (form->isHidden())
        form->Show();
    QVERIFY(QTest::qWaitForWindowExposed(form));
}

namespace {

void ClickInWindow(QWidget* window, QPoint windowPos) {
    QWindow* handle = window->windowHandle();
    QVERIFY2(handle != nullptr, "the window has not been shown");
    QTest::mouseClick(handle, Qt::LeftButton, Qt::NoModifier, windowPos);
}

} // namespace

void ClickAt(tk::TForm* form, QPoint clientPos) {
    ClickInWindow(form, form->ClientWidget()->mapTo(form, clientPos));
}

void Click(tk::TControl* control) {
    QWidget* widget = control->self();
    QWidget* window = widget->window();
    ClickInWindow(window, widget->mapTo(window, widget->rect().center()));
}

const tk::OutlineNode* FindRow(tk::TDirectoryOutline* outline, const QString& path) {
    for (int row = 0; row < outline->RowCount(); ++row) {
        if (tk::TDirectoryOutline::NodePath(outline->Row(row)) == path)
            return outline->Row(row);
    }
    return nullptr;
}

namespace {

// The centre of a row's text in its window, after scrolling the row to the top.
QPoint ScrolledRowCentre(tk::TDirectoryOutline* outline, const tk::OutlineNode* node) {
    const int row = outline->RowOf(node);
    outline->verticalScrollBar()->setValue(row);
    outline->horizontalScrollBar()->setValue(0);
    return outline->Viewport()->mapTo(outline->window(), outline->RowRect(row).center());
}

} // namespace

void ClickRow(tk::TDirectoryOutline* outline, const tk::OutlineNode* node) {
    QVERIFY2(node != nullptr && outline->RowOf(node) >= 0, "the row is not shown");
    QTest::mouseClick(outline->window()->windowHandle(), Qt::LeftButton, Qt::NoModifier,
                      ScrolledRowCentre(outline, node));
}

void DoubleClickRow(tk::TDirectoryOutline* outline, const tk::OutlineNode* node) {
    QVERIFY2(node != nullptr && outline->RowOf(node) >= 0, "the row is not shown");
    QTest::mouseDClick(outline->window()->windowHandle(), Qt::LeftButton, Qt::NoModifier,
                       ScrolledRowCentre(outline, node));
}

void Type(tk::TForm* form, const QString& text) {
    QWidget* target = form->focusWidget();
    if (target == nullptr)
        target = QApplication::focusWidget();
    QVERIFY2(target != nullptr, "nothing has the keyboard focus");
    // One key event per character with its text, so letters beyond Latin-1 (ř, ů, ě) arrive too.
    for (const QChar c : text)
        QTest::sendKeyEvent(QTest::Click, target, Qt::Key_unknown, QString(c), Qt::NoModifier);
}

void Shoot(QWidget* widget, const QString& name) {
    const QString folder = qEnvironmentVariable("PLAMKOV_SHOTS");
    if (folder.isEmpty())
        return;
    QDir().mkpath(folder);
    widget->grab().save(QDir(folder).filePath(name + QStringLiteral(".png")));
}

} // namespace testing
