#pragma once

#include <QByteArrayView>

namespace korvane {

// Converts a coordinate text to a signed 32-bit integer: optional leading
// blanks, an optional "+" or "-", then decimal digits to the end of the text;
// or, after optional leading blanks, "$" or "0x" and one to eight hexadecimal
// digits (no sign; eight digits may wrap to a negative value). Anything else
// (empty, blanks only, a trailing blank, out of range) throws Failure
// "'<text>' is not a valid integer value". The text is a hotspot file's
// Windows-1251 bytes.
qint32 convertToInteger(QByteArrayView win1251);

} // namespace korvane
