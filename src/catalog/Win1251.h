#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <optional>

namespace korvane {

// Catalog texts are single-byte Windows-1251. Every one of the 256 byte values
// maps to its own character, so a list read and written back is byte-identical;
// 0x98, which the code page leaves undefined, maps to U+0098.
QString decodeWin1251(QByteArrayView bytes);
QChar win1251ToChar(unsigned char byte);

// Characters outside the code page become "?".
QByteArray encodeWin1251(const QString &text);

// A UTF-8 text in Windows-1251, as iconv -f UTF-8 -t CP1251 converts it:
// nothing when the text is not UTF-8 or holds a character the code page has
// not (then *missingAt, if given, receives the offset of that character's
// bytes, or -1 for bytes that are not UTF-8). U+0098, which stands for the
// code page's one undefined byte when a list is read, is such a character
// here, as it is for iconv. A leading byte-order mark is a character too.
std::optional<QByteArray> convertUtf8ToWin1251(QByteArrayView utf8, qsizetype *missingAt = nullptr);

// The DOS Cyrillic code page (866): names in archives made by DOS-era tools
// arrive in it.
QString decodeCp866(QByteArrayView bytes);

} // namespace korvane
