// SPDX-License-Identifier: GPL-3.0-or-later
// The errors the program raises: each carries the text the player sees in the error box.
#pragma once

#include <QString>

#include <exception>
#include <string>

namespace tk {

class Error : public std::exception {
public:
    explicit Error(QString text) : text_(std::move(text)), utf8_(text_.toStdString()) {}
    const QString& Text() const { return text_; }
    const char* what() const noexcept override { return utf8_.c_str(); }

private:
    QString text_;
    std::string utf8_;
};

// Text to integer failed: "'%s' is not a valid integer value".
class EConvertError : public Error {
public:
    using Error::Error;
};

// A text file operation failed; Code() is the program's I/O error code (2, 3, 4, 5, 100, 101, 106, ...).
class EInOutError : public Error {
public:
    EInOutError(int code, QString text) : Error(std::move(text)), code_(code) {}
    int Code() const { return code_; }

private:
    int code_;
};

// Picture loading failed (cannot open, unknown extension, JPEG error). The kind says what is wrong in
// words a person understands; the detail is the library's or the system's own text. Unsupported is
// a valid JPEG of a kind the library does not decode (12-bit samples, lossless, hierarchical).
class EPictureError : public Error {
public:
    enum class Kind { Unreadable, NotJpeg, Damaged, TooLarge, Unsupported };
    explicit EPictureError(QString text, Kind kind = Kind::Damaged, QString detail = {})
        : Error(std::move(text)), kind_(kind), detail_(std::move(detail)) {}
    Kind GetKind() const { return kind_; }
    const QString& Detail() const { return detail_; }

private:
    Kind kind_;
    QString detail_;
};

// An operation misused at run time ("Cannot make a visible window modal", focus on a hidden control).
class EInvalidOperation : public Error {
public:
    using Error::Error;
};

// The system refused a resource ("Not enough timers available").
class EOutOfResources : public Error {
public:
    using Error::Error;
};

// The texts, each in one place.
namespace texts {
QString InvalidInteger(const QString& text);
QString IoError(int code);
QString CannotOpenFile(const QString& path, const QString& systemText);
QString UnknownPictureExtension(const QString& extension);
QString JpegError(int code);
inline const char* const kCannotMakeVisibleModal = "Cannot make a visible window modal";
inline const char* const kCannotFocus = "Cannot focus a disabled or invisible window";
inline const char* const kNotEnoughTimers = "Not enough timers available";
} // namespace texts

// The text as the error box shows it: a full stop is added when the last character sorts after ".".
QString ErrorBoxText(const QString& text);

} // namespace tk
