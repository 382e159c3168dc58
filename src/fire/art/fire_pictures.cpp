#include "fire/art/fire_pictures.h"

#include "app/toolkit/errors.h"
#include "app/toolkit/jpeg.h"

#include <QFile>
#include <QHash>

QImage FirePicture(const QString& name) {
    // Several hotspots share a picture, and every further fire window shows the same ones: decode
    // each once and share the pixels (QImage is implicitly shared; nothing ever paints on them).
    static QHash<QString, QImage> decoded;
    if (const auto found = decoded.constFind(name); found != decoded.cend())
        return *found;
    QFile file(QStringLiteral(":/fire/%1.jpg").arg(name));
    if (!file.open(QIODevice::ReadOnly))
        throw tk::EPictureError(QStringLiteral("No picture named %1").arg(name));
    QImage picture = tk::DecodeJpeg(file.readAll());
    decoded.insert(name, picture);
    return picture;
}
