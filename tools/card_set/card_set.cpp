#include "card_set.h"

#include "toolkit/pictures/jpeg.h"
#include "toolkit/pictures/jpeg_writer.h"
#include "toolkit/text/errors.h"
#include "toolkit/text/files.h"

#include <QFile>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <string>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>
#include <vector>

namespace cardset {

namespace {

namespace fs = std::filesystem;

const char* const kBackName = "znak.jpg";
const char* const kBackResource = ":/pexeso-karty/znak.jpg";

QString Quoted(const QString& path) {
    return QStringLiteral("„") + tk::DisplayFileName(path) + QStringLiteral("“");
}

fs::path NativePath(const QString& path) {
    return fs::path(tk::EncodeFileName(path).toStdString());
}

QString FromNative(const std::string& bytes) {
    return tk::DecodeFileName(QByteArray::fromStdString(bytes));
}

bool IsJpegName(const std::string& name) {
    const auto dot = name.rfind('.');
    if (dot == std::string::npos || dot == 0)
        return false;
    std::string extension = name.substr(dot + 1);
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return static_cast<char>(c >= 'A' && c <= 'Z' ? c + 32 : c); });
    return extension == "jpg" || extension == "jpeg";
}

// The JPEG names of the folder in byte order (std::string compares as unsigned char). Raises
// fs::filesystem_error when the folder cannot be listed.
std::vector<std::string> JpegNames(const fs::path& folder) {
    std::vector<std::string> names;
    for (const fs::directory_entry& entry : fs::directory_iterator(folder)) {
        const std::string name = entry.path().filename().native();
        if (IsJpegName(name))
            names.push_back(name);
    }
    std::sort(names.begin(), names.end());
    return names;
}

// A photo as a card picture: upright, the largest centred square, reduced to kEdge x kEdge.
QImage CardPicture(const QString& path) {
    const QByteArray data = tk::ReadPictureFile(path);
    // Decoded at the smallest DCT scale that still covers the card in both directions, so a camera
    // photo of 4000 x 3000 is decoded at 500 x 375.
    const QImage decoded = tk::DecodeJpeg(data, QSize(kEdge, kEdge));
    const QImage photo = tk::OrientPicture(decoded, tk::JpegOrientation(data));
    const int side = std::min(photo.width(), photo.height());
    const QImage square = photo.copy((photo.width() - side) / 2, (photo.height() - side) / 2, side, side);
    return tk::ReducePicture(square, QSize(kEdge, kEdge));
}

// Writes the file beside its final name and renames it into place, so that a failure never
// leaves half a picture behind. Returns the system's error text, or an empty text.
QString WriteFile(const QString& path, const QByteArray& bytes) {
    const QByteArray final = tk::EncodeFileName(path);
    const QByteArray temporary = final + ".tmp";
    const int fd = ::open(temporary.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0)
        return QString::fromLocal8Bit(std::strerror(errno));
    qsizetype written = 0;
    while (written < bytes.size()) {
        const ssize_t n =
            ::write(fd, bytes.constData() + written, static_cast<std::size_t>(bytes.size() - written));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            const int error = errno;
            ::close(fd);
            ::unlink(temporary.constData());
            return QString::fromLocal8Bit(std::strerror(error));
        }
        written += n;
    }
    if (::close(fd) != 0 || ::rename(temporary.constData(), final.constData()) != 0) {
        const int error = errno;
        ::unlink(temporary.constData());
        return QString::fromLocal8Bit(std::strerror(error));
    }
    return {};
}

QString PictureName(int number) {
    return QString::number(number) + QStringLiteral(".jpg");
}

} // namespace

QString Usage() {
    return QStringLiteral(
               "Použití: pexeso-karty [--force] ZDROJ CÍL\n"
               "Udělá sadu karet pro pexeso ze složky fotografií ZDROJ: vezme prvních %1 fotografií JPEG\n"
               "(*.jpg, *.jpeg) podle jména, z každé vyřízne čtverec ze středu, zmenší ho na %2 × %2 bodů\n"
               "a uloží do složky CÍL jako 1.jpg až %1.jpg, k nim rub karet znak.jpg. Poškozené fotografie\n"
               "přeskočí. Sadu, která už ve složce CÍL je, přepíše jen s volbou --force.")
        .arg(kPictureCount)
        .arg(kEdge);
}

