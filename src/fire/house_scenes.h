// The three house scenes as data: each house's background, labels and hotspots. The window builds
// its panels from these tables; the round engine only needs the hotspots' order.
#pragma once

#include "fire/fire_rules.h"

#include <QColor>
#include <QPoint>
#include <QRect>

#include <span>

// Every hotspot image, in the order the window creates them within a house: image name, house,
// index (what a spawn draws and the order fires age in), bounds on the panel, picture name.
// The block of flats creates pao1, pao10, pao11, pao12 before pao2: that only sets the stacking.
#define PLAMKOV_FIRE_HOTSPOTS(X)                                                                             \
    X(rdd, FamilyHouse, 0, 306, 374, 94, 134, "rdd")                                                         \
    X(rddl, FamilyHouse, 1, 125, 373, 131, 72, "rddl")                                                       \
    X(rddp, FamilyHouse, 2, 442, 373, 131, 72, "rddp")                                                       \
    X(rdhl, FamilyHouse, 3, 125, 212, 130, 73, "rddp")                                                       \
    X(rdhp, FamilyHouse, 4, 442, 211, 131, 72, "rdhp")                                                       \
    X(vbd, Villa, 0, 40, 329, 41, 105, "vbd")                                                                \
    X(vbh, Villa, 1, 40, 161, 41, 104, "vbh")                                                                \
    X(vpdl, Villa, 2, 228, 324, 129, 121, "vpdl")                                                            \
    X(vpdp, Villa, 3, 637, 344, 96, 98, "vpdp")                                                              \
    X(vpds, Villa, 4, 447, 347, 42, 66, "vpds")                                                              \
    X(vphl, Villa, 5, 251, 138, 75, 94, "vphl")                                                              \
    X(vphp, Villa, 6, 644, 192, 57, 78, "vphp")                                                              \
    X(vphs, Villa, 7, 464, 165, 59, 89, "vphs")                                                              \
    X(pao1, Block, 0, 136, 143, 69, 65, "pao_a")                                                             \
    X(pao10, Block, 9, 248, 361, 69, 65, "pao_d")                                                            \
    X(pao11, Block, 10, 362, 361, 72, 65, "pao_a")                                                           \
    X(pao12, Block, 11, 475, 361, 70, 65, "pao_a")                                                           \
    X(pao2, Block, 1, 248, 143, 69, 65, "pao_b")                                                             \
    X(pao3, Block, 2, 361, 144, 71, 65, "pao_c")                                                             \
    X(pao4, Block, 3, 475, 143, 71, 65, "pao_d")                                                             \
    X(pao5, Block, 4, 134, 249, 75, 65, "pao_d")                                                             \
    X(pao6, Block, 5, 248, 251, 72, 65, "pao_c")                                                             \
    X(pao7, Block, 6, 362, 250, 70, 65, "pao_b")                                                             \
    X(pao8, Block, 7, 476, 250, 69, 65, "pao_a")                                                             \
    X(pao9, Block, 8, 134, 361, 70, 65, "pao_b")

namespace fire {

struct HotspotLayout {
    const char* image;
    HouseId house;
    int index;
    QRect bounds;
    const char* picture;
};

// All 25 hotspots in creation order.
std::span<const HotspotLayout> HotspotLayouts();

struct HouseLayout {
    HouseId house;
    const char* background; // picture name; also the background image's name
    QRect backgroundBounds; // the picture is drawn unscaled from the top-left corner and clipped
    QPoint timeLabel;
    QPoint countLabel;
    QColor labelColor;
    int hotspotCount;
};

// In the order the window creates the house panels: block of flats, family house, villa.
std::span<const HouseLayout> HouseLayouts();
const HouseLayout& LayoutOf(HouseId house);

inline constexpr int kLabelFontHeight = 23;

} // namespace fire
