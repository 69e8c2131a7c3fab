#include "platform/BmpDecoder.h"

#include "catalog/Failure.h"
#include "platform/PictureFrame.h"

#include <QLocale>

#include <algorithm>
#include <array>
#include <bit>
#include <climits>
#include <vector>

#if defined(__x86_64__)
#include <immintrin.h>
#endif

namespace korvane {

namespace {

// The texts Windows shows for these two faults; the catalog's users know
// them. The detail says which field is wrong, for the catalog checker.
[[noreturn]] void notValid(const QString &detail)
{
    throw Failure(QStringLiteral("Bitmap image is not valid"), detail);
}

[[noreturn]] void readError(const QString &detail)
{
    throw Failure(QStringLiteral("Stream read error"), detail);
}

// Grouped in thousands the same way whatever the user's language.
QString byteCount(qint64 bytes)
{
    return bytes == 1 ? QStringLiteral("1 byte") : QLocale(QLocale::English).toString(bytes) + QStringLiteral(" bytes");
}

[[noreturn]] void endsInside(qint64 size, const char *what)
{
    readError(QStringLiteral("the file ends after %1, inside %2").arg(byteCount(size), QLatin1String(what)));
}

// A picture of another kind renamed to .bmp is the usual case.
QString signatureDetail(const uchar *data, qint64 size)
{
    if (size >= 2 && data[0] == 0xFF && data[1] == 0xD8)
        return QStringLiteral("the file starts with FF D8, a JPEG's signature, not \"BM\"");
    if (size >= 4 && data[0] == 0x89 && data[1] == 'P' && data[2] == 'N' && data[3] == 'G')
        return QStringLiteral("the file starts with a PNG's signature, not \"BM\"");
    if (size == 1)
        return QStringLiteral("the file holds a single byte, not the signature \"BM\"");
    const auto hex = [](uchar byte) { return QStringLiteral("%1").arg(byte, 2, 16, QLatin1Char('0')).toUpper(); };
    return QStringLiteral("the file starts with the bytes %1 %2, not \"BM\" (42 4D)").arg(hex(data[0]), hex(data[1]));
}

// Every multi-byte field of the file is little-endian whatever the machine.
inline quint32 le16(const uchar *p)
{
    return quint32(p[0]) | quint32(p[1]) << 8;
}

inline quint32 le32(const uchar *p)
{
    return quint32(p[0]) | quint32(p[1]) << 8 | quint32(p[2]) << 16 | quint32(p[3]) << 24;
}

constexpr qint64 kFileHeaderBytes = 14;
constexpr QRgb kBlack = 0xFF000000u;

enum Compression : quint32 { Rgb = 0, Rle8 = 1, Rle4 = 2, BitFields = 3 };

// A mask is usable when it is a single run of set bits (or zero).
bool isContiguous(quint32 mask)
{
    if (mask == 0)
        return true;
    const quint32 shifted = mask >> std::countr_zero(mask);
    return (shifted & (shifted + 1)) == 0;
}

// One colour component of a bit-field pixel, scaled from its own bit count to
// 0..255. Components of up to 16 bits go through a table so that the row loop
// does no division; wider ones (rare) compute it.
class Channel
{
public:
    explicit Channel(quint32 mask) : m_mask(mask)
    {
        if (mask == 0)
            return;
        m_shift = std::countr_zero(mask);
        m_bits = std::popcount(mask);
        m_max = (quint64(1) << m_bits) - 1;
        if (m_bits <= 16) {
            m_table.resize(size_t(m_max) + 1);
            for (quint64 value = 0; value <= m_max; ++value)
                m_table[size_t(value)] = uchar(value * 255 / m_max);
        }
    }

    bool present() const { return m_mask != 0; }

