// Times the JPEG loader on a 12-megapixel photo-like picture, decoded in full and at 1/8 scale
// (what the memory game asks for when it deals from a folder of camera photos).
#include "app/toolkit/jpeg.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <vector>

#include <jpeglib.h>

namespace {

constexpr int kWidth = 4000;
constexpr int kHeight = 3000;
constexpr int kQuality = 90;
constexpr int kRuns = 7;

// Smooth gradients with noise on top, so the picture compresses like a photo and not like a flat page.
QByteArray MakePhoto() {
    jpeg_compress_struct cinfo{};
    jpeg_error_mgr err{};
    cinfo.err = jpeg_std_error(&err);
    jpeg_create_compress(&cinfo);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&cinfo, &buffer, &size);
    cinfo.image_width = kWidth;
    cinfo.image_height = kHeight;
    cinfo.input_components = 3;
    cinfo.in_color_space = JCS_RGB;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, kQuality, TRUE);
    jpeg_start_compress(&cinfo, TRUE);
    std::mt19937 noise(12345);
    std::vector<JSAMPLE> row(kWidth * 3);
    while (cinfo.next_scanline < cinfo.image_height) {
        const int y = static_cast<int>(cinfo.next_scanline);
        for (int x = 0; x < kWidth; ++x) {
            const int n = static_cast<int>(noise() % 32) - 16;
            row[x * 3 + 0] = static_cast<JSAMPLE>(std::clamp(x * 255 / kWidth + n, 0, 255));
            row[x * 3 + 1] = static_cast<JSAMPLE>(std::clamp(y * 255 / kHeight + n, 0, 255));
            row[x * 3 + 2] = static_cast<JSAMPLE>(std::clamp(((x + y) / 7) % 256 + n, 0, 255));
        }
        JSAMPROW rows[1] = {row.data()};
        jpeg_write_scanlines(&cinfo, rows, 1);
    }
    jpeg_finish_compress(&cinfo);
    QByteArray data(reinterpret_cast<const char*>(buffer), static_cast<qsizetype>(size));
    jpeg_destroy_compress(&cinfo);
    std::free(buffer);
    return data;
}

double MedianMilliseconds(const QByteArray& data, QSize target, QSize* decoded) {
    std::vector<double> times;
    for (int run = 0; run < kRuns; ++run) {
        const auto start = std::chrono::steady_clock::now();
        const QImage image = tk::DecodeJpeg(data, target);
        const auto elapsed = std::chrono::steady_clock::now() - start;
        *decoded = image.size();
        times.push_back(std::chrono::duration<double, std::milli>(elapsed).count());
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

} // namespace

int main() {
    const QByteArray photo = MakePhoto();
    std::printf("picture: %d x %d, %.1f MB of JPEG (quality %d)\n", kWidth, kHeight, photo.size() / 1e6,
                kQuality);
    QSize decoded;
    const double full = MedianMilliseconds(photo, QSize(), &decoded);
    std::printf("full decode:   %4d x %4d  median of %d: %7.1f ms\n", decoded.width(), decoded.height(),
                kRuns, full);
    const double eighth = MedianMilliseconds(photo, QSize(kWidth / 8, kHeight / 8), &decoded);
    std::printf("1/8 decode:    %4d x %4d  median of %d: %7.1f ms\n", decoded.width(), decoded.height(),
                kRuns, eighth);
    return 0;
}
