// Pictures at a fixed small size (a card) from picture files: decoded at the smallest DCT scale
// that still covers the size in device pixels, reduced to that size with a good filter, and kept by
// the file's identity, so that a later request for the unchanged file is served from memory.
#pragma once

#include <QImage>
#include <QSize>
#include <QString>
#include <QStringList>

namespace tk {

class PictureCache {
public:
    static PictureCache& Instance();

    // Starts decoding these files ahead of Get (a hint; may do nothing).
    void Prefetch(const QStringList& paths, QSize size, qreal devicePixelRatio);
    // The picture of the file at this size (device pixel ratio included). Raises EPictureError as
    // LoadPictureFile does, each time the file fails.
    QImage Get(const QString& path, QSize size, qreal devicePixelRatio);
    // Forgets every kept picture.
    void Clear();
};

} // namespace tk
