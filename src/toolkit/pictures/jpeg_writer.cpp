// JPEG encoding over libjpeg. As in the decoder, libjpeg's fatal errors longjmp back here, and no
// C++ object with a destructor lives in a frame that the jump crosses.
#include "toolkit/pictures/jpeg_writer.h"

#include "toolkit/text/errors.h"

#include <algorithm>
#include <csetjmp>
#include <cstdlib>
#include <cstring>

#include <jerror.h>
#include <jpeglib.h>

namespace tk {

namespace {

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

void OutputMessage(j_common_ptr) {}

// Everything that must outlive a longjmp.
struct Encoder {
    jpeg_compress_struct cinfo;
    ErrorManager error;
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    bool created = false;

    Encoder() {
        std::memset(&cinfo, 0, sizeof cinfo);
        std::memset(&error, 0, sizeof error);
    }
    ~Encoder() {
        if (created)
            jpeg_destroy_compress(&cinfo);
        std::free(buffer); // jpeg_mem_dest allocates with malloc
    }
    Encoder(const Encoder&) = delete;
    Encoder& operator=(const Encoder&) = delete;
};

bool Encode(Encoder& e, const QImage& rgb, int quality) {
    e.cinfo.err = jpeg_std_error(&e.error.pub);
    e.error.pub.error_exit = ErrorExit;
    e.error.pub.output_message = OutputMessage;
    if (setjmp(e.error.jump) != 0)
        return false;
    jpeg_create_compress(&e.cinfo);
    e.created = true;
    jpeg_mem_dest(&e.cinfo, &e.buffer, &e.size);
    e.cinfo.image_width = static_cast<JDIMENSION>(rgb.width());
    e.cinfo.image_height = static_cast<JDIMENSION>(rgb.height());
    e.cinfo.input_components = 3;
    e.cinfo.in_color_space = JCS_RGB;
    jpeg_set_defaults(&e.cinfo);
    jpeg_set_quality(&e.cinfo, quality, TRUE);
    e.cinfo.optimize_coding = TRUE; // smaller files, still baseline
    e.cinfo.dct_method = JDCT_ISLOW;
    jpeg_start_compress(&e.cinfo, TRUE);
    while (e.cinfo.next_scanline < e.cinfo.image_height) {
        // libjpeg does not write through the row pointer; its type is merely not const.
        JSAMPROW row = const_cast<JSAMPLE*>(rgb.constScanLine(static_cast<int>(e.cinfo.next_scanline)));
        jpeg_write_scanlines(&e.cinfo, &row, 1);
    }
    jpeg_finish_compress(&e.cinfo);
    return true;
}

} // namespace

QByteArray EncodeJpeg(const QImage& picture, int quality) {
    const QImage rgb = picture.convertToFormat(QImage::Format_RGB888);
    if (rgb.isNull())
        throw EPictureError(texts::JpegError(JERR_EMPTY_IMAGE));
    Encoder e;
    if (!Encode(e, rgb, std::clamp(quality, 1, 100)))
        throw EPictureError(texts::JpegError(e.error.code));
    return QByteArray(reinterpret_cast<const char*>(e.buffer), static_cast<qsizetype>(e.size));
}

} // namespace tk
