// Our JPEG decoder over libjpeg, safe on hostile files: its error manager never exits, the output
// size and libjpeg's memory are bounded, and progressive files stop after a bounded number of scans.
#pragma once

#include <QByteArray>
#include <QImage>
#include <QSize>
#include <QString>

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
// smallest DCT scale (1/1, 1/2, 1/4, 1/8) whose result still covers the target. Grayscale and
// CMYK become RGB. Raises EPictureError "JPEG error #%d" with libjpeg's message code.
QImage DecodeJpeg(const QByteArray& data, QSize target = {});

// Loads a picture file by its extension: "jpg" or "jpeg" in any letter case decode as JPEG,
// anything else raises "Unknown picture file extension (.%s)"; a file that cannot be opened raises
// "Cannot open file "%s". %s".
QImage LoadPictureFile(const QString& path, QSize target = {});

} // namespace tk
