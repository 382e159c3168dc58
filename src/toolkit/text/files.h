// The process's current directory, a file-exists test, and file names kept as the bytes they are.
#pragma once

#include <QByteArray>
#include <QString>

namespace tk {

// A file name on this system is a string of bytes, not always valid UTF-8 (folders copied from old
// Windows machines, unpacked zip files). Our paths are QStrings that keep every byte: valid UTF-8
// decodes as usual, and each byte that is not part of valid UTF-8 becomes the lone surrogate
// U+DC80 + (byte - 0x80), which EncodeFileName turns back into that byte.
QString DecodeFileName(const QByteArray& bytes);
QByteArray EncodeFileName(const QString& name);
// The name as the screen shows it: each byte that is not UTF-8 becomes the replacement character.
QString DisplayFileName(const QString& name);

// The current directory, with no trailing separator except at the root.
QString GetCurrentDir();
// Raises EInOutError when the folder cannot be made current.
void SetCurrentDir(const QString& path);
// True for an existing file; false for a folder or nothing.
bool FileExists(const QString& path);
// The folder and the name joined by one separator.
QString JoinPath(const QString& folder, const QString& name);

} // namespace tk
