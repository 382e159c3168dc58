// SPDX-License-Identifier: GPL-3.0-or-later
#include "fire/art/fire_pictures.h"

#include "toolkit/pictures/decode_ahead.h"
#include "toolkit/pictures/jpeg.h"
#include "toolkit/text/errors.h"

#include <QHash>
#include <QResource>
#include <QtMath>

#include <algorithm>
#include <cstring>
#include <memory>
#include <utility>
#include <vector>

namespace {

QImage DecodePicture(const QString& name, FirePictureSet set) {
    // QResource, not QFile: a pool thread makes no QObject of its own.
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
    return picture;
}

// A picture of one set, as the table knows it.
QString KeyOf(const QString& name, FirePictureSet set) {
    return set.scale == 1 ? name : QStringLiteral("%1@%2").arg(name).arg(set.ratio);
}

using Decode = tk::PictureDecode<QImage>;
using Decodes = std::vector<std::shared_ptr<Decode>>;

// Every picture asked for, each decoded once (or failing each time with its own error), and the
// start-up batch: every embedded picture of one set, decoded ahead on the decode pool. The
// thumbnails, which the start panel shows, go first; the rest waits until the first of them is
// asked for: until the window is on the screen, the user-interface thread needs both cores more
// than the pictures. Touched only by the user-interface thread; the pool sees the decodes alone.
struct Pictures {
    QHash<QString, std::shared_ptr<Decode>> byKey;
    QHash<QString, bool> ahead; // the batch's pictures that are not thumbnails
    Decodes rest;               // waiting for the first of them to be asked for
    bool prefetched = false;
};

Pictures& ThePictures() {
    static Pictures pictures;
    return pictures;
}

bool IsThumbnail(const PictureSize& entry) {
    const auto houses = AllHouseArt();
    return std::any_of(houses.begin(), houses.end(),
                       [&](const HouseArt& art) { return std::strcmp(art.thumbnail, entry.name) == 0; });
}

std::shared_ptr<Decode> DecodeOf(const QString& name, FirePictureSet set) {
    return std::make_shared<Decode>([name, set] { return DecodePicture(name, set); });
}

} // namespace

FirePictureSet FirePictureSetFor(qreal devicePixelRatio) {
    if (devicePixelRatio <= 1)
        return {1, 1};
    return {2, devicePixelRatio};
}

void PrefetchFirePictures(qreal devicePixelRatio) {
    Pictures& pictures = ThePictures();
    if (std::exchange(pictures.prefetched, true))
        return;
    const FirePictureSet set = FirePictureSetFor(devicePixelRatio);
    Decodes thumbnails;
    for (const PictureSize& entry : FirePictureSizes()) {
        const QString name = QLatin1String(entry.name);
        if (pictures.byKey.contains(KeyOf(name, set)))
            continue; // asked for already
        auto decode = DecodeOf(name, set);
        pictures.byKey.insert(KeyOf(name, set), decode);
        if (IsThumbnail(entry)) {
            thumbnails.push_back(decode);
        } else {
            pictures.rest.push_back(decode);
            pictures.ahead.insert(KeyOf(name, set), true);
        }
    }
    tk::DecodeInOrder(std::move(thumbnails));
}

QImage FirePicture(const QString& name, qreal devicePixelRatio) {
    // Several hotspots share a picture, and every further fire window shows the same ones: decode
    // each once and share the pixels (QImage is implicitly shared; nothing ever paints on them).
    // A window on a screen of another ratio than the batch's gets its own set, decoded here.
    Pictures& pictures = ThePictures();
    const FirePictureSet set = FirePictureSetFor(devicePixelRatio);
    const QString key = KeyOf(name, set);
    std::shared_ptr<Decode>& decode = pictures.byKey[key];
    if (decode == nullptr)
        decode = DecodeOf(name, set);
    if (!pictures.ahead.value(key))
        return decode->Get(); // a thumbnail the pool has not reached yet is decoded here
    // The rest is the pool's alone: it is asked for just after the first paint, while the window
    // system still needs a core to show it, so it is decoded on one pool thread in turn.
    if (!pictures.rest.empty())
        tk::DecodeInOrder(std::exchange(pictures.rest, {}));
    return decode->Wait();
}