bool ParseArguments(const QStringList& arguments, Options* options, const Output& out) {
    QStringList paths;
    for (const QString& argument : arguments) {
        if (argument == QLatin1String("--force")) {
            options->force = true;
        } else if (argument == QLatin1String("--help") || argument == QLatin1String("-h")) {
            out.info(Usage());
            return false;
        } else if (argument.startsWith(QLatin1Char('-')) && argument.size() > 1) {
            out.problem(QStringLiteral("Neznámá volba %1.\n").arg(argument) + Usage());
            return false;
        } else {
            paths.append(argument);
        }
    }
    if (paths.size() != 2) {
        out.problem(Usage());
        return false;
    }
    options->source = paths[0];
    options->target = paths[1];
    return true;
}

Status MakeCardSet(const Options& options, const Output& out) {
    std::vector<std::string> names;
    try {
        names = JpegNames(NativePath(options.source));
    } catch (const fs::filesystem_error& error) {
        out.problem(QStringLiteral("Složku %1 nelze přečíst: %2.")
                        .arg(Quoted(options.source), QString::fromLocal8Bit(error.code().message().c_str())));
        return kSourceUnreadable;
    }

    if (!options.force) {
        for (int number = 0; number <= kPictureCount; ++number) {
            const QString name = number == 0 ? QString::fromLatin1(kBackName) : PictureName(number);
            if (tk::FileExists(tk::JoinPath(options.target, name))) {
                out.problem(
                    QStringLiteral("Ve složce %1 už sada karet je (%2). Přepsat ji lze volbou --force.")
                        .arg(Quoted(options.target), name));
                return kSetExists;
            }
        }
    }

    // How many photos there are, and when some could not be read, how many of them are usable.
    const auto tooFew = [&](const QString& counted) {
        out.problem(QStringLiteral("Fotografií JPEG ve složce %1: %2; sada jich potřebuje %3.")
                        .arg(Quoted(options.source), counted)
                        .arg(kPictureCount));
        return kTooFewPhotos;
    };
    if (names.size() < static_cast<std::size_t>(kPictureCount))
        return tooFew(QString::number(names.size()));

    std::vector<QByteArray> pictures;
    std::vector<QString> sources;
    for (const std::string& name : names) {
        if (pictures.size() == static_cast<std::size_t>(kPictureCount))
            break;
        const QString path = tk::JoinPath(options.source, FromNative(name));
        try {
            pictures.push_back(tk::EncodeJpeg(CardPicture(path), kQuality));
            sources.push_back(FromNative(name));
        } catch (const tk::Error& error) {
            out.problem(QStringLiteral("Přeskakuji %1: %2").arg(Quoted(FromNative(name)), error.Text()));
        }
    }
    if (pictures.size() < static_cast<std::size_t>(kPictureCount))
        return tooFew(QStringLiteral("%1 (použitelných %2)").arg(names.size()).arg(pictures.size()));

    QFile backFile(QString::fromLatin1(kBackResource));
    if (!backFile.open(QIODevice::ReadOnly))
        qFatal("the card back is not built into the program");
    const QByteArray back = backFile.readAll();

    std::error_code made;
    fs::create_directories(NativePath(options.target), made);
    if (made) {
        out.problem(QStringLiteral("Složku %1 nelze vytvořit: %2.")
                        .arg(Quoted(options.target), QString::fromLocal8Bit(made.message().c_str())));
        return kWriteFailed;
    }
    for (int number = 0; number <= kPictureCount; ++number) {
        const bool isBack = number == 0;
        const QString name = isBack ? QString::fromLatin1(kBackName) : PictureName(number);
        const QString path = tk::JoinPath(options.target, name);
        const QString error = WriteFile(path, isBack ? back : pictures[static_cast<std::size_t>(number - 1)]);
        if (!error.isEmpty()) {
            out.problem(QStringLiteral("Soubor %1 nelze zapsat: %2.").arg(Quoted(path), error));
            return kWriteFailed;
        }
        if (!isBack)
            out.info(QStringLiteral("%1 ← %2").arg(
                name, tk::DisplayFileName(sources[static_cast<std::size_t>(number - 1)])));
    }
    out.info(QStringLiteral("Sada karet je hotová ve složce %1.").arg(Quoted(options.target)));
    return kDone;
}

} // namespace cardset
