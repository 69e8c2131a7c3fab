#pragma once

#include <QImage>

namespace korvane {

// One cap for every picture, whatever its decoder: one whose pixels would need
// more memory than this, at the 4 bytes a pixel it is held in, is refused
// before anything is allocated. A header of a few bytes may claim 65535 x
// 65535 pixels, and run-length data of a kilobyte may rightly fill a gigabyte;
// a real 12 MP photo or diagram needs 48 MB.
inline constexpr qint64 kMaxPicturePixelBytes = qint64(256) * 1024 * 1024;

// Whether a picture of width x height (each of at most 2^31) stays within the cap.
constexpr bool pictureFitsTheCap(qint64 width, qint64 height)
{
    return width * height <= kMaxPicturePixelBytes / 4;
}

// From this many pixels up (a 12 MP photo, a large diagram) a picture's frame
// comes in 2 MiB pages where the kernel offers them; smaller ones are
// ordinary images.
inline constexpr qint64 kLargePicturePixels = 8'000'000;

// A frame for a decoder to fill: width x height pixels of the format, their
// contents undefined, rows laid out as QImage lays them out. A null image
// when the memory cannot be had.
QImage allocatePictureFrame(int width, int height, QImage::Format format);

} // namespace korvane
