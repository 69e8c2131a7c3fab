#pragma once

#include <QByteArrayView>
#include <QImage>

namespace korvane {

// Pictures whose pixels would need more memory than this are refused before
// anything is allocated: a broken header may claim 65000 x 65000 pixels.
inline constexpr qint64 kMaxPicturePixelBytes = qint64(256) * 1024 * 1024;

// Decodes a JPEG through libjpeg. A decoder failure throws Failure
// "JPEG error #<n>" with libjpeg's own message number. A file cut short is
// shown as far as libjpeg could decode it.
QImage decodeJpeg(QByteArrayView bytes);

} // namespace korvane
