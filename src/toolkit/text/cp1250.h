// The Windows-1250 code page of the score files. Decoding is total (bytes the code page leaves
// undefined map to the control characters of the same number), so any file round-trips byte for byte.
#pragma once

#include <QByteArray>
#include <QChar>
#include <QString>

namespace tk::cp1250 {

QString Decode(const QByteArray& bytes);
// Characters outside the code page become "?".
QByteArray Encode(const QString& text);
// True when the character has a byte of its own in the code page.
bool CanEncode(QChar c);
// True for what a person may type into a name: encodable and not a control character.
bool IsTypable(QChar c);

} // namespace tk::cp1250
