// SPDX-License-Identifier: GPL-3.0-or-later
// What a Wayland compositor is told of a modal dialog beyond its parent.
#pragma once

class QWindow;

namespace tk {

// Asks the compositor to treat the shown `window` as a modal dialog of its transient parent, where
// the compositor has a way to hear it (GNOME's shell: it is then centred over its parent and
// attached to it, and a click on the parent goes to the dialog). Elsewhere it does nothing. Call it
// after each show: a Wayland window gets a new surface each time it is shown.
void MarkModalOnCompositor(QWindow* window);

} // namespace tk
