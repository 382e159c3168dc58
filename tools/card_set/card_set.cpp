// SPDX-License-Identifier: GPL-3.0-or-later
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

// A name as the terminal can show it: bytes that are not UTF-8 escaped, never lost.
QString Printable(const QString& name) {
    return tk::EscapedFileName(name);
}

QString Quoted(const QString& path) {
    return QStringLiteral("„") + Printable(path) + QStringLiteral("“");
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

QString SystemText(int error) {
    return QString::fromLocal8Bit(std::strerror(error));
}

// Writes a new file whole. Returns the system's error text, or an empty text.
QString WriteFile(const fs::path& path, const QByteArray& bytes) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (fd < 0)
        return SystemText(errno);
    qsizetype written = 0;
    while (written < bytes.size()) {
        const ssize_t n =
            ::write(fd, bytes.constData() + written, static_cast<std::size_t>(bytes.size() - written));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            const int error = errno;
            ::close(fd);
            return SystemText(error);
        }
        written += n;
    }
    return ::close(fd) == 0 ? QString() : SystemText(errno);
}

// One file of the set: its name in the target and its bytes.
struct SetFile {
    QString name;
    QByteArray bytes;
};

// Puts a whole set into the target or nothing at all. The files are written into a new folder beside
// the target (or inside it, where its parent takes no new folder) and moved into place at the end;
// a failure on the way removes what was written and the folders that were made for it, and puts back
// the files of an earlier set that --force was replacing.
class SetWriter {
public:
    SetWriter(const QString& target, const Output& out) : shownTarget_(target), out_(out) {
        target_ = NativePath(target).lexically_normal();
        if (!target_.has_filename())
            target_ = target_.parent_path();
    }
    ~SetWriter() { Undo(); }

    bool Write(const std::vector<SetFile>& files) {
        std::error_code error;
        targetExists_ = fs::is_directory(target_, error);
        if (!MakeParents() || !MakeStaging())
            return false;
        for (const SetFile& file : files) {
            const QString failed = WriteFile(staging_ / NativeName(file.name), file.bytes);
            if (!failed.isEmpty())
                return CannotWrite(file.name, failed);
        }
        if (!(targetExists_ ? MoveFilesIn(files) : MoveFolderIn()))
            return false;
        fs::remove_all(staging_, error); // what is left there is an earlier set's replaced files
        staging_.clear();
        made_.clear();
        return true;
    }

private:
    static fs::path NativeName(const QString& name) { return NativePath(name); }

    bool CannotWrite(const QString& name, const QString& why) {
        out_.problem(
            QStringLiteral("Soubor %1 nelze zapsat: %2.").arg(Quoted(tk::JoinPath(shownTarget_, name)), why));
        return false;
    }
    bool CannotMake(const QString& why) {
        out_.problem(QStringLiteral("Složku %1 nelze vytvořit: %2.").arg(Quoted(shownTarget_), why));
        return false;
    }

    // The target's missing parent folders, made outermost first and remembered for an undo.
    bool MakeParents() {
        if (targetExists_)
            return true;
        std::vector<fs::path> missing;
        std::error_code error;
        for (fs::path folder = target_.parent_path(); !folder.empty() && !fs::exists(folder, error);
             folder = folder.parent_path()) {
            missing.push_back(folder);
            if (folder == folder.parent_path())
                break;
        }
        for (auto it = missing.rbegin(); it != missing.rend(); ++it) {
            if (::mkdir(it->c_str(), 0777) != 0)
                return CannotMake(SystemText(errno));
            made_.push_back(*it);
        }
        return true;
    }

    bool MakeStaging() {
        const fs::path parent = target_.has_parent_path() ? target_.parent_path() : fs::path(".");
        for (const fs::path& place : {parent, target_}) {
            if (place == target_ && !targetExists_)
                break;
            std::string pattern = (place / ".pexeso-karty-XXXXXX").native();
            if (::mkdtemp(pattern.data()) != nullptr) {
                staging_ = pattern;
                return true;
            }
        }
        return CannotMake(SystemText(errno));
    }

    // A new target: the staging folder becomes it, with the permissions a new folder gets.
    bool MoveFolderIn() {
        const mode_t mask = ::umask(0);
        ::umask(mask);
        if (::chmod(staging_.c_str(), 0777 & ~mask) != 0 || ::rename(staging_.c_str(), target_.c_str()) != 0)
            return CannotMake(SystemText(errno));
        staging_.clear();
        return true;
    }

    // An existing target: the files one by one, an earlier set's files first moved aside.
    bool MoveFilesIn(const std::vector<SetFile>& files) {
        for (const SetFile& file : files) {
            const fs::path name = NativeName(file.name);
            const fs::path old = staging_ / (name.native() + ".old");
            if (::rename((target_ / name).c_str(), old.c_str()) == 0)
                replaced_.push_back(name);
            else if (errno != ENOENT)
                return CannotWrite(file.name, SystemText(errno));
            if (::rename((staging_ / name).c_str(), (target_ / name).c_str()) != 0)
                return CannotWrite(file.name, SystemText(errno));
            placed_.push_back(name);
        }
        placed_.clear();
        replaced_.clear();
        return true;
    }

