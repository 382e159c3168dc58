// SPDX-License-Identifier: GPL-3.0-or-later
// Puts a whole card set into its folder, or nothing at all.
#pragma once

#include <QByteArray>
#include <QString>

#include <filesystem>
#include <functional>
#include <vector>

namespace cardset {

// One file of the set: its name in the target and its bytes.
struct SetFile {
    QString name;
    QByteArray bytes;
};

// The files are written into a new folder beside the target (or inside it, where its parent takes
// no new folder) and moved into place at the end; a failure on the way removes what was written and
// the folders that were made for it, and puts back the files of an earlier set that was being
// replaced. `problem` receives the message of a failure.
class SetWriter {
public:
    SetWriter(const QString& target, std::function<void(const QString&)> problem);
    ~SetWriter();
    SetWriter(const SetWriter&) = delete;
    SetWriter& operator=(const SetWriter&) = delete;

    // `stale`: files of an earlier set in the target that the new one does not have; they go too.
    bool Write(const std::vector<SetFile>& files, const std::vector<QString>& stale = {});

private:
    bool CannotWrite(const QString& name, const QString& why);
    bool CannotMake(const QString& why);
    bool MakeParents();
    bool MakeStaging();
    bool MoveFolderIn();
    bool MoveFilesIn(const std::vector<SetFile>& files, const std::vector<QString>& stale);
    bool MoveAside(const QString& name);
    void Undo();

    QString shownTarget_;
    std::function<void(const QString&)> problem_;
    std::filesystem::path target_;
    bool targetExists_ = false;
    std::filesystem::path staging_;
    std::vector<std::filesystem::path> made_;   // parent folders this run made
    std::vector<std::filesystem::path> placed_; // files moved into an existing target
    std::vector<std::filesystem::path>
        replaced_; // an earlier set's files, moved aside into the staging folder
};

} // namespace cardset
