// libFuzzer target for the bitmap decoder: any bytes either decode or throw
// Failure; the sanitizers catch every read past the input and every write past
// the picture. A decoded picture has the size its header claims, fits the
// picture cap, and has one of the two formats the decoder promises.

#include "FuzzCheck.h"
#include "catalog/Failure.h"
#include "platform/BmpDecoder.h"
#include "platform/PictureFrame.h"

#include <cstddef>
#include <cstdint>

namespace {

quint32 le32(const uint8_t *p)
{
    return quint32(p[0]) | quint32(p[1]) << 8 | quint32(p[2]) << 16 | quint32(p[3]) << 24;
}

struct ClaimedSize
{
    qint64 width = 0;
    qint64 height = 0;
};

// The size the headers claim, read the way the decoder reads it (the short
// OS/2 header holds 16-bit fields).
ClaimedSize claimedSize(const uint8_t *data, size_t size)
{
    ClaimedSize claimed;
    if (size < 26)
        return claimed;
    if (le32(data + 14) == 12) {
        claimed.width = data[18] | data[19] << 8;
        claimed.height = data[20] | data[21] << 8;
    } else {
        claimed.width = qint32(le32(data + 18));
        const qint64 height = qint32(le32(data + 22));
        claimed.height = height < 0 ? -height : height;
    }
    return claimed;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    // A few bytes of run-length data may rightly describe 8192 x 8192 black
    // pixels; such pictures are legal and only slow the fuzzer down, so inputs
    // claiming more than 4M pixels but no more than the cap allows are passed
    // over. Claims beyond the cap are kept: refusing them is the decoder's work.
    const ClaimedSize claimed = claimedSize(data, size);
    if (claimed.width * claimed.height > qint64(4) * 1024 * 1024
        && korvane::pictureFitsTheCap(claimed.width, claimed.height))
        return 0;
    QImage image;
    try {
        image = korvane::decodeBmp(QByteArrayView(data, qsizetype(size)));
    } catch (const korvane::Failure &) {
        return 0;
    }
    fuzzCheck(image.isNull() == (size == 0), "only an empty file is an empty picture");
    if (image.isNull())
        return 0;
    fuzzCheck(image.width() == claimed.width && image.height() == claimed.height, "the picture has its claimed size");
    fuzzCheck(korvane::pictureFitsTheCap(image.width(), image.height()), "the picture fits the picture cap");
    fuzzCheck(image.format() == QImage::Format_RGB32 || image.format() == QImage::Format_ARGB32,
              "the picture is RGB32 or ARGB32");
    // Touch the corners so that a wrongly sized buffer shows up too.
    volatile QRgb corner = image.pixel(0, 0) ^ image.pixel(image.width() - 1, image.height() - 1);
    (void)corner;
    return 0;
}
