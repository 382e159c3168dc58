// SPDX-License-Identifier: GPL-3.0-or-later
#include "toolkit/ui/placement.h"

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

} // namespace tk
