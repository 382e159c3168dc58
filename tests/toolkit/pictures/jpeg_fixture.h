// SPDX-License-Identifier: GPL-3.0-or-later
// JPEG files made with libjpeg's compressor for the loader's tests and benchmarks, so that each kind
// of file (grayscale, CMYK, progressive, arithmetic, odd sampling, EXIF orientation) is exactly what
// the test says, and large or hostile files are made on the spot instead of kept in the tree.
#pragma once

#include <QByteArray>
#include <QColor>

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdlib>
#include <random>
#include <vector>

#include <jpeglib.h>

namespace fixture {

enum class Kind { Rgb, Gray, CmykAdobe, CmykPlain, Ycck };
// What the pixels show: four flat quadrants, or a photo (gradients, edges and noise) that compresses
// like one, or pure noise (the dearest data to decode).
enum class Content { Quadrants, Photo, Noise };

// Upright quadrant colours, top left, top right, bottom left, bottom right: every turn and mirror
// of this picture differs from the rest.
using Quadrants = std::array<QColor, 4>;
inline const Quadrants kQuadrants = {QColor(255, 0, 0), QColor(0, 255, 0), QColor(0, 0, 255),
                                     QColor(255, 255, 255)};

struct Fixture {
    int width = 64;
    int height = 48;
    Kind kind = Kind::Rgb;
    bool progressive = false;
    bool arithmetic = false;
    int quality = 95;
    std::vector<jpeg_scan_info> scans = {}; // a custom progressive scan script when not empty
    Content content = Content::Quadrants;
    Quadrants quadrants = kQuadrants;
    // Sampling factors (horizontal, vertical) per colour component; empty for libjpeg's 2x2, 1x1, 1x1.
    std::vector<std::pair<int, int>> sampling = {};
    int orientation = 0; // EXIF orientation to write, 0 for no EXIF segment
    bool bigEndianExif = true;
    unsigned seed = 1;
    int restartInterval = 0; // MCUs between restart markers, 0 for none
};

// The colour of a quadrant fixture's pixel.
inline QColor QuadrantColour(int x, int y, int width, int height, const Quadrants& quadrants = kQuadrants) {
    const bool right = x >= width / 2;
    const bool bottom = y >= height / 2;
    return quadrants[std::size_t(bottom ? 2 : 0) + (right ? 1 : 0)];
}

// An EXIF segment holding only IFD0 with its orientation tag.
inline QByteArray ExifSegment(int orientation, bool bigEndian) {
    QByteArray tiff;
    const auto put16 = [&](unsigned v) {
        if (bigEndian)
            tiff.append(char(v >> 8)).append(char(v & 0xFF));
        else
            tiff.append(char(v & 0xFF)).append(char(v >> 8));
    };
    const auto put32 = [&](std::uint32_t v) {
        if (bigEndian) {
            put16(v >> 16);
            put16(v & 0xFFFF);
        } else {
            put16(v & 0xFFFF);
            put16(v >> 16);
        }
    };
    tiff.append(bigEndian ? "MM" : "II");
    put16(42);
    put32(8);      // IFD0 right after the header
    put16(2);      // two entries: a resolution unit first, so the tag is not always the first entry
    put16(0x0128); // ResolutionUnit, SHORT, 1, inches
    put16(3);
    put32(1);
    put16(2);
    put16(0);
    put16(0x0112); // Orientation, SHORT, 1
    put16(3);
    put32(1);
    put16(unsigned(orientation));
    put16(0);
    put32(0); // no next IFD
    return QByteArray("Exif\0\0", 6) + tiff;
}

struct Compressor {
    jpeg_compress_struct cinfo{};
    jpeg_error_mgr err{};
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    Compressor() {
        cinfo.err = jpeg_std_error(&err);
        jpeg_create_compress(&cinfo);
        jpeg_mem_dest(&cinfo, &buffer, &size);
    }
    ~Compressor() {
        jpeg_destroy_compress(&cinfo);
        std::free(buffer);
    }
    Compressor(const Compressor&) = delete;
    Compressor& operator=(const Compressor&) = delete;
};

inline QColor PixelOf(const Fixture& f, int x, int y, std::mt19937& noise) {
    if (f.content == Content::Quadrants)
        return QuadrantColour(x, y, f.width, f.height, f.quadrants);
    if (f.content == Content::Noise) {
        const auto v = noise();
        return QColor(int(v & 0xFF), int((v >> 8) & 0xFF), int((v >> 16) & 0xFF));
    }
    // Gradients, a few hard edges (a sky line and a post) and sensor noise.
    const int n = static_cast<int>(noise() % 24) - 12;
    const bool sky = y < f.height / 3 + (x * 7 / std::max(f.width, 1)) * f.height / 40;
    const bool post = (x / std::max(f.width / 9, 1)) % 4 == 1 && !sky;
    int r = sky ? 90 + y * 100 / f.height : 60 + x * 120 / f.width;
    int g = sky ? 140 + y * 60 / f.height : 110 + ((x + y) / 5) % 70;
    int b = sky ? 220 - x * 40 / f.width : 40 + y * 60 / f.height;
    if (post) {
        r = 70;
        g = 45;
        b = 30;
    }
    return QColor(std::clamp(r + n, 0, 255), std::clamp(g + n, 0, 255), std::clamp(b + n, 0, 255));
}

inline QByteArray MakeJpeg(const Fixture& f) {
    Compressor c;
    jpeg_compress_struct& cinfo = c.cinfo;
    cinfo.image_width = static_cast<JDIMENSION>(f.width);
    cinfo.image_height = static_cast<JDIMENSION>(f.height);
    const bool cmyk = f.kind == Kind::CmykAdobe || f.kind == Kind::CmykPlain || f.kind == Kind::Ycck;
    cinfo.input_components = f.kind == Kind::Gray ? 1 : cmyk ? 4 : 3;
    cinfo.in_color_space = f.kind == Kind::Gray ? JCS_GRAYSCALE : cmyk ? JCS_CMYK : JCS_RGB;
    jpeg_set_defaults(&cinfo);
    if (f.kind == Kind::Ycck)
        jpeg_set_colorspace(&cinfo, JCS_YCCK);
    // Writers without the Adobe marker store CMYK plainly (0 = no ink); Adobe stores it inverted.
    const bool inverted = f.kind != Kind::CmykPlain;
    if (f.kind == Kind::CmykPlain)
        cinfo.write_Adobe_marker = FALSE;
    jpeg_set_quality(&cinfo, f.quality, TRUE);
    for (std::size_t i = 0; i < f.sampling.size() && int(i) < cinfo.num_components; ++i) {
        cinfo.comp_info[i].h_samp_factor = f.sampling[i].first;
        cinfo.comp_info[i].v_samp_factor = f.sampling[i].second;
    }
    if (f.progressive)
        jpeg_simple_progression(&cinfo);
    if (!f.scans.empty()) {
        cinfo.scan_info = f.scans.data();
        cinfo.num_scans = static_cast<int>(f.scans.size());
    }
    cinfo.arith_code = f.arithmetic ? TRUE : FALSE;
    cinfo.restart_interval = static_cast<unsigned>(f.restartInterval);
    jpeg_start_compress(&cinfo, TRUE);
    if (f.orientation != 0) {
        const QByteArray exif = ExifSegment(f.orientation, f.bigEndianExif);
        jpeg_write_marker(&cinfo, JPEG_APP0 + 1, reinterpret_cast<const JOCTET*>(exif.constData()),
                          static_cast<unsigned>(exif.size()));
    }
    std::mt19937 noise(f.seed);
    std::vector<JSAMPLE> row(static_cast<std::size_t>(f.width * cinfo.input_components));
    while (cinfo.next_scanline < cinfo.image_height) {
        const int y = static_cast<int>(cinfo.next_scanline);
        for (int x = 0; x < f.width; ++x) {
            const QColor colour = PixelOf(f, x, y, noise);
            JSAMPLE* p = row.data() + x * cinfo.input_components;
            if (f.kind == Kind::Gray) {
                p[0] = static_cast<JSAMPLE>(qGray(colour.rgb()));
            } else if (cmyk) {
                const int k = 255 - std::max({colour.red(), colour.green(), colour.blue()});
                const int cmykValues[4] = {k == 255 ? 0 : (255 - colour.red() - k) * 255 / (255 - k),
                                           k == 255 ? 0 : (255 - colour.green() - k) * 255 / (255 - k),
                                           k == 255 ? 0 : (255 - colour.blue() - k) * 255 / (255 - k), k};
                for (int i = 0; i < 4; ++i)
                    p[i] = static_cast<JSAMPLE>(inverted ? 255 - cmykValues[i] : cmykValues[i]);
            } else {
                p[0] = static_cast<JSAMPLE>(colour.red());
                p[1] = static_cast<JSAMPLE>(colour.green());
                p[2] = static_cast<JSAMPLE>(colour.blue());
            }
        }
        JSAMPROW rows[1] = {row.data()};
        jpeg_write_scanlines(&cinfo, rows, 1);
    }
    jpeg_finish_compress(&cinfo);
    return QByteArray(reinterpret_cast<const char*>(c.buffer), static_cast<qsizetype>(c.size));
}

// A progressive script of `total` scans for `components` components: the DC scan, then the AC bands
// of each component, split into single coefficients as far as needed.
inline std::vector<jpeg_scan_info> ScanScript(int total, int components = 3) {
    std::vector<jpeg_scan_info> scans;
    jpeg_scan_info dc{};
    dc.comps_in_scan = components;
    for (int i = 0; i < components; ++i)
        dc.component_index[i] = i;
    scans.push_back(dc);
    int singlesLeft = total - 1 - components; // every component needs at least one AC scan
    for (int component = 0; component < components; ++component) {
        int ss = 1;
        while (singlesLeft > 0 && ss < 63) {
            jpeg_scan_info one{};
            one.comps_in_scan = 1;
            one.component_index[0] = component;
            one.Ss = ss;
            one.Se = ss;
            scans.push_back(one);
            ++ss;
            --singlesLeft;
        }
        jpeg_scan_info rest{};
        rest.comps_in_scan = 1;
        rest.component_index[0] = component;
        rest.Ss = ss;
        rest.Se = 63;
        scans.push_back(rest);
    }
    return scans;
}

// Finds the start-of-frame marker (after SOI and the tables); -1 if there is none.
inline qsizetype FrameMarker(const QByteArray& data) {
    for (qsizetype i = 2; i + 9 < data.size(); ++i) {
        const auto m = static_cast<unsigned char>(data[i + 1]);
        if (static_cast<unsigned char>(data[i]) == 0xFF &&
            (m == 0xC0 || m == 0xC1 || m == 0xC2 || m == 0xC9 || m == 0xCA))
            return i;
    }
    return -1;
}

// The file with its frame header patched to claim another size; the coded data stays as it was.
inline QByteArray WithClaimedSize(QByteArray data, int width, int height) {
    const qsizetype sof = FrameMarker(data);
    data[sof + 5] = static_cast<char>(height >> 8);
    data[sof + 6] = static_cast<char>(height & 0xFF);
    data[sof + 7] = static_cast<char>(width >> 8);
    data[sof + 8] = static_cast<char>(width & 0xFF);
    return data;
}

// Files found to break the time and memory goals of one decode while inside the older bounds, each
// made small here: progressive with sampling 4x1, 4x1, 1x1 claiming 4728 x 4728; 4:2:2 progressive
// claiming the same; arithmetic-coded four components claiming 37800 x 37800; progressive 20000 x
// 20000.
inline QByteArray WideSampledClaim() {
    return WithClaimedSize(MakeJpeg(Fixture{.width = 32,
                                            .height = 8,
                                            .progressive = true,
                                            .quality = 50,
                                            .sampling = {{4, 1}, {4, 1}, {1, 1}}}),
                           4728, 4728);
}
inline QByteArray HalfSampledClaim() {
    return WithClaimedSize(
        MakeJpeg(
            Fixture{.width = 16, .height = 16, .progressive = true, .sampling = {{2, 1}, {1, 1}, {1, 1}}}),
        4728, 4728);
}
inline QByteArray ArithmeticGiantClaim() {
    return WithClaimedSize(
        MakeJpeg(
            Fixture{.width = 16, .height = 16, .kind = Kind::CmykAdobe, .arithmetic = true, .quality = 50}),
        37800, 37800);
}
inline QByteArray ProgressiveGiantClaim() {
    return WithClaimedSize(MakeJpeg(Fixture{.width = 16, .height = 16, .progressive = true}), 20000, 20000);
}

// Dense noise for `rows` rows, arithmetic-coded at quality 100, claiming `claimedHeight`: libjpeg
// decodes the rows beyond the data from the zeros it stuffs in after it, each block as dear as the
// noise has taught the decoder to expect.
inline QByteArray TrainedArithmeticClaim(int width, int rows, int claimedHeight, Kind kind = Kind::Gray) {
    return WithClaimedSize(MakeJpeg(Fixture{.width = width,
                                            .height = rows,
                                            .kind = kind,
                                            .arithmetic = true,
                                            .quality = 100,
                                            .content = Content::Noise,
                                            .sampling = {{1, 1}, {1, 1}, {1, 1}}}),
                           width, claimedHeight);
}

// Where the nth (from 1) marker of this code lies; -1 if there is none. The coded data never holds
// 0xFF followed by a marker code, so counting pairs is exact.
inline qsizetype NthMarker(const QByteArray& data, unsigned char code, int nth) {
    const char pair[] = {char(0xFF), char(code)};
    qsizetype at = -1;
    for (int i = 0; i < nth; ++i)
        if ((at = data.indexOf(QByteArray(pair, 2), at + 1)) < 0)
            return -1;
    return at;
}

// The file with `count` copies of `bytes` inserted at `at`.
inline QByteArray WithInserted(QByteArray data, qsizetype at, const QByteArray& bytes, int count) {
    return data.insert(at, bytes.repeated(count));
}

// The file with the second half of every restart interval's coded data cut out, as a damaged card
// or a bad copy leaves a camera photo: the decoder runs into each restart marker early ("premature
// end of data segment") and fills the rest of the interval, so the picture is whole in its parts.
inline QByteArray WithDamagedRestartIntervals(const QByteArray& data) {
    QByteArray out;
    qsizetype segment = data.indexOf(QByteArray("\xFF\xDA", 2));
    segment += 2 + ((uchar(data[segment + 2]) << 8) | uchar(data[segment + 3])); // the scan header
    out = data.left(segment);
    for (;;) {
        qsizetype marker = segment;
        while (marker + 1 < data.size() && !(uchar(data[marker]) == 0xFF && uchar(data[marker + 1]) >= 0xD0 &&
                                             uchar(data[marker + 1]) <= 0xD9))
            ++marker;
        qsizetype kept = (marker - segment) / 2;
        if (kept > 0 && uchar(data[segment + kept - 1]) == 0xFF)
            --kept; // never half a stuffed byte
        out += data.mid(segment, kept);
        if (marker + 1 >= data.size() || uchar(data[marker + 1]) == 0xD9)
            return out + data.mid(marker);
        out += data.mid(marker, 2);
        segment = marker + 2;
    }
}

} // namespace fixture
