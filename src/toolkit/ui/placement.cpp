// SPDX-License-Identifier: GPL-3.0-or-later
#include "toolkit/ui/placement.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

#include <algorithm>

namespace tk {

namespace {

int PlaceAlong(int start, int length, int areaStart, int areaLength) {
    if (length >= areaLength)
        return areaStart;
    return std::clamp(start, areaStart, areaStart + areaLength - length);
}

} // namespace

QPoint PlaceWithin(const QRect& wanted, const QRect& area) {
    return {PlaceAlong(wanted.x(), wanted.width(), area.x(), area.width()),
            PlaceAlong(wanted.y(), wanted.height(), area.y(), area.height())};
}

QRect AvailableArea(const QWidget* window) {
    QScreen* screen = window != nullptr ? window->screen() : nullptr;
    if (screen == nullptr)
        screen = QGuiApplication::primaryScreen();
    return screen != nullptr ? screen->availableGeometry() : QRect(0, 0, 1024, 768);
}

} // namespace tk
