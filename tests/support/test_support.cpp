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

namespace {

// Says why a helper could not do its work; the check at its call then stops the test.
bool Fail(const char* why) {
    qWarning("%s", why);
    return false;
}

} // namespace

bool ShowAndExpose(tk::TForm* form) {
    if (form->isHidden())
        form->Show();
    return QTest::qWaitForWindowExposed(form) || Fail("the window was never exposed");
}

namespace {

bool ClickInWindow(QWidget* window, QPoint windowPos) {
    QWindow* handle = window->windowHandle();
    if (handle == nullptr)
        return Fail("the window has not been shown");
    QTest::mouseClick(handle, Qt::LeftButton, Qt::NoModifier, windowPos);
    return true;
}

} // namespace

bool ClickAt(tk::TForm* form, QPoint clientPos) {
    return ClickInWindow(form, form->ClientWidget()->mapTo(form, clientPos));
}

bool Click(tk::TControl* control) {
    QWidget* widget = control->self();
    QWidget* window = widget->window();
    return ClickInWindow(window, widget->mapTo(window, widget->rect().center()));
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

bool ClickRow(tk::TDirectoryOutline* outline, const tk::OutlineNode* node) {
    if (node == nullptr || outline->RowOf(node) < 0)
        return Fail("the row is not shown");
    QTest::mouseClick(outline->window()->windowHandle(), Qt::LeftButton, Qt::NoModifier,
                      ScrolledRowCentre(outline, node));
    return true;
}

bool DoubleClickRow(tk::TDirectoryOutline* outline, const tk::OutlineNode* node) {
    if (node == nullptr || outline->RowOf(node) < 0)
        return Fail("the row is not shown");
    QTest::mouseDClick(outline->window()->windowHandle(), Qt::LeftButton, Qt::NoModifier,
                       ScrolledRowCentre(outline, node));
    return true;
}

bool Type(tk::TForm* form, const QString& text) {
    QWidget* target = form->focusWidget();
    if (target == nullptr)
        target = QApplication::focusWidget();
    if (target == nullptr)
        return Fail("nothing has the keyboard focus");
    // One key event per character with its text, so letters beyond Latin-1 (ř, ů, ě) arrive too.
    for (const QChar c : text)
        QTest::sendKeyEvent(QTest::Click, target, Qt::Key_unknown, QString(c), Qt::NoModifier);
    return true;
}

void Shoot(QWidget* widget, const QString& name) {
    const QString folder = qEnvironmentVariable("PLAMKOV_SHOTS");
    if (folder.isEmpty())
        return;
    QDir().mkpath(folder);
    widget->grab().save(QDir(folder).filePath(name + QStringLiteral(".png")));
}

} // namespace testing
