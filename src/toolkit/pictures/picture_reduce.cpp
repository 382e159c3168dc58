// SPDX-License-Identifier: GPL-3.0-or-later
// The reduction of a decoded photo to a small picture: an area average in two passes, one per axis.
#include "toolkit/pictures/jpeg.h"
#include "toolkit/text/errors.h"

#include <algorithm>
#include <cstddef>
#include <vector>

#include <jerror.h>

namespace tk {

namespace {

// One axis of a reduction: for each target pixel, the first source pixel it covers and the share of
// each covered source pixel, summing to one.
struct Span {
    int first = 0;
    std::vector<float> weights;
};

std::vector<Span> AxisSpans(int from, int to) {
    std::vector<Span> spans(static_cast<std::size_t>(to));
    const double step = double(from) / to;
    for (int i = 0; i < to; ++i) {
        Span& span = spans[static_cast<std::size_t>(i)];
        if (step >= 1) {
            // Reduction: the area average over [i * step, (i + 1) * step).
            const double begin = i * step;
            const double end = std::min<double>((i + 1) * step, from);
            span.first = static_cast<int>(begin);
            for (int s = span.first; s < end; ++s)
                span.weights.push_back(
                    static_cast<float>((std::min<double>(s + 1, end) - std::max<double>(s, begin)) / step));
        } else {
            // Enlargement: linear between the two nearest source pixel centres.
            const double centre = std::clamp((i + 0.5) * step - 0.5, 0.0, double(from - 1));
            span.first = std::min(static_cast<int>(centre), from - 1);
            const float right = static_cast<float>(centre - span.first);
            span.weights.push_back(1 - right);
            if (span.first + 1 < from)
                span.weights.push_back(right);
        }
    }
    return spans;
}

} // namespace

QImage ReducePicture(const QImage& picture, QSize size) {
    if (picture.isNull() || size.isEmpty())
        return {};
    const QImage source = picture.convertToFormat(QImage::Format_RGB888);
    const int width = size.width();
    const int height = size.height();
    const std::vector<Span> columns = AxisSpans(source.width(), width);
    const std::vector<Span> rows = AxisSpans(source.height(), height);
    // Two passes through a buffer of floats. Its size depends on the order: across first it is the
    // target's width by the source's height, down first the other way round. A picture of 16 x
    // 1000000 pixels would take a gigabyte one way and kilobytes the other, so take the smaller.
    const bool acrossFirst = std::size_t(width) * source.height() <= std::size_t(source.width()) * height;
    const int bufferWidth = acrossFirst ? width : source.width();
    const int bufferHeight = acrossFirst ? source.height() : height;
    std::vector<float> buffer(std::size_t(bufferWidth) * bufferHeight * 3);
    const auto sourceRow = [&](int y) { return source.constScanLine(y); };
    const auto bufferRow = [&](int y) { return buffer.data() + std::size_t(y) * bufferWidth * 3; };
    QImage result(size, QImage::Format_RGB32);
    if (result.isNull())
        throw EPictureError(texts::JpegError(JERR_OUT_OF_MEMORY), EPictureError::Kind::TooLarge);
    const auto channel = [](float value) { return std::clamp(static_cast<int>(value + 0.5f), 0, 255); };
    const auto store = [](float* out, const float* rgb) { std::copy(rgb, rgb + 3, out); };
    const auto write = [&](QRgb* out, const float* rgb) {
        *out = qRgb(channel(rgb[0]), channel(rgb[1]), channel(rgb[2]));
    };
    // One pass: each target pixel of a row (across) or column (down) from its span of input pixels.
    const auto across = [&](auto inputRow, int lines, auto outputRow, int step, auto put) {
        for (int y = 0; y < lines; ++y) {
            const auto* line = inputRow(y);
            auto* out = outputRow(y);
            for (int x = 0; x < width; ++x) {
                const Span& span = columns[std::size_t(x)];
                float rgb[3] = {};
                const auto* p = line + std::size_t(span.first) * 3;
                for (const float w : span.weights) {
                    for (int c = 0; c < 3; ++c)
                        rgb[c] += w * float(p[c]);
                    p += 3;
                }
                put(out + x * step, rgb);
            }
        }
    };
    const auto down = [&](auto inputRow, int columnsCount, auto outputRow, int step, auto put) {
        std::vector<float> rgb(std::size_t(columnsCount) * 3);
        for (int y = 0; y < height; ++y) {
            const Span& span = rows[std::size_t(y)];
            std::fill(rgb.begin(), rgb.end(), 0.0f);
            for (std::size_t i = 0; i < span.weights.size(); ++i) {
                const auto* line = inputRow(span.first + int(i));
                const float w = span.weights[i];
                for (std::size_t k = 0; k < rgb.size(); ++k)
                    rgb[k] += w * float(line[k]);
            }
            auto* out = outputRow(y);
            for (int x = 0; x < columnsCount; ++x)
                put(out + x * step, rgb.data() + std::size_t(x) * 3);
        }
    };
    const auto resultRow = [&](int y) { return reinterpret_cast<QRgb*>(result.scanLine(y)); };
    if (acrossFirst) {
        across(sourceRow, source.height(), bufferRow, 3, store);
        down(bufferRow, width, resultRow, 1, write);
    } else {
        down(sourceRow, source.width(), bufferRow, 3, store);
        across(bufferRow, height, resultRow, 1, write);
    }
    return result;
}

} // namespace tk
