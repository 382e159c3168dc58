// The fire game's embedded pictures, decoded with our JPEG loader.
#pragma once

#include <QImage>
#include <QString>

// Picture names: houses "rd", "vila", "panelak"; thumbnails "thumb_rd", "thumb_vila",
// "thumb_panelak"; hotspot pictures "rdd", "rddl", "rddp" (also shown by rdhl), "rdhp", the eight
// villa hotspots by their image names, and the four block-of-flats window pictures "pao_a" (pao1,
// pao8, pao11, pao12), "pao_b" (pao2, pao7, pao9), "pao_c" (pao3, pao6), "pao_d" (pao4, pao5, pao10).
// Raises tk::EPictureError for an unknown name or a picture that does not decode.
QImage FirePicture(const QString& name);
