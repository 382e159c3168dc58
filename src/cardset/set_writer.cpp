// SPDX-License-Identifier: GPL-3.0-or-later
#include "cardset/set_writer.h"

#include "cardset/card_set.h"

#include "toolkit/text/files.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>

namespace cardset {

namespace {

namespace fs = std::filesystem;

fs::path NativePath(const QString& path) {
    return fs::path(tk::EncodeFileName(path).toStdString());
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

} // namespace

QString Quoted(const QString& path) {
    return QStringLiteral("„") + tk::EscapedFileName(path) + QStringLiteral("“");
}

SetWriter::SetWriter(const QString& target, std::function<void(const QString&)> problem)
    : shownTarget_(target), problem_(std::move(problem)) {
    target_ = NativePath(target).lexically_normal();
    if (!target_.has_filename())
        target_ = target_.parent_path();
}

SetWriter::~SetWriter() {
    Undo();
}

bool SetWriter::Write(const std::vector<SetFile>& files, const std::vector<QString>& stale) {
    std::error_code error;
    targetExists_ = fs::is_directory(target_, error);
    if (!MakeParents() || !MakeStaging())
        return false;
    for (const SetFile& file : files) {
        const QString failed = WriteFile(staging_ / NativePath(file.name), file.bytes);
        if (!failed.isEmpty())
            return CannotWrite(file.name, failed);
    }
    if (!(targetExists_ ? MoveFilesIn(files, stale) : MoveFolderIn()))
        return false;
    fs::remove_all(staging_, error); // what is left there is an earlier set's replaced files
    staging_.clear();
    made_.clear();
    return true;
}

bool SetWriter::CannotWrite(const QString& name, const QString& why) {
    problem_(
        QStringLiteral("Soubor %1 nelze zapsat: %2.").arg(Quoted(tk::JoinPath(shownTarget_, name)), why));
    return false;
}

bool SetWriter::CannotMake(const QString& why) {
    problem_(QStringLiteral("Složku %1 nelze vytvořit: %2.").arg(Quoted(shownTarget_), why));
    return false;
}

// The target's missing parent folders, made outermost first and remembered for an undo.
bool SetWriter::MakeParents() {
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

bool SetWriter::MakeStaging() {
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
bool SetWriter::MoveFolderIn() {
    const mode_t mask = ::umask(0);
    ::umask(mask);
    if (::chmod(staging_.c_str(), 0777 & ~mask) != 0 || ::rename(staging_.c_str(), target_.c_str()) != 0)
        return CannotMake(SystemText(errno));
    staging_.clear();
    return true;
}

// An earlier set's file moved into the staging folder, from where an undo puts it back.
bool SetWriter::MoveAside(const QString& name) {
    const fs::path native = NativePath(name);
    const fs::path old = staging_ / (native.native() + ".old");
    if (::rename((target_ / native).c_str(), old.c_str()) == 0)
        replaced_.push_back(native);
    else if (errno != ENOENT)
        return CannotWrite(name, SystemText(errno));
    return true;
}

// An existing target: the files one by one, an earlier set's files first moved aside.
bool SetWriter::MoveFilesIn(const std::vector<SetFile>& files, const std::vector<QString>& stale) {
    for (const QString& name : stale)
        if (!MoveAside(name))
            return false;
    for (const SetFile& file : files) {
        const fs::path name = NativePath(file.name);
        if (!MoveAside(file.name))
            return false;
        if (::rename((staging_ / name).c_str(), (target_ / name).c_str()) != 0)
            return CannotWrite(file.name, SystemText(errno));
        placed_.push_back(name);
    }
    placed_.clear();
    replaced_.clear();
    return true;
}

void SetWriter::Undo() {
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

} // namespace cardset
