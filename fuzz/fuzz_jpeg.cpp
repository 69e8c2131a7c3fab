// libFuzzer target for the JPEG decoder around libjpeg: any bytes give a
// picture or throw Failure "JPEG error #<n>" with libjpeg's message number.
// An error leaves libjpeg by a long jump; the sanitizers and the leak check
// see whether that jump skips a destructor or loses the decoder's memory.

#include "FuzzCheck.h"
#include "catalog/Failure.h"
#include "platform/JpegDecoder.h"

#include <cstddef>
#include <cstdint>

namespace {

// Frame headers (SOF0 to SOF15, not DHT, JPG and DAC) claiming more than 1M
// pixels but few enough to be decoded: a short input may rightly stand for a
// large grey picture, which only slows the fuzzer down. Claims too big to be
// decoded at all are kept, since refusing them is the decoder's own work.
bool claimsSlowPicture(const uint8_t *data, size_t size)
{
    for (size_t i = 0; i + 9 <= size; ++i) {
        if (data[i] != 0xFF || (data[i + 1] & 0xF0) != 0xC0 || data[i + 1] == 0xC4 || data[i + 1] == 0xC8
            || data[i + 1] == 0xCC)
            continue;
        const qint64 height = data[i + 5] << 8 | data[i + 6];
        const qint64 width = data[i + 7] << 8 | data[i + 8];
        const qint64 pixels = width * height;
        if (pixels > 1024 * 1024 && pixels * 4 <= korvane::kMaxPicturePixelBytes)
            return true;
    }
    return false;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (claimsSlowPicture(data, size))
        return 0;
    QImage image;
    try {
        image = korvane::decodeJpeg(QByteArrayView(data, qsizetype(size)));
    } catch (const korvane::Failure &failure) {
        const QString prefix = QStringLiteral("JPEG error #");
        bool isNumber = false;
        const int code = failure.message().mid(prefix.size()).toInt(&isNumber);
        fuzzCheck(failure.message().startsWith(prefix) && isNumber && code > 0, "a failure names libjpeg's message");
        return 0;
    }
    fuzzCheck(!image.isNull() && image.format() == QImage::Format_RGB32, "a decoded picture is RGB32");
    volatile QRgb corner = image.pixel(0, 0) ^ image.pixel(image.width() - 1, image.height() - 1);
    (void)corner;
    return 0;
}
