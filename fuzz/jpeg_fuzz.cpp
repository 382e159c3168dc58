// libFuzzer target for the JPEG loader: any input must give a picture or a JPEG error, within the
// loader's bounds of memory and time, and never crash.
#include "toolkit/pictures/jpeg.h"
#include "toolkit/text/errors.h"

#include <QByteArray>
#include <QSize>

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArray bytes =
        QByteArray::fromRawData(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    try {
        // The last byte also picks a target size (the first is always 0xFF in a JPEG), so the scaled
        // decodes are fuzzed as well: none, or 1 to 127 by 1 to 2 pixels.
        const int pick = size > 0 ? data[size - 1] : 0;
        const QSize target = pick == 0 ? QSize() : QSize(pick & 0x7F, 1 + (pick >> 7));
        const QImage image = tk::DecodeJpeg(bytes, target);
        if (image.isNull() || image.format() != QImage::Format_RGB888)
            __builtin_trap();
        if (!target.isEmpty() && (image.width() < target.width() || image.height() < target.height()) &&
            image.size() != QSize(tk::ReadJpegInfo(bytes).width, tk::ReadJpegInfo(bytes).height))
            __builtin_trap();
    } catch (const tk::Error&) {
    }
    return 0;
}
