// Text files of single-byte lines. Lines are written with CR LF; a line read is the text up to
// the next LF with every CR left out, and byte 26 ends the file. Failures raise EInOutError with
// the program's I/O error codes.
#pragma once

#include <QByteArray>
#include <QString>

#include <memory>

class QFile;
class QSaveFile;

namespace tk {

// The program's code for a system error number (ENOENT gives 2, EACCES 5, ENOSPC 101, ...).
int IoErrorCode(int systemErrno);
// Raises the EInOutError for a system error number.
[[noreturn]] void RaiseIoError(int systemErrno);

// Reads a text file line by line.
class TextFileReader {
public:
    // Opens the file for reading; raises EInOutError ("File not found", ...).
    explicit TextFileReader(const QString& path);
    ~TextFileReader();
    // True when no line is left: at the end of the file or at byte 26.
    bool AtEnd() const;
    // The next line without its line end. Raises EInOutError ("Read beyond end of file") at the end.
    QByteArray ReadLine();
    void Close();

private:
    QByteArray data_;
    qsizetype pos_ = 0;
    qsizetype end_ = 0;
};

// Writes a text file anew. The new content goes to a temporary file beside the target, which
// replaces the target in one atomic step on Close (after flushing file and folder to disk), so a
// failure at any point leaves the previous file whole.
class TextFileWriter {
public:
    // Raises EInOutError when the file cannot be created.
    explicit TextFileWriter(const QString& path);
    ~TextFileWriter();  // discards the new content unless Close succeeded
    // Writes the bytes and CR LF. Raises EInOutError.
    void WriteLine(const QByteArray& line);
    // Commits the file. Raises EInOutError; the old file is then untouched.
    void Close();

private:
    [[noreturn]] void Fail(int systemErrno);

    QString path_;
    std::unique_ptr<QSaveFile> file_;
    int linesWritten_ = 0;
    int faultAfterLines_ = -1;  // an injected failure (tk::testing) for this writer, -1 for none
    int faultErrno_ = 0;
    int failedWith_ = 0;  // errno of the first failure; later calls raise it again
};

namespace testing {
// Makes the writes of text files fail with the system error number once `linesOk` lines have been
// written by the next writer (a full disk half way through a save). -1 turns it off.
void FailTextWritesAfter(int linesOk, int systemErrno);
} // namespace testing

} // namespace tk
