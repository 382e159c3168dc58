#include "app/toolkit/picture_cache.h"

#include "app/toolkit/jpeg.h"

namespace tk {

PictureCache& PictureCache::Instance() {
    static PictureCache cache;
    return cache;
}

void PictureCache::Prefetch(const QStringList&, QSize, qreal) {}

QImage PictureCache::Get(const QString& path, QSize size, qreal devicePixelRatio) {
    const QSize pixels = size * devicePixelRatio;
    QImage image = LoadPictureFile(path, pixels)
                       .scaled(pixels, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    image.setDevicePixelRatio(devicePixelRatio);
    return image;
}

void PictureCache::Clear() {}

} // namespace tk
