#pragma once

#include <QByteArrayView>
#include <QImage>

namespace korvane {

// Bitmaps claiming more pixels than this are refused before anything is
// allocated: a broken header of a few bytes may claim 65535 x 2^31 pixels.
inline constexpr qint64 kMaxBmpPixels = qint64(16384) * 16384;

// Decodes a Windows bitmap file. A file of zero bytes is an empty picture (a null QImage).
// Throws korvane::Failure (catalog/Failure.h: Failure(QString message)):
//  "Bitmap image is not valid" for a wrong signature or inconsistent headers, checked before any pixel memory is
//  allocated; "Stream read error" when the file ends before its data.
// The picture comes back as Format_RGB32, or Format_ARGB32 when a bit-field
// header gives a non-zero alpha mask; palette pictures are expanded to RGB32.
QImage decodeBmp(QByteArrayView bytes);

} // namespace korvane
