#pragma once

#include <QByteArrayView>
#include <QImage>

namespace korvane {

// Real photos have a few dozen scans at most; each scan makes libjpeg visit
// every block of the picture again, so a file of a few hundred kilobytes made
// of thousands of empty scans would hold the window for minutes.
inline constexpr int kMaxJpegScans = 100;

// Decodes a JPEG through libjpeg. A decoder failure throws Failure
// "JPEG error #<n>" with libjpeg's own message number (an inconsistent
// progression too, which libjpeg itself only warns of); a file of more than
// kMaxJpegScans scans throws "JPEG image has more than 100 scans" when it
// reaches the next one, and a picture beyond the picture cap (PictureFrame.h)
// "JPEG error #<n>" with libjpeg's out-of-memory number. A file cut short is
// shown as far as libjpeg could decode it.
QImage decodeJpeg(QByteArrayView bytes);

} // namespace korvane
