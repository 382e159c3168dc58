// SPDX-License-Identifier: GPL-3.0-or-later
// What tests use to drive the program: virtual time, scripted dice, recorded message boxes and
// real mouse clicks delivered through the window system (so hit-testing, stacking and the message
// filter all take part).
#pragma once

#include "toolkit/text/random.h"
#include "toolkit/ui/application.h"
#include "toolkit/ui/controls.h"
#include "toolkit/ui/directory_outline.h"
#include "toolkit/ui/timer.h"

#include <QPoint>
#include <QString>
#include <QStringList>

#include <chrono>
#include <memory>
#include <vector>

namespace testing {

// Records the message and error boxes instead of showing them.
class RecordingDialogs : public tk::Dialogs {
public:
    void ShowMessage(const QString& text, const QString& title) override;
    void ShowError(const QString& text, const QString& title) override;
    QStringList messages;
    QStringList errors;
    QStringList titles;
};

// Installs a virtual clock, recording dialogs and (optionally) scripted random numbers for the
// lifetime of a test; restores the real ones afterwards.
class Harness {
public:
    Harness();
    ~Harness();
    void Advance(std::chrono::milliseconds by) { clock.Advance(by); }
    void Script(std::vector<std::uint32_t> draws); // installs a ScriptedRandom
    tk::VirtualClock clock;
    RecordingDialogs* dialogs; // owned by the application while the harness lives
    tk::ScriptedRandom* random = nullptr;
};

// The helpers that act on windows return false, having said why, when they could not (a window
// never exposed, a row not shown): check them at the call, QVERIFY(testing::Click(button)), so the
// test stops there.

// Shows the form (if hidden) and waits until the window system has exposed it.
[[nodiscard]] bool ShowAndExpose(tk::TForm* form);
// A left click (press and release) at a point of the form's client area, delivered through the
// window system as a real click would be.
[[nodiscard]] bool ClickAt(tk::TForm* form, QPoint clientPos);
// A left click at the centre of a control (through the window system, so a covering control or the
// message filter may take it instead).
[[nodiscard]] bool Click(tk::TControl* control);
// Types text into whatever has the keyboard focus.
[[nodiscard]] bool Type(tk::TForm* form, const QString& text);
// The shown row of a folder tree whose path is `path`, or nullptr.
const tk::OutlineNode* FindRow(tk::TDirectoryOutline* outline, const QString& path);
// A left click or double click on the text of a tree's row, scrolled into view first as the player
// would, delivered through the window system.
[[nodiscard]] bool ClickRow(tk::TDirectoryOutline* outline, const tk::OutlineNode* node);
[[nodiscard]] bool DoubleClickRow(tk::TDirectoryOutline* outline, const tk::OutlineNode* node);
// Renders a widget to a PNG under $PLAMKOV_SHOTS (if set) for a person to look at.
void Shoot(QWidget* widget, const QString& name);

} // namespace testing
