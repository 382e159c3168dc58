// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/jpeg_fixture.h"

#include <QFile>
#include <QFont>
#include <QPainter>

#include <cstdio>
#include <cstdlib>
#include <vector>

#include <jpeglib.h>

namespace testing {

QByteArray EncodeJpeg(const QImage& image, int quality) {
    const QImage rgb = image.convertToFormat(QImage::Format_RGB888);
    jpeg_compress_struct cinfo{};
    jpeg_error_mgr err{};
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    cinfo.err = jpeg_std_error(&err);
    jpeg_create_compress(&cinfo);
    jpeg_mem_dest(&cinfo, &buffer, &size);
    cinfo.image_width = static_cast<JDIMENSION>(rgb.width());
    cinfo.image_height = static_cast<JDIMENSION>(rgb.height());
    cinfo.input_components = 3;
    cinfo.in_color_space = JCS_RGB;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, quality, TRUE);
    jpeg_start_compress(&cinfo, TRUE);
    while (cinfo.next_scanline < cinfo.image_height) {
        JSAMPROW row[1] = {const_cast<JSAMPLE*>(rgb.constScanLine(static_cast<int>(cinfo.next_scanline)))};
        jpeg_write_scanlines(&cinfo, row, 1);
    }
    jpeg_finish_compress(&cinfo);
    QByteArray bytes(reinterpret_cast<const char*>(buffer), static_cast<qsizetype>(size));
    jpeg_destroy_compress(&cinfo);
    std::free(buffer);
    return bytes;
}

bool WriteJpeg(const QString& path, const QImage& image) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    return file.write(EncodeJpeg(image)) >= 0;
}

QImage CardPicture(const QColor& colour, int number, QSize size) {
    QImage image(size, QImage::Format_RGB888);
    image.fill(colour);
    if (number != 0) {
        QPainter painter(&image);
        QFont font(QStringLiteral("DejaVu Sans"));
        font.setPixelSize(size.height() / 2);
        font.setBold(true);
        painter.setFont(font);
        painter.setPen(colour.lightness() > 140 ? Qt::black : Qt::white);
        painter.drawText(image.rect(), Qt::AlignCenter, QString::number(number));
    }
    return image;
}

} // namespace testing
