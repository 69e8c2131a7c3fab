#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

namespace korvane {

// Catalog texts are single-byte Windows-1251. Every one of the 256 byte values
// maps to its own character, so a list read and written back is byte-identical;
// 0x98, which the code page leaves undefined, maps to U+0098.
QString decodeWin1251(QByteArrayView bytes);
QChar win1251ToChar(unsigned char byte);

// Characters outside the code page become "?".
QByteArray encodeWin1251(const QString &text);

// The DOS Cyrillic code page (866): names in archives made by DOS-era tools
// arrive in it.
QString decodeCp866(QByteArrayView bytes);

} // namespace korvane
