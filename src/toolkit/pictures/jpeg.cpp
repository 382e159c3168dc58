// JPEG decoding over libjpeg. libjpeg reports fatal errors by calling error_exit, which must not
// return: ours longjmps back to the decode routine. Between setjmp and libjpeg's calls there are no
// C++ objects with destructors; everything that lives across the jump is owned by the caller.
#include "toolkit/pictures/jpeg.h"

#include "toolkit/text/errors.h"
#include "toolkit/text/files.h"

#include <QFileInfo>

#include <algorithm>
#include <cerrno>
#include <csetjmp>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include <jerror.h>
#include <jpeglib.h>

namespace tk {

namespace {

// The bounds of one decode. A header is a few bytes, and what it claims decides the cost: a 200-byte
// file can claim 65500 x 65500 pixels, and a small one can ask for hundreds of passes over a large
// picture. Each bound holds whatever the scale of the decode.
#ifdef PLAMKOV_FUZZ_BOUNDS
// The fuzz build decodes within a much smaller budget (a quarter of a millisecond: pictures up to
// 512 x 512, which still take every scale down to a card), so that a run reaches millions of
// inputs; the logic of every bound is the same.
constexpr std::uint64_t kMaxClaimedPixels = std::uint64_t{1} << 18;
constexpr std::size_t kMaxOutputBytes = std::size_t{1} << 18;
constexpr std::size_t kMaxDecodeMemory = std::size_t{3} << 20;
constexpr std::uint64_t kMaxWork = 500'000;
#else
// The claimed picture: 134 megapixels, beyond the largest camera photos.
constexpr std::uint64_t kMaxClaimedPixels = std::uint64_t{1} << 27;
// The decoded picture.
constexpr std::size_t kMaxOutputBytes = std::size_t{64} << 20;
// The decoded picture and libjpeg's own working memory (the coefficients of a progressive file and
// the like) together.
constexpr std::size_t kMaxDecodeMemory = std::size_t{120} << 20;
// Decoding work (see WorkDone): about 0.6 s of processor time on our two-core machine. A 24-megapixel
// photo at card size costs a third of it when baseline and two thirds when progressive.
constexpr std::uint64_t kMaxWork = 1'000'000'000;
#endif
// Each scan of a progressive file passes over the whole picture; a file of thousands of tiny scans
// would take minutes.
constexpr int kMaxScans = 100;
// No picture the program shows comes near this; larger files are refused unread.
constexpr qint64 kMaxFileBytes = 128LL << 20;
// What each unit of decoding costs, in nanoseconds of wall time on our two-core machine while busy
// (about two and a half times its processor time): a block visited by a scan of the input or by the output
// pass (inverse DCT, upsampling and colour conversion, whatever the scale), and a byte of coded data. The
// arithmetic decoder is about twice as slow per block and twenty times as slow per byte as the Huffman one.
constexpr std::uint64_t kHuffmanBlockCost = 150;
constexpr std::uint64_t kArithmeticBlockCost = 300;
constexpr std::uint64_t kOutputBlockCost = 150;
constexpr std::uint64_t kHuffmanByteCost = 15;
constexpr std::uint64_t kArithmeticByteCost = 320;

// The codes we report for our own limits, taken from libjpeg's list so that all codes mean one thing.
constexpr int kTooLargeCode = JERR_IMAGE_TOO_BIG;
constexpr int kTooManyScansCode = JERR_BAD_SCAN_SCRIPT;

// APP1, the segment that holds a camera's EXIF data.
constexpr int kExifMarker = JPEG_APP0 + 1;

struct ErrorManager {
    jpeg_error_mgr pub; // first, so libjpeg's pointer is also ours
    std::jmp_buf jump;
    int code;
};

[[noreturn]] void Fail(j_common_ptr cinfo, int code) {
    auto* manager = reinterpret_cast<ErrorManager*>(cinfo->err);
    manager->code = code;
    std::longjmp(manager->jump, 1);
}

void ErrorExit(j_common_ptr cinfo) {
    Fail(cinfo, cinfo->err->msg_code);
}

// Warnings (corrupt data that libjpeg works around) are not shown anywhere.
void OutputMessage(j_common_ptr) {}

// Counts the decoding work as libjpeg goes: the blocks each scan has passed over, the blocks of the
// output pass, and the coded bytes read. libjpeg calls the monitor for every row of blocks it reads
// and every row it writes, so no file gets far past the bound.
struct Progress {
    jpeg_progress_mgr pub; // first, so libjpeg's pointer is also ours
    const JOCTET* data = nullptr;
    std::size_t size = 0;
    std::uint64_t blockCost = kHuffmanBlockCost;
    std::uint64_t byteCost = kHuffmanByteCost;
    std::uint64_t finishedScans = 0; // blocks of the scans read to their end
    int scan = 0;
    std::uint64_t scanBlocks = 0;
    std::uint64_t pictureBlocks = 0;
};

std::uint64_t WorkDone(j_decompress_ptr cinfo, Progress& p) {
    if (cinfo->input_scan_number != p.scan) {
        p.finishedScans += p.scanBlocks;
        p.scan = cinfo->input_scan_number;
        p.scanBlocks = 0;
        for (int i = 0; i < cinfo->comps_in_scan; ++i) {
            const jpeg_component_info* component = cinfo->cur_comp_info[i];
            p.scanBlocks += std::uint64_t{component->width_in_blocks} * component->height_in_blocks;
        }
    }
    const std::uint64_t rows = std::max<JDIMENSION>(cinfo->total_iMCU_rows, 1);
    const std::uint64_t scanRows = std::min<std::uint64_t>(cinfo->input_iMCU_row, rows);
    const std::uint64_t lines = std::max<JDIMENSION>(cinfo->output_height, 1);
    const std::uint64_t input = p.finishedScans + p.scanBlocks * scanRows / rows;
    const std::uint64_t output = p.pictureBlocks * cinfo->output_scanline / lines;
    // At the end of the data the source reads from a marker of its own, outside the data.
    const JOCTET* next = cinfo->src->next_input_byte;
    const auto offset = reinterpret_cast<std::uintptr_t>(next) - reinterpret_cast<std::uintptr_t>(p.data);
    const std::uint64_t bytes = offset <= p.size ? offset : p.size;
    return input * p.blockCost + output * kOutputBlockCost + bytes * p.byteCost;
}

void ProgressMonitor(j_common_ptr cinfo) {
    if (cinfo->is_decompressor == 0)
        return;
    auto* decompress = reinterpret_cast<j_decompress_ptr>(cinfo);
    if (decompress->input_scan_number > kMaxScans)
        Fail(cinfo, kTooManyScansCode);
    if (WorkDone(decompress, *reinterpret_cast<Progress*>(cinfo->progress)) > kMaxWork)
        Fail(cinfo, kTooLargeCode);
}

// Everything that must outlive a longjmp, owned by the caller of the decode routines.
struct Decoder {
    jpeg_decompress_struct cinfo;
    ErrorManager error;
    Progress progress;
    QImage image;
    std::vector<JSAMPLE> cmykRow;
    bool created = false;

