// SPDX-License-Identifier: GPL-3.0-or-later
// The three house scenes as the window builds them: which hotspot images each house has, in what
// order they are created and drawn, and the labels. Places and pictures come from the pictures'
// own geometry table (fire/art/fire_pictures.h).
#pragma once

#include "fire/art/fire_pictures.h"
#include "fire/fire_rules.h"

#include <QColor>
#include <QPoint>

#include <span>

// Every hotspot image in the order the window creates it within its house: image name, house and
// index (what a spawn draws and the order fires age in). The block of flats creates pao1, pao10,
// pao11, pao12 before pao2: that only sets the stacking. Each row becomes a control member and a
// click handler of its own (rddClick, ..., pao12Click).
#define PLAMKOV_FIRE_HOTSPOTS(X)                                                                             \
    X(rdd, FamilyHouse, 0)                                                                                   \
    X(rddl, FamilyHouse, 1)                                                                                  \
    X(rddp, FamilyHouse, 2)                                                                                  \
    X(rdhl, FamilyHouse, 3)                                                                                  \
    X(rdhp, FamilyHouse, 4)                                                                                  \
    X(vbd, Villa, 0)                                                                                         \
    X(vbh, Villa, 1)                                                                                         \
    X(vpdl, Villa, 2)                                                                                        \
    X(vpdp, Villa, 3)                                                                                        \
    X(vpds, Villa, 4)                                                                                        \
    X(vphl, Villa, 5)                                                                                        \
    X(vphp, Villa, 6)                                                                                        \
    X(vphs, Villa, 7)                                                                                        \
    X(pao1, Block, 0)                                                                                        \
    X(pao10, Block, 9)                                                                                       \
    X(pao11, Block, 10)                                                                                      \
    X(pao12, Block, 11)                                                                                      \
    X(pao2, Block, 1)                                                                                        \
    X(pao3, Block, 2)                                                                                        \
    X(pao4, Block, 3)                                                                                        \
    X(pao5, Block, 4)                                                                                        \
    X(pao6, Block, 5)                                                                                        \
    X(pao7, Block, 6)                                                                                        \
    X(pao8, Block, 7)                                                                                        \
    X(pao9, Block, 8)

namespace fire {

struct HotspotLayout {
    const char* image;
    HouseId house;
    int index;
};

// All 25 hotspots in creation order.
std::span<const HotspotLayout> HotspotLayouts();

struct HouseLayout {
    HouseId house;
    QPoint timeLabel;
    QPoint countLabel;
    QColor labelColor;
};

// In the order the window creates the house panels: block of flats, family house, villa.
std::span<const HouseLayout> HouseLayouts();

// A house's pictures and places: background, hotspots in index order, thumbnail.
const HouseArt& ArtOf(HouseId house);

inline constexpr int kLabelFontHeight = 23;

} // namespace fire
