// libFuzzer target for the JPEG decoder around libjpeg: any bytes give a
// picture within the picture cap and of at most kMaxJpegScans scans, or throw
// Failure "JPEG error #<n>" with libjpeg's message number or the scan limit's
// message. An error leaves libjpeg by a long jump; the sanitizers and the leak
// check see whether that jump skips a destructor or loses the decoder's memory.

#include "FuzzCheck.h"
#include "catalog/Failure.h"
#include "platform/JpegDecoder.h"
#include "platform/PictureFrame.h"

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
        if (pixels > 1024 * 1024 && korvane::pictureFitsTheCap(width, height))
            return true;
    }
    return false;
}

bool isRestart(uint8_t marker)
{
    return marker >= 0xD0 && marker <= 0xD7;
}

// The scans of a file as libjpeg's marker reader meets them, read apart from
// it: from the start of the image each marker segment is stepped over by its
// length, and a scan's coded data runs to the next marker (0xFF followed by
// anything but 0, another 0xFF or a restart). Bytes between segments are
// skipped as libjpeg skips them. Counting ends at the end of the image or of
// the input, and at a length that breaks the structure, where libjpeg fails.
int scansOf(const uint8_t *data, size_t size)
{
    if (size < 2 || data[0] != 0xFF || data[1] != 0xD8)
        return 0;
    int scans = 0;
    size_t i = 2;
    for (;;) {
        while (i < size && data[i] != 0xFF)
            ++i;
        while (i < size && data[i] == 0xFF)
            ++i;
        if (i >= size)
            return scans;
        const uint8_t marker = data[i++];
        if (marker == 0xD9)
            return scans;
        if (marker == 0x00 || marker == 0x01 || isRestart(marker))
            continue;
        if (i + 2 > size || (data[i] << 8 | data[i + 1]) < 2)
            return scans;
        i += size_t(data[i] << 8 | data[i + 1]);
        if (marker != 0xDA)
            continue;
        ++scans;
        for (; i + 1 < size; ++i) {
            if (data[i] == 0xFF && data[i + 1] != 0x00 && data[i + 1] != 0xFF && !isRestart(data[i + 1]))
                break;
        }
    }
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
        if (failure.message() == QStringLiteral("JPEG image has more than %1 scans").arg(korvane::kMaxJpegScans))
            return 0;
        const QString prefix = QStringLiteral("JPEG error #");
        bool isNumber = false;
        const int code = failure.message().mid(prefix.size()).toInt(&isNumber);
        fuzzCheck(failure.message().startsWith(prefix) && isNumber && code > 0, "a failure names libjpeg's message");
        return 0;
    }
    fuzzCheck(!image.isNull() && image.format() == QImage::Format_RGB32, "a decoded picture is RGB32");
    fuzzCheck(korvane::pictureFitsTheCap(image.width(), image.height()), "a decoded picture fits the picture cap");
    fuzzCheck(scansOf(data, size) <= korvane::kMaxJpegScans, "a decoded picture has no more scans than the limit");
    volatile QRgb corner = image.pixel(0, 0) ^ image.pixel(image.width() - 1, image.height() - 1);
    (void)corner;
    return 0;
}