    void Undo() {
        for (const fs::path& name : placed_)
            ::rename((target_ / name).c_str(), (staging_ / name).c_str());
        for (const fs::path& name : replaced_)
            ::rename((staging_ / (name.native() + ".old")).c_str(), (target_ / name).c_str());
        std::error_code error;
        if (!staging_.empty())
            fs::remove_all(staging_, error);
        for (auto it = made_.rbegin(); it != made_.rend(); ++it)
            ::rmdir(it->c_str());
    }

    QString shownTarget_;
    const Output& out_;
    fs::path target_;
    bool targetExists_ = false;
    fs::path staging_;
    std::vector<fs::path> made_;     // parent folders this run made
    std::vector<fs::path> placed_;   // files moved into an existing target
    std::vector<fs::path> replaced_; // an earlier set's files, moved aside into the staging folder
};

// Why a photo is skipped, in the words a parent reads.
QString WhatIsWrong(const tk::EPictureError& error) {
    switch (error.GetKind()) {
    case tk::EPictureError::Kind::NotJpeg:
        return QStringLiteral("není to obrázek JPEG");
    case tk::EPictureError::Kind::TooLarge:
        return QStringLiteral("obrázek je příliš velký, nelze ho přečíst");
    case tk::EPictureError::Kind::Unreadable:
        return QStringLiteral("soubor nelze přečíst");
    case tk::EPictureError::Kind::Damaged:
        break;
    }
    return QStringLiteral("obrázek je poškozený");
}

QString PictureName(int number) {
    return QString::number(number) + QStringLiteral(".jpg");
}

} // namespace

QString Usage() {
    return QStringLiteral(
               "Použití: pexeso-karty [--force] [--verbose] ZDROJ CÍL\n"
               "Udělá sadu karet pro pexeso ze složky fotografií ZDROJ: vezme prvních %1 fotografií JPEG\n"
               "(*.jpg, *.jpeg) podle jména, z každé vyřízne čtverec ze středu, zmenší ho na %2 × %2 bodů\n"
               "a uloží do složky CÍL jako 1.jpg až %1.jpg, k nim rub karet znak.jpg. Poškozené fotografie\n"
               "přeskočí. Sadu, která už ve složce CÍL je, přepíše jen s volbou --force. S volbou --verbose\n"
               "řekne u přeskočené fotografie i hlášení knihovny libjpeg nebo systému.")
        .arg(kPictureCount)
        .arg(kEdge);
}

bool ParseArguments(const QStringList& arguments, Options* options, const Output& out) {
    QStringList paths;
    for (const QString& argument : arguments) {
        if (argument == QLatin1String("--force")) {
            options->force = true;
        } else if (argument == QLatin1String("--verbose")) {
            options->verbose = true;
        } else if (argument == QLatin1String("--help") || argument == QLatin1String("-h")) {
            out.info(Usage());
            return false;
        } else if (argument.startsWith(QLatin1Char('-')) && argument.size() > 1) {
            out.problem(QStringLiteral("Neznámá volba %1.\n").arg(Printable(argument)) + Usage());
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
        } catch (const tk::EPictureError& error) {
            QString text =
                QStringLiteral("Přeskakuji %1: %2.").arg(Quoted(FromNative(name)), WhatIsWrong(error));
            if (options.verbose)
                text += QStringLiteral(" (%1)").arg(error.Detail());
            out.problem(text);
        }
    }
    if (pictures.size() < static_cast<std::size_t>(kPictureCount))
        return tooFew(QStringLiteral("%1 (použitelných %2)").arg(names.size()).arg(pictures.size()));

    QFile backFile(QString::fromLatin1(kBackResource));
    if (!backFile.open(QIODevice::ReadOnly))
        qFatal("the card back is not built into the program");
    const QByteArray back = backFile.readAll();

    std::vector<SetFile> files{{QString::fromLatin1(kBackName), back}};
    for (int number = 1; number <= kPictureCount; ++number)
        files.push_back({PictureName(number), pictures[static_cast<std::size_t>(number - 1)]});
    if (!SetWriter(options.target, out).Write(files))
        return kWriteFailed;
    for (int number = 1; number <= kPictureCount; ++number)
        out.info(QStringLiteral("%1 ← %2").arg(PictureName(number),
                                               Printable(sources[static_cast<std::size_t>(number - 1)])));
    out.info(QStringLiteral("Sada karet je hotová ve složce %1.").arg(Quoted(options.target)));
    return kDone;
}

} // namespace cardset
