#include "fire/house_scenes.h"

#include <Qt>

#include <array>

namespace fire {

namespace {

#define PLAMKOV_HOTSPOT_LAYOUT(image, house, index, left, top, width, height, picture)                       \
    HotspotLayout{#image, HouseId::house, index, QRect(left, top, width, height), picture},

const std::array kHotspots{PLAMKOV_FIRE_HOTSPOTS(PLAMKOV_HOTSPOT_LAYOUT)};

#undef PLAMKOV_HOTSPOT_LAYOUT

// The family house's picture is 800 x 566 and shows only its top-left part; the block of flats'
// picture starts one pixel above the panel.
const std::array kHouses{
    HouseLayout{HouseId::Block, "panelak", QRect(0, -1, 792, 522), QPoint(16, 8), QPoint(616, 8),
                QColor(Qt::cyan), 12},
    HouseLayout{HouseId::FamilyHouse, "rd", QRect(0, 0, 791, 521), QPoint(16, 8), QPoint(616, 8),
                QColor(Qt::white), 5},
    HouseLayout{HouseId::Villa, "vila", QRect(0, 0, 790, 520), QPoint(136, 8), QPoint(616, 8),
                QColor(Qt::white), 8},
};

} // namespace

std::span<const HotspotLayout> HotspotLayouts() {
    return kHotspots;
}

std::span<const HouseLayout> HouseLayouts() {
    return kHouses;
}

const HouseLayout& LayoutOf(HouseId house) {
    for (const HouseLayout& layout : kHouses) {
        if (layout.house == house)
            return layout;
    }
    return kHouses.front(); // unreachable: every HouseId has a row
}

} // namespace fire
