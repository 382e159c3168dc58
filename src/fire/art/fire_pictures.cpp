#include "fire/art/fire_pictures.h"

#include "app/toolkit/errors.h"
#include "app/toolkit/jpeg.h"

#include <QFile>

QImage FirePicture(const QString& name) {
    QFile file(QStringLiteral(":/fire/%1.jpg").arg(name));
    if (!file.open(QIODevice::ReadOnly))
        throw tk::EPictureError(QStringLiteral("No picture named %1").arg(name));
    return tk::DecodeJpeg(file.readAll());
}
