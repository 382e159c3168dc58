// SPDX-License-Identifier: GPL-3.0-or-later
// Our JPEG decoder over libjpeg, safe on hostile files: its error manager never exits, and whatever a
// file claims or holds, its size, the decoding work of each decode and the memory of all decodes of
// the process together are bounded (under a second each and 150 MB on the machines we run on; see
// toolkit/pictures/jpeg_budget.h). Also the upright turn of camera photos (EXIF) and the
// reduction of a photo to a small picture, for the memory game's cards and the card-set tools.
#pragma once

#include <QByteArray>
#include <QImage>
#include <QSize>
#include <QString>

#include <cstdint>

namespace tk {

struct JpegInfo {
    int width = 0;
    int height = 0;
    int components = 0;
    bool progressive = false;
    bool arithmetic = false;
    int bitsPerSample = 0;
};

// Reads the header only. Raises EPictureError "JPEG error #%d".
JpegInfo ReadJpegInfo(const QByteArray& data);

// Decodes to a 24-bit colour image (QImage::Format_RGB888). With a target size, decodes at the
// smallest DCT scale M/8 (M = 1..8) whose result still covers the target. Grayscale and CMYK become
// RGB. Raises EPictureError "JPEG error #%d" with libjpeg's message code, or with JERR_IMAGE_TOO_BIG
// for a file beyond our bounds of size or work, or JERR_NO_BACKING_STORE beyond the memory budget.
// Waits while other decodes hold the memory it needs. A file whose coded data runs out shows what it
// has, the rest mid grey.
QImage DecodeJpeg(const QByteArray& data, QSize target = {});

// The EXIF orientation of a JPEG (APP1 "Exif", IFD0 tag 0x0112): 1 (upright, also when there is no
// readable tag) to 8, numbered as cameras write them.
int JpegOrientation(const QByteArray& data);
// The picture turned and mirrored as an orientation says, so that it stands upright.
QImage OrientPicture(const QImage& picture, int orientation);

// The picture reduced to exactly `size` (proportions are not kept) by averaging the area each
// target pixel covers; an axis that grows is interpolated. The result is QImage::Format_RGB32.
QImage ReducePicture(const QImage& picture, QSize size);

// A small upright picture of exactly `pixels` from a JPEG: decoded at the smallest covering DCT
// scale, turned by its EXIF orientation and reduced. Raises as DecodeJpeg does.
QImage DecodeCardPicture(const QByteArray& data, QSize pixels);

// What tells one version of a file from another: a file rewritten, touched or replaced differs.
struct FileIdentity {
    std::uint64_t device = 0;
    std::uint64_t inode = 0;
    std::int64_t size = 0;
    std::int64_t modified = 0; // nanoseconds since the epoch
    std::int64_t changed = 0;  // nanoseconds since the epoch (chmod, rename and link count change it)
    bool operator==(const FileIdentity&) const = default;
};

// The identity of the file at this path as it is now; false when it cannot be examined or is no
// regular file.
bool PictureFileIdentity(const QString& path, FileIdentity* identity);

// The bytes of a picture file, checked first by extension ("jpg" or "jpeg" in any letter case, else
// "Unknown picture file extension (.%s)"). Never blocks on a pipe or device, and refuses folders and
// other non-regular files with "Cannot open file "%s". %s". `identity` receives the identity of the
// file as it was opened.
QByteArray ReadPictureFile(const QString& path, FileIdentity* identity = nullptr);

// Checks and opens the file as ReadPictureFile does, then decodes it as DecodeJpeg does, reading it
// a chunk at a time (a file is never held whole).
QImage LoadPictureFile(const QString& path, QSize target = {});
// The same for DecodeCardPicture; `identity` receives the identity of the file as it was opened.
QImage LoadCardPicture(const QString& path, QSize pixels, FileIdentity* identity = nullptr);
// A photo's middle square as an upright picture of `edge` x `edge` (QImage::Format_RGB32), read as
// LoadPictureFile reads, decoded at the smallest DCT scale that covers it; the cut and reduction
// hold their part of the process's budget with the decode. Raises as DecodeJpeg does.
QImage LoadSquareCard(const QString& path, int edge);

} // namespace tk
