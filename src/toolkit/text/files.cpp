// The current directory and file tests, over the POSIX calls so that failures keep their errno.
#include "toolkit/text/files.h"

#include "toolkit/text/text_file.h"

#include <QDir>
#include <QFile>

#include <cerrno>
#include <sys/stat.h>
#include <unistd.h>

namespace tk {

namespace {

constexpr char16_t kEscapeBase = 0xDC00; // bytes 0x80..0xFF escape to U+DC80..U+DCFF

// The length of the valid UTF-8 sequence at p (at most end - p bytes), or 0 when there is none.
int ValidSequence(const unsigned char* p, const unsigned char* end, char32_t& code) {
    const unsigned char lead = p[0];
    int length = 0;
    char32_t min = 0;
    if (lead < 0x80) {
        code = lead;
        return 1;
    } else if ((lead & 0xE0) == 0xC0) {
        length = 2, code = lead & 0x1F, min = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
        length = 3, code = lead & 0x0F, min = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
        length = 4, code = lead & 0x07, min = 0x10000;
    } else {
        return 0;
    }
    if (end - p < length)
        return 0;
    for (int i = 1; i < length; ++i) {
        if ((p[i] & 0xC0) != 0x80)
            return 0;
        code = (code << 6) | (p[i] & 0x3F);
    }
    // Overlong forms, encoded surrogates and code points past U+10FFFF are not valid UTF-8.
    if (code < min || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF))
        return 0;
    return length;
}

bool IsEscapedByte(char16_t c) {
    return c >= kEscapeBase + 0x80 && c <= kEscapeBase + 0xFF;
}

} // namespace

QString DecodeFileName(const QByteArray& bytes) {
    QString name;
    name.reserve(bytes.size());
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.constData());
    const auto* end = p + bytes.size();
    while (p < end) {
        char32_t code = 0;
        const int length = ValidSequence(p, end, code);
        if (length == 0) {
            name.append(QChar(static_cast<char16_t>(kEscapeBase + *p)));
            ++p;
            continue;
        }
        if (code >= 0x10000) {
            name.append(QChar(QChar::highSurrogate(code)));
            name.append(QChar(QChar::lowSurrogate(code)));
        } else {
            name.append(QChar(static_cast<char16_t>(code)));
        }
        p += length;
    }
    return name;
}

QByteArray EncodeFileName(const QString& name) {
    QByteArray bytes;
    bytes.reserve(name.size());
    const qsizetype size = name.size();
    for (qsizetype i = 0; i < size; ++i) {
        const char16_t c = name.at(i).unicode();
        if (IsEscapedByte(c)) {
            bytes.append(static_cast<char>(c - kEscapeBase));
            continue;
        }
        char32_t code = c;
        if (QChar::isHighSurrogate(c) && i + 1 < size && QChar::isLowSurrogate(name.at(i + 1).unicode()))
            code = QChar::surrogateToUcs4(c, name.at(++i).unicode());
        else if (QChar::isSurrogate(c))
            code = 0xFFFD; // a lone surrogate that no byte escapes to has no bytes of its own
        if (code < 0x80) {
            bytes.append(static_cast<char>(code));
        } else if (code < 0x800) {
            bytes.append(static_cast<char>(0xC0 | (code >> 6)));
            bytes.append(static_cast<char>(0x80 | (code & 0x3F)));
        } else if (code < 0x10000) {
            bytes.append(static_cast<char>(0xE0 | (code >> 12)));
            bytes.append(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
            bytes.append(static_cast<char>(0x80 | (code & 0x3F)));
        } else {
            bytes.append(static_cast<char>(0xF0 | (code >> 18)));
            bytes.append(static_cast<char>(0x80 | ((code >> 12) & 0x3F)));
            bytes.append(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
            bytes.append(static_cast<char>(0x80 | (code & 0x3F)));
        }
    }
    return bytes;
}

QString DisplayFileName(const QString& name) {
    QString shown = name;
    for (QChar& c : shown) {
        if (IsEscapedByte(c.unicode()))
            c = QChar::ReplacementCharacter;
    }
    return shown;
}

QString GetCurrentDir() {
    // getcwd keeps the bytes; QDir::currentPath would turn a name that is not UTF-8 into "?".
    QByteArray buffer(4096, Qt::Uninitialized);
    while (::getcwd(buffer.data(), static_cast<std::size_t>(buffer.size())) == nullptr) {
        if (errno != ERANGE)
            return QDir::currentPath();
        buffer.resize(buffer.size() * 2);
    }
    QString dir = DecodeFileName(QByteArray(buffer.constData()));
    while (dir.size() > 1 && dir.endsWith(QLatin1Char('/')))
        dir.chop(1);
    return dir;
}

void SetCurrentDir(const QString& path) {
    const QByteArray native = EncodeFileName(path);
    if (::chdir(native.constData()) != 0)
        RaiseIoError(errno);
}

bool FileExists(const QString& path) {
    if (path.isEmpty())
        return false;
    struct stat info {};
    // Only a regular file counts: a folder does not, nor a pipe or device that reading would hang on.
    return ::stat(EncodeFileName(path).constData(), &info) == 0 && S_ISREG(info.st_mode);
}

QString JoinPath(const QString& folder, const QString& name) {
    if (folder.isEmpty())
        return name;
    if (folder.endsWith(QLatin1Char('/')))
        return folder + name;
    return folder + QLatin1Char('/') + name;
}

} // namespace tk
