// libFuzzer target for the card picture loader: decoding at card scale, the EXIF orientation and
// the area-average reduction. Any input must give a picture of exactly the card's size or a JPEG
// error, and never crash.
#include "toolkit/pictures/jpeg.h"
#include "toolkit/text/errors.h"

#include <QByteArray>
#include <QSize>

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArray bytes =
        QByteArray::fromRawData(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    // The last byte picks the card: 70 x 70 at a device pixel ratio of 1 to 2, or a narrow one.
    const int pick = size > 0 ? data[size - 1] : 0;
    const QSize pixels = pick < 0x80 ? QSize(70, 70) * (1.0 + pick / 127.0) : QSize(1 + (pick & 0x7F), 3);
    const int orientation = tk::JpegOrientation(bytes);
    if (orientation < 1 || orientation > 8)
        __builtin_trap();
    try {
        const QImage picture = tk::DecodeCardPicture(bytes, pixels);
        if (picture.size() != pixels || picture.format() != QImage::Format_RGB32)
            __builtin_trap();
    } catch (const tk::Error&) {
    }
    return 0;
}
