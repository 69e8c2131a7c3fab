#pragma once

#include <QImage>

namespace korvane {

// From this many pixels up (a 12 MP photo, a large diagram) a picture's frame
// comes in 2 MiB pages where the kernel offers them; smaller ones are
// ordinary images.
inline constexpr qint64 kLargePicturePixels = 8'000'000;

// A frame for a decoder to fill: width x height pixels of the format, their
// contents undefined, rows laid out as QImage lays them out. A null image
// when the memory cannot be had.
QImage allocatePictureFrame(int width, int height, QImage::Format format);

} // namespace korvane