    uint operator()(quint32 pixel) const
    {
        const quint32 value = (pixel & m_mask) >> m_shift;
        if (!m_table.empty())
            return m_table[value];
        return uint(quint64(value) * 255 / m_max);
    }

private:
    quint32 m_mask = 0;
    int m_shift = 0;
    int m_bits = 0;
    quint64 m_max = 1;
    std::vector<uchar> m_table;
};

struct Layout
{
    qint64 width = 0;
    qint64 height = 0; // always positive; topDown tells the row order
    bool topDown = false;
    int bitCount = 0;
    quint32 compression = Rgb;
    bool bitFields = false;
    std::array<quint32, 4> masks{}; // red, green, blue, alpha
    qint64 paletteOffset = 0;
    int paletteEntries = 0;
    int paletteEntryBytes = 4;
    qint64 dataOffset = 0;
    qint64 stride = 0;
};

// Reads and checks both headers, the masks and the palette's position. It
// allocates nothing, so a hostile header costs nothing.
Layout readLayout(const uchar *data, qint64 size)
{
    if (size < kFileHeaderBytes) {
        if (size == 1 || data[0] != 'B' || data[1] != 'M')
            notValid(signatureDetail(data, size));
        endsInside(size, "its 14-byte file header");
    }
    if (data[0] != 'B' || data[1] != 'M')
        notValid(signatureDetail(data, size));

    Layout layout;
    layout.dataOffset = le32(data + 10);

    if (size < kFileHeaderBytes + 4)
        endsInside(size, "the size of its info header");
    const quint32 headerSize = le32(data + kFileHeaderBytes);
    switch (headerSize) {
    case 12:
    case 40:
    case 52:
    case 56:
    case 108:
    case 124:
        break;
    default:
        notValid(QStringLiteral("an info header size of %1: a bitmap's is 12, 40, 52, 56, 108 or 124").arg(headerSize));
    }
    if (kFileHeaderBytes + qint64(headerSize) > size)
        endsInside(size, "its info header");
    const uchar *info = data + kFileHeaderBytes;

    quint32 planes = 0;
    quint32 coloursUsed = 0;
    if (headerSize == 12) {
        // The OS/2 header: unsigned 16-bit sizes, no compression, no colour count.
        layout.width = le16(info + 4);
        layout.height = le16(info + 6);
        planes = le16(info + 8);
        layout.bitCount = int(le16(info + 10));
        layout.paletteEntryBytes = 3;
    } else {
        layout.width = qint32(le32(info + 4));
        const qint32 height = qint32(le32(info + 8));
        if (height == INT_MIN)
            notValid(QStringLiteral("a height of %1").arg(height));
        layout.topDown = height < 0;
        layout.height = height < 0 ? -qint64(height) : qint64(height);
        planes = le16(info + 12);
        layout.bitCount = int(le16(info + 14));
        layout.compression = le32(info + 16);
        coloursUsed = le32(info + 32);
    }

    if (planes != 1)
        notValid(QStringLiteral("a plane count of %1: a bitmap has 1").arg(planes));
    switch (layout.bitCount) {
    case 1:
    case 4:
    case 8:
    case 16:
    case 24:
    case 32:
        break;
    default:
        notValid(
            QStringLiteral("a bit count of %1: a bitmap has 1, 4, 8, 16, 24 or 32 bits a pixel").arg(layout.bitCount));
    }
    const auto compressionNeeds = [&layout](const char *name, const char *bits) {
        notValid(QStringLiteral("%1 compression with %2 bits a pixel: it needs %3")
                     .arg(QLatin1String(name))
                     .arg(layout.bitCount)
                     .arg(QLatin1String(bits)));
    };
    switch (layout.compression) {
    case Rgb:
        break;
    case Rle8:
        if (layout.bitCount != 8)
            compressionNeeds("RLE8", "8");
        break;
    case Rle4:
        if (layout.bitCount != 4)
            compressionNeeds("RLE4", "4");
        break;
    case BitFields:
        if (layout.bitCount != 16 && layout.bitCount != 32)
            compressionNeeds("bit-field", "16 or 32");
        layout.bitFields = true;
        break;
    default:
        notValid(QStringLiteral("compression %1: a bitmap's is 0 (none), 1 (RLE8), 2 (RLE4) or 3 (bit fields)")
                     .arg(layout.compression));
    }
    if (layout.width < 1 || layout.width > 65535)
        notValid(QStringLiteral("a width of %1: a bitmap's is 1 to 65535").arg(layout.width));
    if (layout.height == 0)
        notValid(QStringLiteral("a height of 0"));
    // Windows refuses top-down run-length pictures, so do we.
    if (layout.topDown && (layout.compression == Rle8 || layout.compression == Rle4))
        notValid(QStringLiteral("a negative height (rows from the top) with run-length compression"));
    if (!pictureFitsTheCap(layout.width, layout.height))
        notValid(QStringLiteral("%1 x %2 pixels, more than the %3 a picture may have")
                     .arg(layout.width)
                     .arg(layout.height)
                     .arg(QLocale(QLocale::English).toString(kMaxPicturePixelBytes / 4)));

    qint64 afterHeader = kFileHeaderBytes + headerSize;
    if (layout.bitFields) {
        const uchar *masks = info + 40;
        if (headerSize == 40) {
            // The three masks follow the short header; a file cut inside them
            // is cut inside its headers.
            if (afterHeader + 12 > size)
                endsInside(size, "its colour masks");
            afterHeader += 12;
        }
        layout.masks = {le32(masks), le32(masks + 4), le32(masks + 8), headerSize >= 56 ? le32(masks + 12) : 0u};
        static const char *const kChannels[] = {"red", "green", "blue", "alpha"};
        for (int i = 0; i < 3; ++i) {
            if (layout.masks[size_t(i)] == 0)
                notValid(QStringLiteral("a %1 mask of 0").arg(QLatin1String(kChannels[i])));
        }
        quint32 seen = 0;
        for (size_t i = 0; i < layout.masks.size(); ++i) {
            const quint32 mask = layout.masks[i];
            const QString shown
                = QStringLiteral("the %1 mask %2").arg(QLatin1String(kChannels[i])).arg(mask, 8, 16, QLatin1Char('0'));
            if (!isContiguous(mask))
                notValid(shown + QStringLiteral(", whose bits are not one run"));
            if ((seen & mask) != 0)
                notValid(shown + QStringLiteral(", which shares bits with another mask"));
            seen |= mask;
        }
    } else if (layout.bitCount == 16) {
        layout.masks = {0x7C00u, 0x03E0u, 0x001Fu, 0u};
    } else if (layout.bitCount == 32) {
        layout.masks = {0x00FF0000u, 0x0000FF00u, 0x000000FFu, 0u};
    }

    if (coloursUsed > 256)
        notValid(QStringLiteral("a colour count of %1, more than 256").arg(coloursUsed));
    if (layout.bitCount <= 8 && coloursUsed == 0)
        coloursUsed = 1u << layout.bitCount;
    // Above 8 bits a colour count only announces a palette to step over.
    layout.paletteOffset = afterHeader;
    layout.paletteEntries = int(coloursUsed);
    if (layout.paletteOffset + qint64(layout.paletteEntries) * layout.paletteEntryBytes > size)
        notValid(QStringLiteral("a palette of %1 colours that runs past the file's %2")
                     .arg(layout.paletteEntries)
                     .arg(byteCount(size)));

    // The data offset may point inside the palette region (some writers
    // count the palette short), but never into the headers or past the end.
    if (layout.dataOffset < afterHeader)
        notValid(QStringLiteral("the pixel data offset %1 lies inside the headers, which end at byte %2")
                     .arg(layout.dataOffset)
                     .arg(afterHeader));
    if (layout.dataOffset > size)
        notValid(QStringLiteral("the pixel data offset %1 lies past the file's %2")
                     .arg(layout.dataOffset)
                     .arg(byteCount(size)));

    layout.stride = (layout.width * layout.bitCount + 31) / 32 * 4;
    if (layout.compression != Rle8 && layout.compression != Rle4
        && layout.dataOffset + layout.stride * layout.height > size)
        readError(QStringLiteral("the file ends after %1; its %2 x %3 pixels need %4 from byte %5")
                      .arg(byteCount(size))
                      .arg(layout.width)
                      .arg(layout.height)
                      .arg(byteCount(layout.stride * layout.height))
                      .arg(layout.dataOffset));
    return layout;
}

// 256 entries whatever the palette's size: indexes past the palette read as
// black and no index can reach outside the table.
std::array<QRgb, 256> readPalette(const uchar *data, const Layout &layout)
{
    std::array<QRgb, 256> palette;
    palette.fill(kBlack);
    if (layout.bitCount > 8)
        return palette;
    const uchar *entry = data + layout.paletteOffset;
    for (int i = 0; i < layout.paletteEntries; ++i, entry += layout.paletteEntryBytes)
        palette[size_t(i)] = qRgb(entry[2], entry[1], entry[0]);
    return palette;
}

// Calls decodeRow(source row, destination pixels) for each stored row, the
// stored order being bottom-up unless the header said otherwise.
template <typename DecodeRow>
void forEachRow(QImage &image, const uchar *data, const Layout &layout, DecodeRow decodeRow)
{
    uchar *bits = image.bits();
    const qsizetype bytesPerLine = image.bytesPerLine();
    const uchar *source = data + layout.dataOffset;
    for (qint64 row = 0; row < layout.height; ++row, source += layout.stride) {
        const qint64 y = layout.topDown ? row : layout.height - 1 - row;
        decodeRow(source, reinterpret_cast<QRgb *>(bits + y * bytesPerLine));
    }
}

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#define KORVANE_BGR_SHUFFLE 1

// Four 24-bit pixels into four 32-bit ones by one byte shuffle: the hot case
// of diagrams, which a catalog check decodes by the thousand. Every x86-64
// processor of the last fifteen years shuffles so (SSSE3), though the
// baseline this is compiled for does not promise it: it is asked at run
// time. The pixels from where a 16-byte read would pass the row's data on
// are left to the plain loop; the count done is returned.
__attribute__((target("ssse3"))) qint64 expandBgrRow(const uchar *src, QRgb *dst, qint64 width)
{
    const __m128i toPixels = _mm_setr_epi8(0, 1, 2, -1, 3, 4, 5, -1, 6, 7, 8, -1, 9, 10, 11, -1);
    const __m128i opaque = _mm_set1_epi32(int(kBlack));
    qint64 x = 0;
    for (; x + 6 <= width; x += 4, src += 12) {
        const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i *>(src));
        _mm_storeu_si128(reinterpret_cast<__m128i *>(dst + x), _mm_or_si128(_mm_shuffle_epi8(bytes, toPixels), opaque));
    }
    return x;
}

bool canShuffleBytes()
{
    static const bool can = __builtin_cpu_supports("ssse3");
    return can;
}
#endif

void decodeUncompressed(QImage &image, const uchar *data, const Layout &layout, const std::array<QRgb, 256> &palette)
{
    const qint64 width = layout.width;
    switch (layout.bitCount) {
    case 1:
        forEachRow(image, data, layout, [&](const uchar *src, QRgb *dst) {
            for (qint64 x = 0; x < width; ++x)
                dst[x] = palette[(src[x >> 3] >> (7 - (x & 7))) & 1];
        });
        return;
    case 4:
        forEachRow(image, data, layout, [&](const uchar *src, QRgb *dst) {
            for (qint64 x = 0; x < width; ++x)
                dst[x] = palette[(src[x >> 1] >> ((x & 1) ? 0 : 4)) & 0x0F];
        });
        return;
    case 8:
        forEachRow(image, data, layout, [&](const uchar *src, QRgb *dst) {
            for (qint64 x = 0; x < width; ++x)
                dst[x] = palette[src[x]];
        });
        return;
    case 24:
        // The hot case of big diagrams: four pixels from three 32-bit words,
        // which keeps the loop near the speed of a plain copy.
#ifdef KORVANE_BGR_SHUFFLE
        if (canShuffleBytes()) {
            forEachRow(image, data, layout, [&](const uchar *src, QRgb *dst) {
                qint64 x = expandBgrRow(src, dst, width);
                for (src += 3 * x; x < width; ++x, src += 3)
                    dst[x] = kBlack | quint32(src[2]) << 16 | quint32(src[1]) << 8 | src[0];
            });
            return;
        }
#endif
        forEachRow(image, data, layout, [&](const uchar *src, QRgb *dst) {
            qint64 x = 0;
            for (; x + 4 <= width; x += 4, src += 12) {
                const quint32 a = le32(src);
                const quint32 b = le32(src + 4);
                const quint32 c = le32(src + 8);
                dst[x] = kBlack | a;
                dst[x + 1] = kBlack | a >> 24 | b << 8;
                dst[x + 2] = kBlack | b >> 16 | c << 16;
                dst[x + 3] = kBlack | c >> 8;
            }
            for (; x < width; ++x, src += 3)
                dst[x] = kBlack | quint32(src[2]) << 16 | quint32(src[1]) << 8 | src[0];
        });
        return;
    default:
        break;
    }

    if (layout.bitCount == 32 && !layout.bitFields) {
        // The plain 32-bit layout is B, G, R and an unused byte.
        forEachRow(image, data, layout, [&](const uchar *src, QRgb *dst) {
            for (qint64 x = 0; x < width; ++x, src += 4)
                dst[x] = kBlack | le32(src);
        });
        return;
    }

    const Channel red(layout.masks[0]);
    const Channel green(layout.masks[1]);
    const Channel blue(layout.masks[2]);
    const Channel alpha(layout.masks[3]);
    const auto colour = [&](quint32 pixel) {
        const uint a = alpha.present() ? alpha(pixel) : 255u;
        return qRgba(int(red(pixel)), int(green(pixel)), int(blue(pixel)), int(a));
    };
    if (layout.bitCount == 16) {
        forEachRow(image, data, layout, [&](const uchar *src, QRgb *dst) {
            for (qint64 x = 0; x < width; ++x, src += 2)
                dst[x] = colour(le16(src));
        });
    } else {
        forEachRow(image, data, layout, [&](const uchar *src, QRgb *dst) {
            for (qint64 x = 0; x < width; ++x, src += 4)
                dst[x] = colour(le32(src));
        });
    }
}

// Run-length data, always bottom-up. Pixels the runs never reach stay black,
// as Windows leaves them in practice (not palette entry 0). Runs and deltas
// past the right edge or the last row are clipped, not refused; x and y are
// kept clamped to the picture so that no count of deltas can overflow them.
void decodeRunLength(QImage &image, const uchar *data, qint64 size, const Layout &layout,
                     const std::array<QRgb, 256> &palette)
{
    image.fill(kBlack);
    const bool fourBits = layout.compression == Rle4;
    const int width = int(layout.width);
    const int height = int(layout.height);
    uchar *bits = image.bits();
    const qsizetype bytesPerLine = image.bytesPerLine();
    const auto rowAt = [&](int y) { return reinterpret_cast<QRgb *>(bits + qsizetype(height - 1 - y) * bytesPerLine); };

    const uchar *p = data + layout.dataOffset;
    const uchar *const end = data + size;
    // The runs end at the end-of-bitmap mark; a file that ends first is cut short.
    const auto cutShort = [size] {
        readError(QStringLiteral("the run-length pixel data ends with the file, after %1, before its "
                                 "end-of-bitmap mark")
                      .arg(byteCount(size)));
    };
    int x = 0;
    int y = 0;
    for (;;) {
        if (end - p < 2)
            cutShort();
        const int count = p[0];
        const int value = p[1];
        p += 2;

        if (count > 0) {
            // An encoded run: one index, or for 4 bits two alternating ones.
            const int stop = std::min(x + count, width);
            if (y < height) {
                QRgb *dst = rowAt(y);
                if (fourBits) {
                    const QRgb colours[2] = {palette[size_t(value >> 4)], palette[size_t(value & 0x0F)]};
                    for (int i = x; i < stop; ++i)
                        dst[i] = colours[(i - x) & 1];
                } else {
                    std::fill(dst + x, dst + stop, palette[size_t(value)]);
                }
            }
            x = stop;
            continue;
        }

        switch (value) {
        case 0: // end of line
            x = 0;
            y = std::min(y + 1, height);
            break;
        case 1: // end of bitmap
            return;
        case 2: // delta: right and up
            if (end - p < 2)
                cutShort();
            x = std::min(x + p[0], width);
            y = std::min(y + p[1], height);
            p += 2;
            break;
        default: { // absolute run of `value` pixels, padded to a 16-bit boundary
            const qint64 dataBytes = fourBits ? (value + 1) / 2 : value;
            const qint64 paddedBytes = dataBytes + (dataBytes & 1);
            if (end - p < paddedBytes)
                cutShort();
            const int stop = std::min(x + value, width);
            if (y < height) {
                QRgb *dst = rowAt(y);
                for (int i = x; i < stop; ++i) {
                    const int n = i - x;
                    const int index = fourBits ? (p[n >> 1] >> ((n & 1) ? 0 : 4)) & 0x0F : p[n];
                    dst[i] = palette[size_t(index)];
                }
            }
            x = stop;
            p += paddedBytes;
            break;
        }
        }
    }
}

} // namespace

QImage decodeBmp(QByteArrayView bytes)
{
    if (bytes.isEmpty())
        return QImage();
    const auto *data = reinterpret_cast<const uchar *>(bytes.data());
    const qint64 size = bytes.size();
    const Layout layout = readLayout(data, size);

    const QImage::Format format
        = layout.bitFields && layout.masks[3] != 0 ? QImage::Format_ARGB32 : QImage::Format_RGB32;
    QImage image = allocatePictureFrame(int(layout.width), int(layout.height), format);
    if (image.isNull()) // the allocation failed; the size itself was checked
        throw Failure(QStringLiteral("Out of memory"));

    const std::array<QRgb, 256> palette = readPalette(data, layout);
    if (layout.compression == Rle8 || layout.compression == Rle4)
        decodeRunLength(image, data, size, layout, palette);
    else
        decodeUncompressed(image, data, layout, palette);
    return image;
}

} // namespace korvane
