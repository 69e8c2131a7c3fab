#pragma once

#include <QByteArrayView>
#include <QImage>

namespace korvane {

// Decodes a Windows bitmap file. A file of zero bytes is an empty picture (a null QImage).
// Throws korvane::Failure (catalog/Failure.h: Failure(QString message)):
//  "Bitmap image is not valid" for a wrong signature or inconsistent headers, or a size beyond the picture cap
//  (PictureFrame.h), checked before any pixel memory is allocated; "Stream read error" when the file ends before its
//  data.
// The picture comes back as Format_RGB32, or Format_ARGB32 when a bit-field
// header gives a non-zero alpha mask; palette pictures are expanded to RGB32.
QImage decodeBmp(QByteArrayView bytes);

} // namespace korvane
