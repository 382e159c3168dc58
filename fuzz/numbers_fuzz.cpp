// libFuzzer target for numbers as text: StrToInt and FloatToStr against models written from their
// rules, and never a crash.
//
// Input: the first byte picks the conversion. StrToInt reads the rest as Latin-1 text (bit 0 clear)
// or as UTF-16LE (bit 0 set); FloatToStr reads 8 bytes as a double and one more as the separator.
#include "toolkit/text/errors.h"
#include "toolkit/text/numbers.h"

#include <QByteArray>
#include <QString>

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <optional>
#include <string>

namespace {

[[noreturn]] void Fail(const char* what, const QString& input, const QString& got, const QString& expected) {
    std::fprintf(stderr, "numbers_fuzz: %s\n  input:    [%s]\n  got:      [%s]\n  expected: [%s]\n", what,
                 qPrintable(input), qPrintable(got), qPrintable(expected));
    std::fflush(stderr);
    __builtin_trap();
}

// Leading spaces, an optional sign, decimal digits or hexadecimal digits after "$", "x", "X", "0x"
// or "0X", and nothing after them. Decimal must fit the signed 32-bit range; hexadecimal spells
// any 32-bit pattern, which the sign then negates.
std::optional<std::int32_t> ModelStrToInt(const std::u16string& s) {
    std::size_t i = 0;
    while (i < s.size() && s[i] == u' ')
        ++i;
    bool minus = false;
    if (i < s.size() && (s[i] == u'+' || s[i] == u'-'))
        minus = s[i++] == u'-';
    int base = 10;
    if (s.compare(i, 1, u"$") == 0 || s.compare(i, 1, u"x") == 0 || s.compare(i, 1, u"X") == 0) {
        base = 16;
        i += 1;
    } else if (s.compare(i, 2, u"0x") == 0 || s.compare(i, 2, u"0X") == 0) {
        base = 16;
        i += 2;
    }
    if (i >= s.size())
        return std::nullopt;
    std::uint64_t magnitude = 0;
    for (; i < s.size(); ++i) {
        const char16_t c = s[i];
        int digit;
        if (c >= u'0' && c <= u'9')
            digit = c - u'0';
        else if (base == 16 && c >= u'a' && c <= u'f')
            digit = c - u'a' + 10;
        else if (base == 16 && c >= u'A' && c <= u'F')
            digit = c - u'A' + 10;
        else
            return std::nullopt;
        magnitude = magnitude * static_cast<std::uint64_t>(base) + static_cast<std::uint64_t>(digit);
        if (magnitude > 0xFFFFFFFFull)
            return std::nullopt; // saturating here keeps long runs of digits from wrapping around
    }
    if (base == 10) {
        const std::int64_t value =
            minus ? -static_cast<std::int64_t>(magnitude) : static_cast<std::int64_t>(magnitude);
        if (value < INT32_MIN || value > INT32_MAX)
            return std::nullopt;
        return static_cast<std::int32_t>(value);
    }
    const auto bits = static_cast<std::uint32_t>(magnitude);
    return static_cast<std::int32_t>(minus ? 0u - bits : bits);
}

// General format: at most 15 significant digits, no trailing zeros, no separator for a whole
// number, an exponent (E, no plus sign, no leading zeros) below 1E-4 and from 1E15 up.
QString ModelFloatToStr(double value, QChar separator) {
    if (std::isnan(value))
        return QStringLiteral("NAN");
    if (std::isinf(value))
        return value < 0 ? QStringLiteral("-INF") : QStringLiteral("INF");
    if (value == 0)
        return QStringLiteral("0");
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.15g", value);
    std::string text = buffer;
    std::string exponent;
    const std::size_t e = text.find('e');
    if (e != std::string::npos) {
        exponent = text.substr(e + 1);
        text.resize(e);
        const bool negative = exponent[0] == '-';
        exponent.erase(0, 1);
        exponent.erase(0, std::min(exponent.find_first_not_of('0'), exponent.size() - 1));
        exponent = (negative ? "E-" : "E") + exponent;
    }
    QString out = QString::fromLatin1(text + exponent);
    out.replace(QLatin1Char('.'), separator);
    return out;
}

// What every result must show whatever model it is compared with: at most 15 significant digits,
// and no trailing zero or separator after the separator.
bool WellFormed(const QString& text, QChar separator) {
    const QString mantissa = text.section(QLatin1Char('E'), 0, 0);
    QString digits;
    for (QChar c : mantissa) {
        if (c.isDigit() && (c != QLatin1Char('0') || !digits.isEmpty()))
            digits += c; // leading zeros are not significant
    }
    while (digits.endsWith(QLatin1Char('0')))
        digits.chop(1); // the zeros of a whole number are not significant either
    const bool hasSeparator = mantissa.contains(separator);
    const bool trailing =
        mantissa.endsWith(separator) || (hasSeparator && mantissa.endsWith(QLatin1Char('0')));
    return digits.size() <= 15 && !trailing;
}

void CheckStrToInt(const QString& text) {
    const std::u16string units(reinterpret_cast<const char16_t*>(text.utf16()),
                               static_cast<std::size_t>(text.size()));
    const std::optional<std::int32_t> expected = ModelStrToInt(units);
    try {
        const std::int32_t got = tk::StrToInt(text);
        if (!expected || got != *expected)
            Fail("StrToInt", text, QString::number(got),
                 expected ? QString::number(*expected) : QStringLiteral("error"));
    } catch (const tk::EConvertError& e) {
        const QString message = QStringLiteral("'") + text + QStringLiteral("' is not a valid integer value");
        if (expected || e.Text() != message)
            Fail("StrToInt error", text, e.Text(), expected ? QString::number(*expected) : message);
    }
}

void CheckFloatToStr(double value, QChar separator) {
    const QString expected = ModelFloatToStr(value, separator);
    const QString got = tk::FloatToStr(value, separator);
    if (got != expected || !WellFormed(got, separator))
        Fail("FloatToStr", QString::number(value, 'g', 17), got, expected);
    // In the C locale the separator is a point.
    if (separator == QLatin1Char('.') && tk::FloatToStr(value) != expected)
        Fail("FloatToStr in the C locale", QString::number(value, 'g', 17), tk::FloatToStr(value), expected);
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    ::setenv("LC_ALL", "C", 1);
    ::unsetenv("LANG");
    ::unsetenv("LC_NUMERIC");
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1)
        return 0;
    const std::uint8_t mode = data[0];
    const auto* rest = reinterpret_cast<const char*>(data + 1);
    const std::size_t restSize = size - 1;
    switch (mode % 3) {
    case 0:
        CheckStrToInt(QString::fromLatin1(rest, static_cast<qsizetype>(restSize)));
        break;
    case 1: {
        QString text(static_cast<qsizetype>(restSize / 2), Qt::Uninitialized);
        std::memcpy(text.data(), rest, restSize / 2 * 2);
        CheckStrToInt(text);
        break;
    }
    default: {
        if (restSize < sizeof(double))
            return 0;
        double value;
        std::memcpy(&value, rest, sizeof value);
        // A separator a locale may give: none of the digits, signs or letters of the number itself.
        constexpr char16_t kSeparators[] = {u'.', u',', u'\u066B', u'\''};
        const std::size_t pick = restSize > sizeof value ? static_cast<unsigned char>(rest[sizeof value]) : 0;
        const char16_t sep = kSeparators[pick % std::size(kSeparators)];
        CheckFloatToStr(value, QChar(sep));
        break;
    }
    }
    return 0;
}
