// SPDX-License-Identifier: GPL-3.0-or-later
// What we ask of a Wayland compositor beyond what Qt asks, and what we learn of it.
#pragma once

class QWindow;

namespace tk {

// Asks the compositor to treat the shown `window` as a modal dialog of its transient parent, where
// the compositor has a way to hear it (GNOME's shell: it is then centred over its parent and
// attached to it, and a click on the parent goes to the dialog). Elsewhere it does nothing. Call it
// after each show: a Wayland window gets a new surface each time it is shown.
void MarkModalOnCompositor(QWindow* window);

// True under Wayland when the compositor draws no window frames (GNOME's shell, weston): the
// program then draws its own title bar, with only the boxes a window asks for (see TitleBar).
bool ClientDrawsFrames();

} // namespace tk
