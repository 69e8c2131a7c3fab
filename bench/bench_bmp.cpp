// Decoding an 8000 x 6000 24-bit bitmap, printed next to the time of one
// plain copy of its pixel bytes into a fresh buffer: the decoder should stay
// close to that.
//
//   cmake --build build --target bench_bmp && ./build/bench/bench_bmp

#include "BenchTiming.h"

#include "platform/BmpDecoder.h"
#include "support/BitmapFile.h"

#include <QByteArray>
#include <QElapsedTimer>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <memory>

using namespace korvane;

namespace {

constexpr int kWidth = 8000;
constexpr int kHeight = 6000;

QByteArray bigBitmap()
{
    korvane::testing::Bitmap bitmap;
    bitmap.width = kWidth;
    bitmap.height = kHeight;
    const qint64 stride = (qint64(kWidth) * 24 + 31) / 32 * 4;
    const qint64 pixelBytes = stride * kHeight;
    bitmap.pixels.resize(pixelBytes);
    // A busy gradient rather than zeros, so that nothing is cheaper than usual.
    char *pixels = bitmap.pixels.data();
    for (qint64 i = 0; i < pixelBytes; ++i)
        pixels[i] = char((i * 7 + i / stride) & 0xFF);
    return bitmap.bytes();
}

} // namespace

int main()
{
    const QByteArray file = bigBitmap();
    const qint64 pixelBytes = file.size() - 54;

    qint64 checksum = 0;
    const double copy = bestMilliseconds([&] {
        std::unique_ptr<char[]> buffer(new char[size_t(pixelBytes)]);
        std::memcpy(buffer.get(), file.constData() + 54, size_t(pixelBytes));
        checksum += buffer[size_t(pixelBytes / 2)];
    });
    const double decode = bestMilliseconds([&] {
        const QImage image = decodeBmp(file);
        if (image.width() != kWidth || image.height() != kHeight)
            std::abort();
        checksum += image.constBits()[image.sizeInBytes() / 2];
    });

    std::printf("%d x %d 24-bit bitmap (%.0f MB of pixels), best of %d:\n", kWidth, kHeight, double(pixelBytes) / 1e6,
                5);
    std::printf("  memcpy of the pixel bytes: %8.1f ms\n", copy);
    std::printf("  decodeBmp:                 %8.1f ms\n", decode);
    std::printf("  ratio:                     %8.2f x\n", decode / copy);
    std::printf("  (checksum %lld)\n", static_cast<long long>(checksum));
    return 0;
}
