// SPDX-License-Identifier: GPL-3.0-or-later
#include "fire/house_scenes.h"

#include <Qt>

#include <array>
#include <string_view>

namespace fire {

namespace {

#define PLAMKOV_HOTSPOT_LAYOUT(image, house, index) HotspotLayout{#image, HouseId::house, index},
constexpr std::array kHotspots{PLAMKOV_FIRE_HOTSPOTS(PLAMKOV_HOTSPOT_LAYOUT)};
#undef PLAMKOV_HOTSPOT_LAYOUT

constexpr const HouseArt& ArtFor(HouseId house) {
    return kHouseArt[static_cast<int>(house) - 1];
}

// The hotspot rows and the pictures' geometry table must agree on which image has which index.
constexpr bool HotspotsMatchArt() {
    for (const HotspotLayout& spot : kHotspots) {
        const auto& art = ArtFor(spot.house).hotspots;
        if (spot.index < 0 || static_cast<std::size_t>(spot.index) >= art.size() ||
            std::string_view(art[static_cast<std::size_t>(spot.index)].image) != spot.image)
            return false;
    }
    return kHotspots.size() ==
           FamilyHouseHotspots().size() + VillaHotspots().size() + BlockOfFlatsHotspots().size();
}
static_assert(HotspotsMatchArt(), "hotspot rows and picture geometry disagree");

// The villa's time label stands further right than the others.
const std::array kHouses{
    HouseLayout{HouseId::Block, QPoint(16, 8), QPoint(616, 8), QColor(Qt::cyan)},
    HouseLayout{HouseId::FamilyHouse, QPoint(16, 8), QPoint(616, 8), QColor(Qt::white)},
    HouseLayout{HouseId::Villa, QPoint(136, 8), QPoint(616, 8), QColor(Qt::white)},
};

} // namespace

std::span<const HotspotLayout> HotspotLayouts() {
    return kHotspots;
}

std::span<const HouseLayout> HouseLayouts() {
    return kHouses;
}

const HouseArt& ArtOf(HouseId house) {
    return ArtFor(house);
}

} // namespace fire
