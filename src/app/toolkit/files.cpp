// The current directory and file tests, over the POSIX calls so that failures keep their errno.
#include "app/toolkit/files.h"

#include "app/toolkit/text_file.h"

#include <QDir>
#include <QFile>

#include <cerrno>
#include <sys/stat.h>
#include <unistd.h>

namespace tk {

QString GetCurrentDir() {
    QString dir = QDir::currentPath();
    while (dir.size() > 1 && dir.endsWith(QLatin1Char('/')))
        dir.chop(1);
    return dir;
}

void SetCurrentDir(const QString& path) {
    const QByteArray native = QFile::encodeName(path);
    if (::chdir(native.constData()) != 0)
        RaiseIoError(errno);
}

bool FileExists(const QString& path) {
    if (path.isEmpty())
        return false;
    struct stat info {};
    // Only a regular file counts: a folder does not, nor a pipe or device that reading would hang on.
    return ::stat(QFile::encodeName(path).constData(), &info) == 0 && S_ISREG(info.st_mode);
}

QString JoinPath(const QString& folder, const QString& name) {
    if (folder.isEmpty())
        return name;
    if (folder.endsWith(QLatin1Char('/')))
        return folder + name;
    return folder + QLatin1Char('/') + name;
}

} // namespace tk
