// JPEG decoding over libjpeg. libjpeg reports fatal errors by calling error_exit, which must not
// return: ours longjmps back to the decode routine. Between setjmp and libjpeg's calls there are no
// C++ objects with destructors; everything that lives across the jump is owned by the caller.
#include "app/toolkit/jpeg.h"

#include "app/toolkit/errors.h"
#include "app/toolkit/files.h"

#include <QFileInfo>

#include <cerrno>
#include <csetjmp>
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

// A tiny file can claim a picture of 65500 x 65500; refuse an output above this before allocating.
constexpr std::size_t kMaxOutputBytes = 64u << 20;
// libjpeg's own working memory (coefficient buffers of progressive files and the like).
constexpr long kMaxLibjpegMemory = 100L << 20;
// Each scan of a progressive file passes over the whole picture; a file of thousands of tiny scans
// would take minutes.
constexpr int kMaxScans = 100;
// No picture the program shows comes near this; larger files are refused unread.
constexpr qint64 kMaxFileBytes = 128LL << 20;

// The codes we report for our own limits, taken from libjpeg's list so that all codes mean one thing.
constexpr int kTooLargeCode = JERR_IMAGE_TOO_BIG;
constexpr int kTooManyScansCode = JERR_BAD_SCAN_SCRIPT;

struct ErrorManager {
    jpeg_error_mgr pub; // first, so libjpeg's pointer is also ours
    std::jmp_buf jump;
    int code;
};

void ErrorExit(j_common_ptr cinfo) {
    auto* manager = reinterpret_cast<ErrorManager*>(cinfo->err);
    manager->code = cinfo->err->msg_code;
    std::longjmp(manager->jump, 1);
}

// Warnings (corrupt data that libjpeg works around) are not shown anywhere.
void OutputMessage(j_common_ptr) {}

void ProgressMonitor(j_common_ptr cinfo) {
    if (cinfo->is_decompressor == 0)
        return;
    auto* decompress = reinterpret_cast<j_decompress_ptr>(cinfo);
    if (decompress->input_scan_number > kMaxScans) {
        auto* manager = reinterpret_cast<ErrorManager*>(cinfo->err);
        manager->code = kTooManyScansCode;
        std::longjmp(manager->jump, 1);
    }
}

// Everything that must outlive a longjmp, owned by the caller of the decode routines.
struct Decoder {
    jpeg_decompress_struct cinfo;
    ErrorManager error;
    jpeg_progress_mgr progress;
    QImage image;
    std::vector<JSAMPLE> cmykRow;
    bool created = false;

    Decoder() {
        std::memset(&cinfo, 0, sizeof cinfo);
        std::memset(&error, 0, sizeof error);
        std::memset(&progress, 0, sizeof progress);
    }
    ~Decoder() {
        if (created)
            jpeg_destroy_decompress(&cinfo);
    }
    Decoder(const Decoder&) = delete;
    Decoder& operator=(const Decoder&) = delete;
};

// Chooses the DCT scale: the smallest output that still covers the target in both dimensions.
void ChooseScale(j_decompress_ptr cinfo, QSize target) {
    cinfo->scale_num = 1;
    cinfo->scale_denom = 1;
    if (target.isEmpty())
        return;
    for (unsigned denom : {8u, 4u, 2u}) {
        cinfo->scale_denom = denom;
        jpeg_calc_output_dimensions(cinfo);
        if (cinfo->output_width >= static_cast<JDIMENSION>(target.width()) &&
            cinfo->output_height >= static_cast<JDIMENSION>(target.height()))
            return;
    }
    cinfo->scale_denom = 1;
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
    d.cinfo.mem->max_memory_to_use = kMaxLibjpegMemory;
    d.progress.progress_monitor = ProgressMonitor;
    d.cinfo.progress = &d.progress;
    jpeg_mem_src(&d.cinfo, reinterpret_cast<const unsigned char*>(data.constData()),
                 static_cast<unsigned long>(data.size()));
    jpeg_read_header(&d.cinfo, TRUE);
    return true;
}

// Decodes into d.image. Returns false after a libjpeg error or a refused size (d.error.code says which).
bool Decode(Decoder& d, QSize target) {
    if (setjmp(d.error.jump) != 0)
        return false;
    j_decompress_ptr cinfo = &d.cinfo;
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

QImage LoadPictureFile(const QString& path, QSize target) {
    const QFileInfo info(path);
    const QString extension = info.suffix();
    if (extension.compare(QLatin1String("jpg"), Qt::CaseInsensitive) != 0 &&
        extension.compare(QLatin1String("jpeg"), Qt::CaseInsensitive) != 0)
        throw EPictureError(texts::UnknownPictureExtension(extension));

    const auto cannotOpen = [&](int error) {
        return EPictureError(
            texts::CannotOpenFile(DisplayFileName(info.absoluteFilePath()), QString::fromLocal8Bit(std::strerror(error))));
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
    return DecodeJpeg(data, target);
}

} // namespace tk