    Decoder() {
        std::memset(&cinfo, 0, sizeof cinfo);
        std::memset(&error, 0, sizeof error);
    }
    ~Decoder() {
        if (created)
            jpeg_destroy_decompress(&cinfo);
    }
    Decoder(const Decoder&) = delete;
    Decoder& operator=(const Decoder&) = delete;
};

// Chooses the DCT scale: the smallest output M/8 that still covers the target in both dimensions.
void ChooseScale(j_decompress_ptr cinfo, QSize target) {
    cinfo->scale_num = 8;
    cinfo->scale_denom = 8;
    if (target.isEmpty())
        return;
    for (unsigned num = 1; num < 8; ++num) {
        cinfo->scale_num = num;
        jpeg_calc_output_dimensions(cinfo);
        if (cinfo->output_width >= static_cast<JDIMENSION>(target.width()) &&
            cinfo->output_height >= static_cast<JDIMENSION>(target.height()))
            return;
    }
    cinfo->scale_num = 8;
}

// CMYK as Adobe writes it is stored inverted (0 = full ink); other writers store it plainly.
void CmykToRgb(const JSAMPLE* cmyk, uchar* rgb, JDIMENSION width, bool inverted) {
    for (JDIMENSION x = 0; x < width; ++x, cmyk += 4, rgb += 3) {
        int c = cmyk[0], m = cmyk[1], y = cmyk[2], k = cmyk[3];
        if (!inverted) {
            c = 255 - c;
            m = 255 - m;
            y = 255 - y;
            k = 255 - k;
        }
        rgb[0] = static_cast<uchar>((c * k + 127) / 255);
        rgb[1] = static_cast<uchar>((m * k + 127) / 255);
        rgb[2] = static_cast<uchar>((y * k + 127) / 255);
    }
}

// Sets up libjpeg on the data and reads the header. Returns false after a libjpeg error.
// No C++ object with a destructor lives in this frame (longjmp would skip it).
bool Start(Decoder& d, const QByteArray& data) {
    d.cinfo.err = jpeg_std_error(&d.error.pub);
    d.error.pub.error_exit = ErrorExit;
    d.error.pub.output_message = OutputMessage;
    if (setjmp(d.error.jump) != 0)
        return false;
    jpeg_create_decompress(&d.cinfo);
    d.created = true;
    d.cinfo.mem->max_memory_to_use = static_cast<long>(kMaxDecodeMemory);
    d.progress.pub.progress_monitor = ProgressMonitor;
    d.cinfo.progress = &d.progress.pub;
    d.progress.data = reinterpret_cast<const JOCTET*>(data.constData());
    d.progress.size = static_cast<std::size_t>(data.size());
    jpeg_mem_src(&d.cinfo, d.progress.data, static_cast<unsigned long>(data.size()));
    jpeg_read_header(&d.cinfo, TRUE);
    return true;
}

// Decodes into d.image. Returns false after a libjpeg error or a refused size (d.error.code says which).
bool Decode(Decoder& d, QSize target) {
    if (setjmp(d.error.jump) != 0)
        return false;
    j_decompress_ptr cinfo = &d.cinfo;
    // libjpeg walks the whole claimed picture whatever the scale, so the claim itself is bounded.
    if (std::uint64_t{cinfo->image_width} * cinfo->image_height > kMaxClaimedPixels) {
        d.error.code = kTooLargeCode;
        return false;
    }
    const bool cmyk = cinfo->jpeg_color_space == JCS_CMYK || cinfo->jpeg_color_space == JCS_YCCK;
    cinfo->out_color_space = cmyk ? JCS_CMYK : JCS_RGB;
    ChooseScale(cinfo, target);
    jpeg_calc_output_dimensions(cinfo);
    const std::size_t bytes = std::size_t{cinfo->output_width} * cinfo->output_height * 3;
    if (cinfo->output_width == 0 || cinfo->output_height == 0 || bytes > kMaxOutputBytes ||
        cinfo->output_width > 0x7FFF'FFFFu / 4 || cinfo->output_height > 0x7FFF'FFFFu) {
        d.error.code = kTooLargeCode;
        return false;
    }
    // The picture and libjpeg's memory share one budget; libjpeg refuses its coefficient buffers
    // (JERR_NO_BACKING_STORE) when they do not fit into what the picture leaves.
    cinfo->mem->max_memory_to_use = static_cast<long>(kMaxDecodeMemory - bytes);
    d.progress.blockCost = cinfo->arith_code ? kArithmeticBlockCost : kHuffmanBlockCost;
    d.progress.byteCost = cinfo->arith_code ? kArithmeticByteCost : kHuffmanByteCost;
    for (int i = 0; i < cinfo->num_components; ++i)
        d.progress.pictureBlocks +=
            std::uint64_t{cinfo->comp_info[i].width_in_blocks} * cinfo->comp_info[i].height_in_blocks;
    // Allocate before start_decompress, which on a progressive file already reads every scan.
    d.image = QImage(static_cast<int>(cinfo->output_width), static_cast<int>(cinfo->output_height),
                     QImage::Format_RGB888);
    if (d.image.isNull()) {
        d.error.code = JERR_OUT_OF_MEMORY;
        return false;
    }
    if (cmyk)
        d.cmykRow.resize(std::size_t{cinfo->output_width} * 4);

    jpeg_start_decompress(cinfo);
    if (cinfo->output_width != static_cast<JDIMENSION>(d.image.width()) ||
        cinfo->output_height != static_cast<JDIMENSION>(d.image.height()) ||
        cinfo->output_components != (cmyk ? 4 : 3)) {
        d.error.code = JERR_CONVERSION_NOTIMPL;
        return false;
    }
    while (cinfo->output_scanline < cinfo->output_height) {
        uchar* line = d.image.scanLine(static_cast<int>(cinfo->output_scanline));
        JSAMPROW row = cmyk ? d.cmykRow.data() : line;
        if (jpeg_read_scanlines(cinfo, &row, 1) != 1) {
            d.error.code = JERR_INPUT_EOF; // only a suspending source returns 0 lines
            return false;
        }
        if (cmyk)
            CmykToRgb(d.cmykRow.data(), line, cinfo->output_width, cinfo->saw_Adobe_marker != 0);
    }
    jpeg_finish_decompress(cinfo);
    return true;
}

[[noreturn]] void RaiseJpegError(int code) {
    throw EPictureError(texts::JpegError(code));
}

unsigned Read16(const uchar* p, bool bigEndian) {
    return bigEndian ? (unsigned{p[0]} << 8 | p[1]) : (unsigned{p[1]} << 8 | p[0]);
}

std::uint32_t Read32(const uchar* p, bool bigEndian) {
    return bigEndian ? (std::uint32_t{Read16(p, true)} << 16 | Read16(p + 2, true))
                     : (std::uint32_t{Read16(p + 2, false)} << 16 | Read16(p, false));
}

// The orientation tag of IFD0 in the TIFF structure of an EXIF segment; 0 when there is none.
int TiffOrientation(const uchar* tiff, std::size_t size) {
    if (size < 8)
        return 0;
    bool bigEndian;
    if (tiff[0] == 'M' && tiff[1] == 'M')
        bigEndian = true;
    else if (tiff[0] == 'I' && tiff[1] == 'I')
        bigEndian = false;
    else
        return 0;
    if (Read16(tiff + 2, bigEndian) != 42)
        return 0;
    const std::uint32_t ifd = Read32(tiff + 4, bigEndian);
    if (ifd > size - 2)
        return 0;
    const unsigned entries = Read16(tiff + ifd, bigEndian);
    constexpr unsigned kOrientationTag = 0x0112;
    constexpr unsigned kShortType = 3;
    for (unsigned i = 0; i < entries; ++i) {
        const std::size_t at = ifd + 2 + std::size_t{12} * i;
        if (at + 12 > size)
            return 0;
        if (Read16(tiff + at, bigEndian) != kOrientationTag)
            continue;
        if (Read16(tiff + at + 2, bigEndian) != kShortType || Read32(tiff + at + 4, bigEndian) != 1)
            return 0;
        return static_cast<int>(Read16(tiff + at + 8, bigEndian));
    }
    return 0;
}

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

JpegInfo ReadJpegInfo(const QByteArray& data) {
    Decoder d;
    if (!Start(d, data))
        RaiseJpegError(d.error.code);
    JpegInfo info;
    info.width = static_cast<int>(d.cinfo.image_width);
    info.height = static_cast<int>(d.cinfo.image_height);
    info.components = d.cinfo.num_components;
    info.progressive = d.cinfo.progressive_mode != 0;
    info.arithmetic = d.cinfo.arith_code != 0;
    info.bitsPerSample = d.cinfo.data_precision;
    return info;
}

QImage DecodeJpeg(const QByteArray& data, QSize target) {
    Decoder d;
    if (!Start(d, data) || !Decode(d, target))
        RaiseJpegError(d.error.code);
    return std::move(d.image);
}

int JpegOrientation(const QByteArray& data) {
    const auto* bytes = reinterpret_cast<const uchar*>(data.constData());
    const auto size = static_cast<std::size_t>(data.size());
    if (size < 4 || bytes[0] != 0xFF || bytes[1] != 0xD8)
        return 1;
    // The segments before the first scan; EXIF comes first in practice, but any order is read.
    std::size_t at = 2;
    while (at + 4 <= size) {
        if (bytes[at] != 0xFF)
            return 1;
        const uchar marker = bytes[at + 1];
        if (marker == 0xFF) { // fill byte
            ++at;
            continue;
        }
        if (marker == 0xDA || marker == 0xD9)
            return 1;
        if (marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7)) {
            at += 2;
            continue;
        }
        const std::size_t length = Read16(bytes + at + 2, true);
        if (length < 2 || at + 2 + length > size)
            return 1;
        static constexpr char kExif[] = "Exif\0"; // with its terminator, the six bytes "Exif\0\0"
        if (marker == kExifMarker && length >= 2 + sizeof kExif &&
            std::memcmp(bytes + at + 4, kExif, sizeof kExif) == 0) {
            const int orientation = TiffOrientation(bytes + at + 4 + sizeof kExif, length - 2 - sizeof kExif);
            return orientation >= 1 && orientation <= 8 ? orientation : 1;
        }
        at += 2 + length;
    }
    return 1;
}

QImage OrientPicture(const QImage& picture, int orientation) {
    // Each orientation names what was done to the upright picture when it was stored; undo it.
    switch (orientation) {
    case 2:
        return picture.mirrored(true, false);
    case 3:
        return picture.mirrored(true, true);
    case 4:
        return picture.mirrored(false, true);
    case 5: // transposed: a quarter turn clockwise, then mirrored left to right
        return picture.transformed(QTransform().rotate(90)).mirrored(true, false);
    case 6:
        return picture.transformed(QTransform().rotate(90));
    case 7: // transverse: a quarter turn anticlockwise, then mirrored left to right
        return picture.transformed(QTransform().rotate(270)).mirrored(true, false);
    case 8:
        return picture.transformed(QTransform().rotate(270));
    default:
        return picture;
    }
}

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
        throw EPictureError(texts::JpegError(JERR_OUT_OF_MEMORY));
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

QImage DecodeCardPicture(const QByteArray& data, QSize pixels) {
    const int orientation = JpegOrientation(data);
    // A picture stored on its side is decoded and reduced on its side, and turned when small.
    const QSize stored = orientation >= 5 ? pixels.transposed() : pixels;
    return OrientPicture(ReducePicture(DecodeJpeg(data, stored), stored), orientation);
}

namespace {

FileIdentity IdentityOf(const struct stat& st) {
    constexpr std::int64_t kNanoseconds = 1'000'000'000;
    FileIdentity identity;
    identity.device = st.st_dev;
    identity.inode = st.st_ino;
    identity.size = st.st_size;
    identity.modified = std::int64_t{st.st_mtim.tv_sec} * kNanoseconds + st.st_mtim.tv_nsec;
    identity.changed = std::int64_t{st.st_ctim.tv_sec} * kNanoseconds + st.st_ctim.tv_nsec;
    return identity;
}

} // namespace

bool PictureFileIdentity(const QString& path, FileIdentity* identity) {
    struct stat st {};
    if (::stat(EncodeFileName(path).constData(), &st) != 0 || !S_ISREG(st.st_mode))
        return false;
    *identity = IdentityOf(st);
    return true;
}

QByteArray ReadPictureFile(const QString& path, FileIdentity* identity) {
    const QFileInfo info(path);
    const QString extension = info.suffix();
    if (extension.compare(QLatin1String("jpg"), Qt::CaseInsensitive) != 0 &&
        extension.compare(QLatin1String("jpeg"), Qt::CaseInsensitive) != 0)
        throw EPictureError(texts::UnknownPictureExtension(extension));

    const auto cannotOpen = [&](int error) {
        return EPictureError(texts::CannotOpenFile(DisplayFileName(info.absoluteFilePath()),
                                                   QString::fromLocal8Bit(std::strerror(error))));
    };
    const int fd = ::open(EncodeFileName(path).constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        throw cannotOpen(errno);
    struct stat st {};
    if (::fstat(fd, &st) != 0) {
        const int error = errno;
        ::close(fd);
        throw cannotOpen(error);
    }
    if (!S_ISREG(st.st_mode)) {
        // A folder, pipe or device is no picture; reading one would fail, block or never end.
        ::close(fd);
        throw cannotOpen(S_ISDIR(st.st_mode) ? EISDIR : ENODEV);
    }
    if (identity)
        *identity = IdentityOf(st);
    if (st.st_size > kMaxFileBytes) {
        ::close(fd);
        RaiseJpegError(kTooLargeCode);
    }
    QByteArray data;
    data.resize(static_cast<qsizetype>(st.st_size));
    qsizetype filled = 0;
    while (filled < data.size()) {
        const ssize_t got = ::read(fd, data.data() + filled, static_cast<std::size_t>(data.size() - filled));
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0) {
            const int error = errno;
            ::close(fd);
            throw cannotOpen(error);
        }
        if (got == 0)
            break; // the file shrank while we read: decode what is there
        filled += got;
    }
    ::close(fd);
    data.truncate(filled);
    return data;
}

QImage LoadPictureFile(const QString& path, QSize target) {
    return DecodeJpeg(ReadPictureFile(path), target);
}

} // namespace tk
