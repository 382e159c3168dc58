// The texts of the program's errors, each in one place.
#include "toolkit/text/errors.h"

namespace tk {

namespace texts {

QString InvalidInteger(const QString& text) {
    return QStringLiteral("'") + text + QStringLiteral("' is not a valid integer value");
}

QString IoError(int code) {
    switch (code) {
    case 2:
        return QStringLiteral("File not found");
    case 3:
        return QStringLiteral("Invalid filename");
    case 4:
        return QStringLiteral("Too many open files");
    case 5:
        return QStringLiteral("File access denied");
    case 100:
        return QStringLiteral("Read beyond end of file");
    case 101:
        return QStringLiteral("Disk full");
    case 106:
        return QStringLiteral("Invalid numeric input");
    default:
        return QStringLiteral("I/O error ") + QString::number(code);
    }
}

QString CannotOpenFile(const QString& path, const QString& systemText) {
    return QStringLiteral("Cannot open file \"") + path + QStringLiteral("\". ") + systemText;
}

QString UnknownPictureExtension(const QString& extension) {
    return QStringLiteral("Unknown picture file extension (.") + extension + QStringLiteral(")");
}

QString JpegError(int code) {
    return QStringLiteral("JPEG error #") + QString::number(code);
}

} // namespace texts

QString ErrorBoxText(const QString& text) {
    if (!text.isEmpty() && text.back() > QLatin1Char('.'))
        return text + QLatin1Char('.');
    return text;
}

} // namespace tk
