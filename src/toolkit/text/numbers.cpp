// Integer and real numbers as text.
#include "toolkit/text/numbers.h"

#include "toolkit/text/errors.h"

#include <QLocale>

#include <charconv>
#include <cmath>

namespace tk {

namespace {

int HexDigit(QChar c) {
    const char16_t u = c.unicode();
    if (u >= u'0' && u <= u'9')
        return u - u'0';
    if (u >= u'a' && u <= u'f')
        return u - u'a' + 10;
    if (u >= u'A' && u <= u'F')
        return u - u'A' + 10;
    return -1;
}

[[noreturn]] void RaiseInvalid(const QString& text) {
    throw EConvertError(texts::InvalidInteger(text));
}

} // namespace

QString IntToStr(std::int64_t value) {
    return QString::number(value);
}

std::int32_t StrToInt(const QString& text) {
    const qsizetype n = text.size();
    qsizetype i = 0;
    // Only the space character counts as leading blank; a tab or a line break is not a number.
    while (i < n && text[i] == QLatin1Char(' '))
        ++i;
    bool negative = false;
    if (i < n && (text[i] == QLatin1Char('+') || text[i] == QLatin1Char('-'))) {
        negative = text[i] == QLatin1Char('-');
        ++i;
    }
    bool hex = false;
    if (i < n &&
        (text[i] == QLatin1Char('$') || text[i] == QLatin1Char('x') || text[i] == QLatin1Char('X'))) {
        hex = true;
        ++i;
    } else if (i + 1 < n && text[i] == QLatin1Char('0') &&
               (text[i + 1] == QLatin1Char('x') || text[i + 1] == QLatin1Char('X'))) {
        hex = true;
        i += 2;
    }
    if (i == n)
        RaiseInvalid(text);

    std::uint64_t magnitude = 0;
    for (; i < n; ++i) {
        const int digit = HexDigit(text[i]);
        if (digit < 0 || (!hex && digit > 9))
            RaiseInvalid(text);
        magnitude = magnitude * (hex ? 16 : 10) + static_cast<std::uint64_t>(digit);
        // Hexadecimal may spell any 32-bit pattern; decimal must fit the signed range.
        const std::uint64_t limit = hex ? 0xFFFFFFFFull : (negative ? 0x80000000ull : 0x7FFFFFFFull);
        if (magnitude > limit)
            RaiseInvalid(text);
    }
    const auto bits = static_cast<std::uint32_t>(negative ? (0u - static_cast<std::uint32_t>(magnitude))
                                                          : static_cast<std::uint32_t>(magnitude));
    return static_cast<std::int32_t>(bits);
}

QString FloatToStr(double value, QChar decimalSeparator) {
    if (std::isnan(value))
        return QStringLiteral("NAN");
    if (std::isinf(value))
        return value < 0 ? QStringLiteral("-INF") : QStringLiteral("INF");
    if (value == 0)
        return QStringLiteral("0"); // also for -0
    // %.15g rounds to 15 significant digits first (599 / 10.0 gives 59.9, not 59.900000000000006)
    // and picks the exponent form for exponents below -4 or from 15 up, as the general format does.
    char buffer[64];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::general, 15);
    const std::string_view digits(buffer, static_cast<std::size_t>(result.ptr - buffer));

    QString out;
    const std::size_t e = digits.find('e');
    for (char c : digits.substr(0, e))
        out += c == '.' ? decimalSeparator : QChar(QLatin1Char(c));
    if (e != std::string_view::npos) {
        // "1e+16" is written 1E16 and "1e-05" 1E-5: no plus sign, no leading zeros.
        std::string_view exponent = digits.substr(e + 1);
        out += QLatin1Char('E');
        if (exponent.front() == '-')
            out += QLatin1Char('-');
        exponent.remove_prefix(1);
        while (exponent.size() > 1 && exponent.front() == '0')
            exponent.remove_prefix(1);
        out += QLatin1String(exponent.data(), static_cast<qsizetype>(exponent.size()));
    }
    return out;
}

QString FloatToStr(double value) {
    return FloatToStr(value, DecimalSeparator());
}

QChar DecimalSeparator() {
    const QString point = QLocale::system().decimalPoint();
    // A separator is one character; anything else (none set, an odd locale) falls back to a point.
    if (point.size() != 1)
        return QLatin1Char('.');
    return point.front();
}

} // namespace tk
