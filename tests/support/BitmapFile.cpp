#include "support/BitmapFile.h"

namespace korvane::testing {

QByteArray solidBitmap(int width, int height, QRgb colour)
{
    Bitmap bitmap;
    bitmap.width = width;
    bitmap.height = height;
    const qsizetype stride = (qsizetype(width) * 3 + 3) / 4 * 4;
    QByteArray row(stride, '\0');
    for (int x = 0; x < width; ++x) {
        row[x * 3] = char(qBlue(colour));
        row[x * 3 + 1] = char(qGreen(colour));
        row[x * 3 + 2] = char(qRed(colour));
    }
    bitmap.pixels = row.repeated(height);
    return bitmap.bytes();
}

} // namespace korvane::testing
