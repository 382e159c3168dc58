// SPDX-License-Identifier: GPL-3.0-or-later
#include "fire/art/fire_pictures.h"

#include "toolkit/pictures/jpeg.h"
#include "toolkit/text/errors.h"

#include <QHash>
#include <QResource>
#include <QtMath>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <exception>
#include <future>
#include <memory>
#include <mutex>
#include <vector>

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

// The start-up batch: every embedded picture of one set, decoded by a worker thread. The worker
// decodes the thumbnails, which the start panel shows, and then waits until the first other
// picture is asked for: until the window is on the screen, the user-interface thread needs both
// cores more than the pictures. Whoever asks for a picture the worker is decoding waits for it.
// The table is made before the worker starts and is not changed after.
struct Prefetch {
    struct Picture {
        QString name;
        FirePictureSet set;
        std::atomic<bool> claimed{false};
        std::promise<Decoded> result;
        std::shared_future<Decoded> ready = result.get_future().share();
        bool thumbnail = false;

        void DecodeUnlessClaimed() {
            if (!claimed.exchange(true))
                result.set_value(Decode(name, set));
        }
    };
    std::once_flag started;
    std::vector<std::unique_ptr<Picture>> pictures; // the thumbnails first
    QHash<QString, Picture*> byKey;
    std::promise<void> go;
    std::once_flag goGiven;
    std::atomic<bool> stopping{false};
    std::future<void> worker;

    void Go() {
        std::call_once(goGiven, [this] { go.set_value(); });
    }
    ~Prefetch() {
        // The program ends: the worker stops after its picture.
        stopping = true;
        Go();
        if (worker.valid())
            worker.wait();
    }
};

Prefetch& ThePrefetch() {
    static Prefetch prefetch;
    return prefetch;
}

bool IsThumbnail(const PictureSize& entry) {
    const auto houses = AllHouseArt();
    return std::any_of(houses.begin(), houses.end(),
                       [&](const HouseArt& art) { return std::strcmp(art.thumbnail, entry.name) == 0; });
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
        const auto sizes = FirePictureSizes();
        std::vector<PictureSize> order(sizes.begin(), sizes.end());
        std::stable_partition(order.begin(), order.end(), IsThumbnail);
        for (const PictureSize& entry : order) {
            auto picture = std::make_unique<Prefetch::Picture>();
            picture->name = QLatin1String(entry.name);
            picture->set = set;
            picture->thumbnail = IsThumbnail(entry);
            prefetch.byKey.insert(KeyOf(picture->name, set), picture.get());
            prefetch.pictures.push_back(std::move(picture));
        }
        prefetch.worker = std::async(std::launch::async, [&prefetch, go = prefetch.go.get_future()] {
            for (const auto& picture : prefetch.pictures) {
                if (!picture->thumbnail)
                    go.wait();
                if (prefetch.stopping)
                    return;
                picture->DecodeUnlessClaimed();
            }
        });
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
        Prefetch::Picture* const prefetched = prefetch.byKey.value(key);
        if (prefetched == nullptr) {
            found = decoded.insert(key, Decode(name, set));
        } else {
            // A thumbnail the worker has not reached yet is decoded here, so the first paint never
            // waits for the worker to start. The rest is the worker's alone: it is asked for just
            // after the first paint, while the window system still needs a core to show it.
            if (prefetched->thumbnail)
                prefetched->DecodeUnlessClaimed();
            else
                prefetch.Go();
            found = decoded.insert(key, prefetched->ready.get());
        }
    }
    if (found->error)
        std::rethrow_exception(found->error);
    return found->picture;
}
