// The process's current directory and a file-exists test.
#pragma once

#include <QString>

namespace tk {

// The current directory, with no trailing separator except at the root.
QString GetCurrentDir();
// Raises EInOutError when the folder cannot be made current.
void SetCurrentDir(const QString& path);
// True for an existing file; false for a folder or nothing.
bool FileExists(const QString& path);
// The folder and the name joined by one separator.
QString JoinPath(const QString& folder, const QString& name);

} // namespace tk
