// SPDX-License-Identifier: GPL-3.0-or-later
// JPEG decoding over libjpeg. libjpeg reports fatal errors by calling error_exit, which must not
// return: ours longjmps back to the decode routine. Between setjmp and libjpeg's calls there are no
// C++ objects with destructors; everything that lives across the jump is owned by the caller.
#include "toolkit/pictures/jpeg.h"

#include "toolkit/pictures/jpeg_budget.h"
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
#include <memory>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include <jerror.h>
#include <jpeglib.h>

namespace tk {

namespace {

// APP1, the segment that holds a camera's EXIF data.
constexpr int kExifMarker = JPEG_APP0 + 1;
constexpr std::size_t kExifHeader = 6; // "Exif\0\0"
// Missing parts of a picture whose data ran out, as libjpeg shows them: mid grey.
constexpr uchar kMissingGrey = 128;

int TiffOrientation(const uchar* tiff, std::size_t size);

// An open picture file, closed when it goes.
struct PictureFile {
    int fd = -1;
    std::int64_t size = 0;
    PictureFile() = default;
    ~PictureFile() {
        if (fd >= 0)
            ::close(fd);
    }
    PictureFile(const PictureFile&) = delete;
    PictureFile& operator=(const PictureFile&) = delete;
};

// Everything that must outlive a longjmp, owned by the caller of the decode routines.
struct Decoder {
    jpeg_decompress_struct cinfo;
    JpegErrors errors;
    DecodeWork work;
    JpegSource source;
    MemoryReservation memory;
    std::unique_ptr<JOCTET[]> chunk; // a file's chunk
    QImage image;
    std::vector<JSAMPLE> cmykRow;
    int orientation = 0; // of the first EXIF segment before the first scan, 0 when none was read
    bool created = false;

