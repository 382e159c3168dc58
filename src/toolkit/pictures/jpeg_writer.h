// Our JPEG encoder over libjpeg's compressor, for the tools that write pictures (the card-set maker).
// The program itself only reads pictures.
#pragma once

#include <QByteArray>
#include <QImage>

namespace tk {

// The picture as a baseline JPEG (sequential Huffman coding, which every decoder reads), colour
// subsampled 2x2 as cameras write, at a libjpeg quality of 1 to 100. Any image format is accepted;
// transparency is dropped. Raises EPictureError "JPEG error #%d" when libjpeg fails.
QByteArray EncodeJpeg(const QImage& picture, int quality);

} // namespace tk
