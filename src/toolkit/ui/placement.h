// SPDX-License-Identifier: GPL-3.0-or-later
// Where a window stands on the screen.
#pragma once

#include <QPoint>
#include <QRect>

class QWidget;

namespace tk {

// The top-left corner for a window that wants the outer rectangle `wanted` in the screen's
// available `area`: its own place where it fits; otherwise moved, never resized, just far enough to
// stand wholly in the area; along a side where it is larger than the area, at that side's start
// (so one larger both ways goes to the area's top-left corner).
QPoint PlaceWithin(const QRect& wanted, const QRect& area);

// The area a window may take on the screen it stands on (or will open on): the screen without
// panels and docks.
QRect AvailableArea(const QWidget* window);

} // namespace tk