    Decoder() {
        std::memset(&cinfo, 0, sizeof cinfo);
        std::memset(&errors, 0, sizeof errors);
    }
    ~Decoder() { Destroy(); }
    void Destroy() {
        if (created)
            jpeg_destroy_decompress(&cinfo);
        created = false;
    }
    Decoder(const Decoder&) = delete;
    Decoder& operator=(const Decoder&) = delete;
};

int NextByte(j_decompress_ptr cinfo) {
    jpeg_source_mgr* src = cinfo->src;
    if (src->bytes_in_buffer == 0)
        (*src->fill_input_buffer)(cinfo);
    --src->bytes_in_buffer;
    return *src->next_input_byte++;
}

// Reads the orientation from the first EXIF segment before the first scan, and skips the others.
// The segment is read into libjpeg's own memory, which goes with the decode.
boolean ReadExif(j_decompress_ptr cinfo) {
    auto* d = static_cast<Decoder*>(cinfo->client_data);
    const int high = NextByte(cinfo);
    const long length = (long{high} << 8 | NextByte(cinfo)) - 2;
    ++d->work.messages; // as libjpeg's notes on the segments it reads itself
    if (length <= 0)
        return TRUE;
    if (d->orientation != 0 || cinfo->input_scan_number != 0 || length < long{kExifHeader}) {
        (*cinfo->src->skip_input_data)(cinfo, length);
        return TRUE;
    }
    auto* bytes = static_cast<uchar*>(
        (*cinfo->mem->alloc_small)(reinterpret_cast<j_common_ptr>(cinfo), JPOOL_IMAGE, std::size_t(length)));
    for (long i = 0; i < length; ++i)
        bytes[i] = static_cast<uchar>(NextByte(cinfo));
    if (d->source.exhausted || std::memcmp(bytes, "Exif\0\0", kExifHeader) != 0)
        return TRUE;
    const int orientation = TiffOrientation(bytes + kExifHeader, std::size_t(length) - kExifHeader);
    d->orientation = orientation >= 1 && orientation <= 8 ? orientation : 1;
    return TRUE;
}

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

// Sets up libjpeg on the source (memory when `data` is given, else the file) and reads the header.
// Returns false after a libjpeg error. No C++ object with a destructor lives in this frame.
bool Start(Decoder& d, const QByteArray* data, const PictureFile* file) {
    if (file != nullptr)
        d.chunk = std::make_unique<JOCTET[]>(kJpegChunkBytes);
    InstallErrors(&d.cinfo, d.errors, d.work);
    if (setjmp(d.errors.jump) != 0)
        return false;
    jpeg_create_decompress(&d.cinfo);
    d.created = true;
    d.cinfo.client_data = &d;
    InstallWork(&d.cinfo, d.work, d.source);
    if (data != nullptr)
        InstallMemorySource(&d.cinfo, d.source, data->constData(), static_cast<std::size_t>(data->size()));
    else
        InstallFileSource(&d.cinfo, d.source, file->fd, file->size, d.chunk.get());
    jpeg_set_marker_processor(&d.cinfo, kExifMarker, ReadExif);
    jpeg_read_header(&d.cinfo, TRUE);
    return true;
}

// Reads the output rows into d.image until the picture ends or the decode stops where its data ran
// out; the rows never reached stay grey.
void ReadRows(Decoder& d, bool cmyk) {
    j_decompress_ptr cinfo = &d.cinfo;
    while (cinfo->output_scanline < cinfo->output_height && !d.work.stop) {
        uchar* line = d.image.scanLine(static_cast<int>(cinfo->output_scanline));
        JSAMPROW row = cmyk ? d.cmykRow.data() : line;
        if (jpeg_read_scanlines(cinfo, &row, 1) != 1)
            FailDecode(reinterpret_cast<j_common_ptr>(cinfo), JERR_INPUT_EOF); // only a suspending source
        if (cmyk)
            CmykToRgb(d.cmykRow.data(), line, cinfo->output_width, cinfo->saw_Adobe_marker != 0);
    }
    for (auto y = static_cast<int>(cinfo->output_scanline); y < d.image.height(); ++y)
        std::memset(d.image.scanLine(y), kMissingGrey, static_cast<std::size_t>(d.image.bytesPerLine()));
}

// Decodes into d.image, with `extra` bytes of the process's budget held for what the caller makes
// of it. Returns false after a libjpeg error or a refused size (d.errors.code says which).
bool Decode(Decoder& d, QSize target, std::size_t (*extra)(QSize decoded, QSize target)) {
    if (setjmp(d.errors.jump) != 0)
        return false;
    j_decompress_ptr cinfo = &d.cinfo;
    const JpegBounds& bounds = d.work.bounds;
    // libjpeg walks the whole claimed picture whatever the scale, so the claim itself is bounded.
    if (std::uint64_t{cinfo->image_width} * cinfo->image_height > bounds.claimedPixels) {
        d.errors.code = kJpegTooLargeCode;
        return false;
    }
    const bool cmyk = cinfo->jpeg_color_space == JCS_CMYK || cinfo->jpeg_color_space == JCS_YCCK;
    cinfo->out_color_space = cmyk ? JCS_CMYK : JCS_RGB;
    ChooseScale(cinfo, target);
    jpeg_calc_output_dimensions(cinfo);
    const std::size_t bytes = std::size_t{cinfo->output_width} * cinfo->output_height * 3;
    if (cinfo->output_width == 0 || cinfo->output_height == 0 || bytes > bounds.outputBytes ||
        cinfo->output_width > 0x7FFF'FFFFu / 4 || cinfo->output_height > 0x7FFF'FFFFu) {
        d.errors.code = kJpegTooLargeCode;
        return false;
    }
    // The picture, libjpeg's memory and what the caller makes of the picture share the process's
    // budget; libjpeg refuses its coefficient buffers (JERR_NO_BACKING_STORE) beyond its part.
    const QSize decoded(static_cast<int>(cinfo->output_width), static_cast<int>(cinfo->output_height));
    const std::size_t libjpeg = LibjpegMemory(cinfo);
    const std::size_t others = bytes + (extra != nullptr ? extra(decoded, target) : 0);
    if (!d.memory.Take(libjpeg + others)) {
        d.errors.code = JERR_NO_BACKING_STORE;
        return false;
    }
    cinfo->mem->max_memory_to_use = static_cast<long>(libjpeg);
    PrepareWork(cinfo, d.work);
    CheckWork(cinfo, d.work); // the output pass alone may be beyond the bound
    // Allocate before libjpeg does.
    d.image = QImage(decoded, QImage::Format_RGB888);
    if (d.image.isNull()) {
        d.errors.code = JERR_OUT_OF_MEMORY;
        return false;
    }
    if (cmyk)
        d.cmykRow.resize(std::size_t{cinfo->output_width} * 4);

    // A file of several scans is read scan by scan (libjpeg's buffered mode, which keeps the same
    // coefficients as a plain decode), so that a decode that stops early still shows what it has.
    const bool scans = jpeg_has_multiple_scans(cinfo) != 0;
    cinfo->buffered_image = scans ? TRUE : FALSE;
    jpeg_start_decompress(cinfo);
    if (cinfo->output_width != static_cast<JDIMENSION>(d.image.width()) ||
        cinfo->output_height != static_cast<JDIMENSION>(d.image.height()) ||
        cinfo->output_components != (cmyk ? 4 : 3)) {
        d.errors.code = JERR_CONVERSION_NOTIMPL;
        return false;
    }
    if (scans) {
        for (;;) {
            const int step = jpeg_consume_input(cinfo);
            if (step == JPEG_REACHED_EOI)
                break;
            if (step == JPEG_SUSPENDED)
                FailDecode(reinterpret_cast<j_common_ptr>(cinfo), JERR_INPUT_EOF); // only a suspending source
            CheckWork(cinfo, d.work);
            if (d.work.stop)
                break;
        }
        // The output pass is read whole and unchecked: it was paid for in advance.
        d.work.stop = false;
        d.work.paid = true;
        jpeg_start_output(cinfo, cinfo->input_scan_number);
    }
    ReadRows(d, cmyk);
    // What follows the last row (markers up to the end of the image) is not read.
    d.Destroy();
    return true;
}

[[noreturn]] void RaiseJpegError(int code, const char* message = "") {
    using Kind = EPictureError::Kind;
    const bool tooLarge = code == kJpegTooLargeCode || code == kJpegTooManyScansCode ||
                          code == JERR_OUT_OF_MEMORY || code == JERR_WIDTH_OVERFLOW;
    // Sample precisions other than 8 bits, and the lossless and hierarchical processes.
    const bool unsupported =
        code == JERR_BAD_PRECISION || code == JERR_SOF_UNSUPPORTED || code == JERR_NOT_COMPILED;
    const Kind kind = code == JERR_NO_SOI || code == JERR_INPUT_EMPTY ? Kind::NotJpeg
                      : tooLarge                                      ? Kind::TooLarge
                      : unsupported                                   ? Kind::Unsupported
                                                                      : Kind::Damaged;
    const QString text = texts::JpegError(code);
    throw EPictureError(text, kind, *message != '\0' ? QString::fromLocal8Bit(message) : text);
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

} // namespace

JpegInfo ReadJpegInfo(const QByteArray& data) {
    Decoder d;
    if (!Start(d, &data, nullptr))
        RaiseJpegError(d.errors.code, d.errors.message);
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
    if (!Start(d, &data, nullptr) || !Decode(d, target, nullptr))
        RaiseJpegError(d.errors.code, d.errors.message);
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

namespace {

// What a card's reduction and turn hold beside the decoded picture (see ReducePicture).
std::size_t ReductionBytes(QSize decoded, QSize card) {
    const auto w = std::size_t(card.width()), h = std::size_t(card.height());
    const auto sw = std::size_t(decoded.width()), sh = std::size_t(decoded.height());
    const std::size_t floats = std::min(w * sh, sw * h) + std::max(w, sw);
    return floats * 3 * sizeof(float) + 3 * w * h * sizeof(QRgb);
}

// The card from a decoder set up on its source: the decode and what is made of it hold one part of
// the process's budget.
QImage CardPicture(Decoder& d, const QByteArray* data, const PictureFile* file, QSize pixels) {
    if (!Start(d, data, file))
        RaiseJpegError(d.errors.code, d.errors.message);
    const int orientation = std::max(d.orientation, 1);
    // A picture stored on its side is decoded and reduced on its side, and turned when small.
    const QSize stored = orientation >= 5 ? pixels.transposed() : pixels;
    if (!Decode(d, stored, ReductionBytes))
        RaiseJpegError(d.errors.code, d.errors.message);
    return OrientPicture(ReducePicture(d.image, stored), orientation);
}

// What a square card's cut and reduction hold beside the decoded picture.
std::size_t SquareBytes(QSize decoded, QSize card) {
    const auto side = std::size_t(std::min(decoded.width(), decoded.height()));
    return side * side * 3 + ReductionBytes(QSize(int(side), int(side)), card);
}

} // namespace

QImage DecodeCardPicture(const QByteArray& data, QSize pixels) {
    Decoder d;
    return CardPicture(d, &data, nullptr, pixels);
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

namespace {

// Opens a picture file, checked first by extension, never blocking on a pipe or device.
void OpenPictureFile(const QString& path, PictureFile& file, FileIdentity* identity) {
    const QFileInfo info(path);
    const QString extension = info.suffix();
    if (extension.compare(QLatin1String("jpg"), Qt::CaseInsensitive) != 0 &&
        extension.compare(QLatin1String("jpeg"), Qt::CaseInsensitive) != 0)
        throw EPictureError(texts::UnknownPictureExtension(extension), EPictureError::Kind::NotJpeg);
    const auto cannotOpen = [&](int error) {
        const QString systemText = QString::fromLocal8Bit(std::strerror(error));
        return EPictureError(texts::CannotOpenFile(DisplayFileName(info.absoluteFilePath()), systemText),
                             EPictureError::Kind::Unreadable, systemText);
    };
    file.fd = ::open(EncodeFileName(path).constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (file.fd < 0)
        throw cannotOpen(errno);
    struct stat st {};
    if (::fstat(file.fd, &st) != 0)
        throw cannotOpen(errno);
    // A folder, pipe or device is no picture; reading one would fail, block or never end.
    if (!S_ISREG(st.st_mode))
        throw cannotOpen(S_ISDIR(st.st_mode) ? EISDIR : ENODEV);
    if (identity)
        *identity = IdentityOf(st);
    if (st.st_size > CurrentJpegBounds().fileBytes)
        RaiseJpegError(kJpegTooLargeCode);
    file.size = st.st_size;
}

} // namespace

QByteArray ReadPictureFile(const QString& path, FileIdentity* identity) {
    PictureFile file;
    OpenPictureFile(path, file, identity);
    QByteArray data;
    data.resize(static_cast<qsizetype>(file.size));
    qsizetype filled = 0;
    while (filled < data.size()) {
        const ssize_t got =
            ::read(file.fd, data.data() + filled, static_cast<std::size_t>(data.size() - filled));
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            throw EPictureError(texts::CannotOpenFile(DisplayFileName(QFileInfo(path).absoluteFilePath()),
                                                      QString::fromLocal8Bit(std::strerror(errno))));
        if (got == 0)
            break; // the file shrank while we read: decode what is there
        filled += got;
    }
    data.truncate(filled);
    return data;
}

QImage LoadPictureFile(const QString& path, QSize target) {
    PictureFile file;
    OpenPictureFile(path, file, nullptr);
    Decoder d;
    if (!Start(d, nullptr, &file) || !Decode(d, target, nullptr))
        RaiseJpegError(d.errors.code, d.errors.message);
    return std::move(d.image);
}

QImage LoadSquareCard(const QString& path, int edge) {
    PictureFile file;
    OpenPictureFile(path, file, nullptr);
    Decoder d;
    if (!Start(d, nullptr, &file))
        RaiseJpegError(d.errors.code, d.errors.message);
    const int orientation = std::max(d.orientation, 1);
    const QSize card(edge, edge);
    if (!Decode(d, card, SquareBytes))
        RaiseJpegError(d.errors.code, d.errors.message);
    // The middle square stays the middle square whatever the turn, so it is cut before turning.
    const int side = std::min(d.image.width(), d.image.height());
    const QImage square =
        d.image.copy((d.image.width() - side) / 2, (d.image.height() - side) / 2, side, side);
    return OrientPicture(ReducePicture(square, card), orientation);
}

QImage LoadCardPicture(const QString& path, QSize pixels, FileIdentity* identity) {
    PictureFile file;
    OpenPictureFile(path, file, identity);
    Decoder d;
    return CardPicture(d, nullptr, &file, pixels);
}

} // namespace tk
