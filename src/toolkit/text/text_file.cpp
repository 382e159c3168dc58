// Text files of single-byte lines, read whole and written through an atomic replace.
#include "toolkit/text/text_file.h"

#include "toolkit/text/errors.h"
#include "toolkit/text/files.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tk {

namespace {

constexpr char kEndOfFile = 26;
constexpr int kReadBeyondEnd = 100;
constexpr int kFileNotOpen = 103;
constexpr int kIoDeviceError = 1117; // the code of a device I/O error on the platform the codes come from

// The fault injection armed for the next writer.
struct WriteFault {
    int linesOk = -1;
    int systemErrno = 0;
};
WriteFault& PendingFault() {
    static WriteFault fault;
    return fault;
}

} // namespace

int IoErrorCode(int systemErrno) {
    switch (systemErrno) {
    case ENOENT:
        return 2;
    case ENOTDIR:
    case ENAMETOOLONG:
    case EINVAL:
    case ELOOP:
        return 3;
    case EMFILE:
    case ENFILE:
        return 4;
    case EACCES:
    case EPERM:
    case EROFS:
    case EISDIR:
    case ETXTBSY:
        return 5;
    case ENOSPC:
    case EDQUOT:
    case EFBIG:
        return 101;
    case EIO:
        return kIoDeviceError;
    default:
        return systemErrno;
    }
}

void RaiseIoError(int systemErrno) {
    const int code = IoErrorCode(systemErrno);
    throw EInOutError(code, texts::IoError(code));
}

namespace {
[[noreturn]] void RaiseCode(int code) {
    throw EInOutError(code, texts::IoError(code));
}
} // namespace

TextFileReader::TextFileReader(const QString& path) {
    const QByteArray native = EncodeFileName(path);
    // Non-blocking, so that a pipe with no writer cannot hang the program; it is refused below anyway.
    const int fd = ::open(native.constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        RaiseIoError(errno);
    struct stat info {};
    if (::fstat(fd, &info) != 0) {
        const int error = errno;
        ::close(fd);
        RaiseIoError(error);
    }
    if (!S_ISREG(info.st_mode)) {
        // A folder (or a device) is not a text file: refuse it rather than read nothing.
        ::close(fd);
        RaiseIoError(S_ISDIR(info.st_mode) ? EISDIR : EACCES);
    }
    char chunk[64 * 1024];
    for (;;) {
        const ssize_t got = ::read(fd, chunk, sizeof chunk);
        if (got < 0) {
            if (errno == EINTR)
                continue;
            const int error = errno;
            ::close(fd);
            RaiseIoError(error);
        }
        if (got == 0)
            break;
        data_.append(chunk, got);
        // Byte 26 ends the text; nothing after it is needed.
        if (data_.indexOf(kEndOfFile, data_.size() - got) >= 0)
            break;
    }
    ::close(fd);
    const qsizetype eof = data_.indexOf(kEndOfFile);
    end_ = eof >= 0 ? eof : data_.size();
}

TextFileReader::~TextFileReader() = default;

bool TextFileReader::AtEnd() const {
    return pos_ >= end_;
}

QByteArray TextFileReader::ReadLine() {
    if (end_ < 0)
        RaiseCode(kFileNotOpen);
    if (AtEnd())
        RaiseCode(kReadBeyondEnd);
    qsizetype lf = data_.indexOf('\n', pos_);
    if (lf < 0 || lf > end_)
        lf = end_;
    QByteArray line;
    line.reserve(lf - pos_);
    for (qsizetype i = pos_; i < lf; ++i) {
        if (data_[i] != '\r')
            line += data_[i];
    }
    pos_ = lf < end_ ? lf + 1 : end_;
    return line;
}

void TextFileReader::Close() {
    data_.clear();
    pos_ = 0;
    end_ = -1; // closed: reading now fails
}

TextFileWriter::TextFileWriter(const QString& path) : path_(path) {
    WriteFault& pending = PendingFault();
    faultAfterLines_ = pending.linesOk;
    faultErrno_ = pending.systemErrno;
    pending = WriteFault{};

    // QSaveFile would refuse a folder with no system error to report; say what it is.
    if (QFileInfo(path).isDir())
        Fail(EISDIR);
    file_ = std::make_unique<QSaveFile>(path);
    // Never fall back to writing the target in place: that is what loses the old file on a full disk.
    file_->setDirectWriteFallback(false);
    errno = 0;
    if (!file_->open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        Fail(errno != 0 ? errno : EIO);
}

TextFileWriter::~TextFileWriter() = default; // an uncommitted QSaveFile removes its temporary file

void TextFileWriter::Fail(int systemErrno) {
    failedWith_ = systemErrno;
    if (file_)
        file_->cancelWriting();
    RaiseIoError(systemErrno);
}

void TextFileWriter::WriteLine(const QByteArray& line) {
    if (failedWith_ != 0)
        RaiseIoError(failedWith_);
    if (!file_)
        RaiseCode(kFileNotOpen);
    if (faultAfterLines_ >= 0 && linesWritten_ >= faultAfterLines_)
        Fail(faultErrno_);
    // Straight to the temporary file's descriptor: QSaveFile's own buffered writes lose the errno,
    // and a failure in its final flush does not stop commit() from replacing the old file.
    const QByteArray bytes = line + "\r\n";
    const int fd = file_->handle();
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t wrote =
            ::write(fd, bytes.constData() + done, static_cast<std::size_t>(bytes.size() - done));
        if (wrote < 0 && errno == EINTR)
            continue;
        if (wrote <= 0)
            Fail(wrote < 0 ? errno : ENOSPC);
        done += wrote;
    }
    ++linesWritten_;
}

void TextFileWriter::Close() {
    if (failedWith_ != 0)
        RaiseIoError(failedWith_);
    if (!file_)
        RaiseCode(kFileNotOpen);
    // Some file systems report a full disk only when the data is synced.
    if (::fsync(file_->handle()) != 0 && errno != EINVAL)
        Fail(errno);
    errno = 0;
    // commit() renames the temporary file over the target.
    if (!file_->commit())
        Fail(errno != 0 ? errno : EIO);
    file_.reset();

    // The rename lives in the folder: sync it too, so the new file is there after a power cut.
    const QString folder = QFileInfo(path_).absolutePath();
    const int fd = ::open(EncodeFileName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return; // the file is in place; a folder we cannot open cannot be synced either
    const bool synced = ::fsync(fd) == 0;
    const int error = errno;
    ::close(fd);
    // Some file systems cannot sync a folder (EINVAL); any other failure means the save may not last.
    if (!synced && error != EINVAL && error != EROFS) {
        failedWith_ = error;
        RaiseIoError(error);
    }
}

namespace testing {
void FailTextWritesAfter(int linesOk, int systemErrno) {
    PendingFault() = linesOk < 0 ? WriteFault{} : WriteFault{linesOk, systemErrno};
}
} // namespace testing

} // namespace tk
