// Numbers as text, the way the windows show and read them.
#pragma once

#include <QChar>
#include <QString>

#include <cstdint>

namespace tk {

QString IntToStr(std::int64_t value);

// Leading spaces, an optional sign, then decimal digits (or hexadecimal after "$", "x", "X", "0x",
// "0X") and nothing after them; the value must fit in a signed 32-bit integer. Raises
// EConvertError "'%s' is not a valid integer value" with the whole text.
std::int32_t StrToInt(const QString& text);

// General format with at most 15 significant digits and no trailing zeros: 60, 59.9, 0.1, 0.
QString FloatToStr(double value, QChar decimalSeparator);
QString FloatToStr(double value);  // with the user's locale separator
// The decimal separator of the user's locale; a point where none is set.
QChar DecimalSeparator();

} // namespace tk
