// SPDX-License-Identifier: GPL-3.0-or-later
// JPEG files for tests, made with libjpeg's compressor: the program itself only decodes.
#pragma once

#include <QByteArray>
#include <QColor>
#include <QImage>
#include <QString>

namespace testing {

QByteArray EncodeJpeg(const QImage& image, int quality = 90);
// Writes the picture as a JPEG file; false when the file cannot be written.
bool WriteJpeg(const QString& path, const QImage& image);
// A plain card picture: the colour, with the number written large on it (when not 0).
QImage CardPicture(const QColor& colour, int number = 0, QSize size = {96, 96});

} // namespace testing
