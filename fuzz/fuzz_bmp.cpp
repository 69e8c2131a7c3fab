// libFuzzer target for the bitmap decoder: any bytes either decode or throw
// Failure; sanitizers catch every read past the input and write past the image.
//
//   cmake -S . -B /tmp/fuzzbuild -DCMAKE_CXX_COMPILER=clang++ -DKORVANE_FUZZ=ON
//   cmake --build /tmp/fuzzbuild --target fuzz_bmp
//   mkdir -p /tmp/bmp-corpus && /tmp/fuzzbuild/fuzz/fuzz_bmp -max_total_time=60 /tmp/bmp-corpus

#include "catalog/Failure.h"
#include "platform/BmpDecoder.h"

#include <cstddef>
#include <cstdint>

namespace {

quint32 le32(const uint8_t *p)
{
    return quint32(p[0]) | quint32(p[1]) << 8 | quint32(p[2]) << 16 | quint32(p[3]) << 24;
}

// A few bytes of run-length data may rightly describe 16384 x 16384 black
// pixels; such pictures are legal and only slow the fuzzer down, so inputs
// claiming more than 4M pixels are passed over.
bool claimsHugePicture(const uint8_t *data, size_t size)
{
    if (size < 26)
        return false;
    qint64 width = 0;
    qint64 height = 0;
    if (le32(data + 14) == 12) {
        width = data[18] | data[19] << 8;
        height = data[20] | data[21] << 8;
    } else {
        width = qint32(le32(data + 18));
        height = qint32(le32(data + 22));
    }
    return width * (height < 0 ? -height : height) > qint64(4) * 1024 * 1024;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (claimsHugePicture(data, size))
        return 0;
    try {
        const QImage image = korvane::decodeBmp(QByteArrayView(data, qsizetype(size)));
        // Touch the corners so that a wrongly sized picture shows up too.
        if (!image.isNull()) {
            volatile QRgb corner = image.pixel(0, 0) ^ image.pixel(image.width() - 1, image.height() - 1);
            (void)corner;
        }
    } catch (const korvane::Failure &) {
    }
    return 0;
}
