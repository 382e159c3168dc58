// SPDX-License-Identifier: GPL-3.0-or-later
// The fire game's embedded pictures, decoded with our JPEG loader, and where each one is shown:
// the house scenes' geometry lives here once, for the window, the picture tools and the tests.
#pragma once

#include <QImage>
#include <QString>

#include <span>

// Which set of pictures a screen gets: the set at the layout's size where a layout pixel is one
// device pixel, and otherwise the set drawn at twice that size, smoothly scaled to the screen's
// ratio unless that is 2. The pictures then carry that device pixel ratio, so they are drawn at the
// layout's size with the screen's detail, and layout and hit testing stay in layout pixels.
struct FirePictureSet {
    int scale;   // 1 or 2: which set is decoded
    qreal ratio; // the device pixel ratio the pictures carry
    bool operator==(const FirePictureSet&) const = default;
};
FirePictureSet FirePictureSetFor(qreal devicePixelRatio);

// Picture names: houses "rd", "vila", "panelak"; thumbnails "thumb_rd", "thumb_vila",
// "thumb_panelak"; hotspot pictures "rdd", "rddl", "rddp" (also shown by rdhl), "rdhp", the eight
// villa hotspots by their image names, and the four block-of-flats window pictures "pao_a" (pao1,
// pao8, pao11, pao12), "pao_b" (pao2, pao7, pao9), "pao_c" (pao3, pao6), "pao_d" (pao4, pao5, pao10).
// The picture is the one for a window of that device pixel ratio (see FirePictureSetFor).
// Raises tk::EPictureError for an unknown name or a picture that does not decode.
QImage FirePicture(const QString& name, qreal devicePixelRatio = 1);

// Starts decoding every embedded picture of the set for that device pixel ratio ahead, on the
// process's decode pool (toolkit/pictures/decode_ahead.h), the thumbnails first, so that start-up
// can build its windows meanwhile; FirePicture then waits for that picture instead of decoding it.
// Each picture is still decoded once, and one that fails still fails at its first FirePicture.
// Later calls do nothing. Call it, and FirePicture, on the user-interface thread.
void PrefetchFirePictures(qreal devicePixelRatio = 1);

// An image control on a house panel and the picture it shows. The picture is drawn at its natural
// size from the image's top-left corner and cut at the image's edges.
struct HotspotArt {
    const char* image;
    const char* picture;
    int left, top, width, height;
};

// A house scene: its background image (which for the block of flats starts one pixel above the
// panel), its hotspots in index order and its thumbnail on the start panel.
struct HouseArt {
    HotspotArt background;
    std::span<const HotspotArt> hotspots;
    const char* thumbnail;
};

struct PictureSize {
    const char* name;
    int width, height;
};

inline constexpr HotspotArt kFamilyHouseHotspots[] = {
    {"rdd", "rdd", 306, 374, 94, 134},   {"rddl", "rddl", 125, 373, 131, 72},
    {"rddp", "rddp", 442, 373, 131, 72}, {"rdhl", "rddp", 125, 212, 130, 73},
    {"rdhp", "rdhp", 442, 211, 131, 72},
};

inline constexpr HotspotArt kVillaHotspots[] = {
    {"vbd", "vbd", 40, 329, 41, 105},     {"vbh", "vbh", 40, 161, 41, 104},
    {"vpdl", "vpdl", 228, 324, 129, 121}, {"vpdp", "vpdp", 637, 344, 96, 98},
    {"vpds", "vpds", 447, 347, 42, 66},   {"vphl", "vphl", 251, 138, 75, 94},
    {"vphp", "vphp", 644, 192, 57, 78},   {"vphs", "vphs", 464, 165, 59, 89},
};

inline constexpr HotspotArt kBlockOfFlatsHotspots[] = {
    {"pao1", "pao_a", 136, 143, 69, 65},  {"pao2", "pao_b", 248, 143, 69, 65},
    {"pao3", "pao_c", 361, 144, 71, 65},  {"pao4", "pao_d", 475, 143, 71, 65},
    {"pao5", "pao_d", 134, 249, 75, 65},  {"pao6", "pao_c", 248, 251, 72, 65},
    {"pao7", "pao_b", 362, 250, 70, 65},  {"pao8", "pao_a", 476, 250, 69, 65},
    {"pao9", "pao_b", 134, 361, 70, 65},  {"pao10", "pao_d", 248, 361, 69, 65},
    {"pao11", "pao_a", 362, 361, 72, 65}, {"pao12", "pao_a", 475, 361, 70, 65},
};

// Houses in house-number order: 1 family house, 2 villa, 3 block of flats.
inline constexpr HouseArt kHouseArt[] = {
    {{"rd", "rd", 0, 0, 791, 521}, kFamilyHouseHotspots, "thumb_rd"},
    {{"vila", "vila", 0, 0, 790, 520}, kVillaHotspots, "thumb_vila"},
    {{"panelak", "panelak", 0, -1, 792, 522}, kBlockOfFlatsHotspots, "thumb_panelak"},
};

inline constexpr PictureSize kFirePictureSizes[] = {
    {"rd", 800, 566},       {"vila", 790, 521},       {"panelak", 790, 521},
    {"thumb_rd", 185, 161}, {"thumb_vila", 185, 161}, {"thumb_panelak", 185, 161},
    {"rdd", 93, 143},       {"rddl", 130, 77},        {"rddp", 130, 77},
    {"rdhp", 130, 77},      {"vbd", 46, 110},         {"vbh", 44, 109},
    {"vpdl", 126, 120},     {"vpdp", 94, 96},         {"vpds", 41, 65},
    {"vphl", 75, 93},       {"vphp", 51, 76},         {"vphs", 59, 87},
    {"pao_a", 74, 74},      {"pao_b", 74, 74},        {"pao_c", 74, 74},
    {"pao_d", 74, 74},
};

constexpr const HouseArt& FamilyHouseArt() {
    return kHouseArt[0];
}
constexpr const HouseArt& VillaArt() {
    return kHouseArt[1];
}
constexpr const HouseArt& BlockOfFlatsArt() {
    return kHouseArt[2];
}
constexpr std::span<const HouseArt> AllHouseArt() {
    return kHouseArt;
}
constexpr std::span<const HotspotArt> FamilyHouseHotspots() {
    return kFamilyHouseHotspots;
}
constexpr std::span<const HotspotArt> VillaHotspots() {
    return kVillaHotspots;
}
constexpr std::span<const HotspotArt> BlockOfFlatsHotspots() {
    return kBlockOfFlatsHotspots;
}
// Every embedded picture with its size in pixels.
constexpr std::span<const PictureSize> FirePictureSizes() {
    return kFirePictureSizes;
}
