#include "fire/art/fire_pictures.h"

#include "toolkit/pictures/jpeg.h"
#include "toolkit/text/errors.h"

#include <QHash>
#include <QResource>

#include <exception>
#include <future>
#include <mutex>

namespace {

// A picture's decoding: the pixels, or the error it failed with.
struct Decoded {
    QImage picture;
    std::exception_ptr error;
};

Decoded Decode(const QString& name) {
    try {
        // QResource, not QFile: a QObject made on the worker before the application object exists
        // would make Qt take the worker for the program's main thread.
        const QResource resource(QStringLiteral(":/fire/%1.jpg").arg(name));
        if (!resource.isValid())
            throw tk::EPictureError(QStringLiteral("No picture named %1").arg(name));
        return {tk::DecodeJpeg(resource.uncompressedData()), nullptr};
    } catch (...) {
        return {QImage(), std::current_exception()};
    }
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

void PrefetchFirePictures() {
    Prefetch& prefetch = ThePrefetch();
    std::call_once(prefetch.started, [&] {
        prefetch.batch = std::async(std::launch::async, [] {
                             Cache cache;
                             for (const PictureSize& entry : FirePictureSizes()) {
                                 const QString name = QLatin1String(entry.name);
                                 cache.insert(name, Decode(name));
                             }
                             return cache;
                         }).share();
    });
}

QImage FirePicture(const QString& name) {
    // Several hotspots share a picture, and every further fire window shows the same ones: decode
    // each once and share the pixels (QImage is implicitly shared; nothing ever paints on them).
    // A picture that failed fails again with its own error each time it is asked for.
    static Cache decoded;
    auto found = decoded.constFind(name);
    if (found == decoded.cend()) {
        Prefetch& prefetch = ThePrefetch();
        const Cache* batch = prefetch.batch.valid() ? &prefetch.batch.get() : nullptr;
        const auto prefetched = batch != nullptr ? batch->constFind(name) : Cache::const_iterator();
        found = decoded.insert(name,
                               batch != nullptr && prefetched != batch->cend() ? *prefetched : Decode(name));
    }
    if (found->error)
        std::rethrow_exception(found->error);
    return found->picture;
}
