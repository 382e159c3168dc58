// SPDX-License-Identifier: GPL-3.0-or-later
#include "fire/art/fire_pictures.h"

#include "toolkit/pictures/jpeg.h"
#include "toolkit/text/errors.h"

#include <QHash>
#include <QResource>
#include <QtMath>

#include <exception>
#include <future>
#include <mutex>

namespace {

// A picture's decoding: the pixels, or the error it failed with.
struct Decoded {
    QImage picture;
    std::exception_ptr error;
};

Decoded Decode(const QString& name, FirePictureSet set) {
    try {
        // QResource, not QFile: the worker makes no QObject of its own.
        const QString folder = set.scale == 1 ? QString() : QStringLiteral("%1x/").arg(set.scale);
        const QResource resource(QStringLiteral(":/fire/%1%2.jpg").arg(folder, name));
        if (!resource.isValid())
            throw tk::EPictureError(QStringLiteral("No picture named %1").arg(name));
        QImage picture = tk::DecodeJpeg(resource.uncompressedData());
        if (set.ratio != set.scale) {
            // Rounded up, so that the picture covers at least its size in layout pixels.
            const QSizeF layoutSize = QSizeF(picture.size()) / set.scale;
            picture =
                picture.scaled(qCeil(layoutSize.width() * set.ratio), qCeil(layoutSize.height() * set.ratio),
                               Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        }
        picture.setDevicePixelRatio(set.ratio);
        return {picture, nullptr};
    } catch (...) {
        return {QImage(), std::current_exception()};
    }
}

// A picture of one set, as the caches know it.
QString KeyOf(const QString& name, FirePictureSet set) {
    return set.scale == 1 ? name : QStringLiteral("%1@%2").arg(name).arg(set.ratio);
}

using Cache = QHash<QString, Decoded>;

// Every embedded picture decoded on a worker thread; the user-interface thread reads the results
// only after waiting for the whole batch, so the two never share the table while it is written.
struct Prefetch {
    std::once_flag started;
    std::shared_future<Cache> batch;
};

Prefetch& ThePrefetch() {
    static Prefetch prefetch;
    return prefetch;
}

} // namespace

FirePictureSet FirePictureSetFor(qreal devicePixelRatio) {
    if (devicePixelRatio <= 1)
        return {1, 1};
    return {2, devicePixelRatio};
}

void PrefetchFirePictures(qreal devicePixelRatio) {
    Prefetch& prefetch = ThePrefetch();
    const FirePictureSet set = FirePictureSetFor(devicePixelRatio);
    std::call_once(prefetch.started, [&] {
        prefetch.batch = std::async(std::launch::async, [set] {
                             Cache cache;
                             for (const PictureSize& entry : FirePictureSizes()) {
                                 const QString name = QLatin1String(entry.name);
                                 cache.insert(KeyOf(name, set), Decode(name, set));
                             }
                             return cache;
                         }).share();
    });
}

QImage FirePicture(const QString& name, qreal devicePixelRatio) {
    // Several hotspots share a picture, and every further fire window shows the same ones: decode
    // each once and share the pixels (QImage is implicitly shared; nothing ever paints on them).
    // A picture that failed fails again with its own error each time it is asked for.
    // A window on a screen of another ratio than the batch's gets its own set, decoded here.
    static Cache decoded;
    const FirePictureSet set = FirePictureSetFor(devicePixelRatio);
    const QString key = KeyOf(name, set);
    auto found = decoded.constFind(key);
    if (found == decoded.cend()) {
        Prefetch& prefetch = ThePrefetch();
        const Cache* batch = prefetch.batch.valid() ? &prefetch.batch.get() : nullptr;
        const auto prefetched = batch != nullptr ? batch->constFind(key) : Cache::const_iterator();
        found = decoded.insert(key, batch != nullptr && prefetched != batch->cend() ? *prefetched
                                                                                    : Decode(name, set));
    }
    if (found->error)
        std::rethrow_exception(found->error);
    return found->picture;
}
