// libFuzzer target for the JPEG loader: any input must give a picture or a JPEG error, within the
// loader's bounds of memory and time, and never crash.
#include "app/toolkit/errors.h"
#include "app/toolkit/jpeg.h"

#include <QByteArray>
#include <QSize>

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArray bytes =
        QByteArray::fromRawData(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    try {
        // The first byte also picks a target size, so the scaled decodes are fuzzed as well.
        const int target = size > 0 ? data[0] % 4 : 0;
        const QImage image = tk::DecodeJpeg(bytes, target == 0 ? QSize() : QSize(8 << target, 8 << target));
        if (image.isNull() || image.format() != QImage::Format_RGB888)
            __builtin_trap();
    } catch (const tk::Error&) {
    }
    return 0;
}
