// The bitmap decoder against files written byte by byte: every
// depth and header kind, run-length data, and each way a file can be refused.

#include "catalog/Failure.h"
#include "platform/BmpDecoder.h"
#include "platform/PictureFrame.h"
#include "support/BitmapFile.h"

#include <QElapsedTimer>
#include <QFile>
#include <QtTest>

#include <climits>
#include <functional>
#include <sys/resource.h>

using namespace korvane;
using namespace korvane::testing;

namespace {

const QString kNotValid = QStringLiteral("Bitmap image is not valid");
const QString kReadError = QStringLiteral("Stream read error");
constexpr QRgb kBlack = 0xFF000000u;

using Rows = QList<QList<quint32>>;

// Stores rows of raw pixel values (top row first) as a file does: bottom-up
// unless topDown, unused bits of a row's last byte set, and each row padded to
// 4 bytes with junk, so that a decoder reading either as pixels is caught.
// 24-bit values are QRgb colours, stored B, G, R.
QByteArray storeRows(quint32 bitCount, const Rows &topFirst, bool topDown = false)
{
    QByteArray out;
    for (qsizetype r = 0; r < topFirst.size(); ++r) {
        const QList<quint32> &row = topFirst[topDown ? r : topFirst.size() - 1 - r];
        QByteArray bytes;
        if (bitCount < 8) {
            const qsizetype perByte = 8 / bitCount;
            bytes.fill(char(0xFF), (row.size() + perByte - 1) / perByte);
            const quint32 valueMask = (1u << bitCount) - 1;
            for (qsizetype i = 0; i < row.size(); ++i) {
                const int shift = int(8 - bitCount * (i % perByte + 1));
                auto byte = uchar(bytes[i / perByte]);
                byte = uchar((byte & ~(valueMask << shift)) | ((row[i] & valueMask) << shift));
                bytes[i / perByte] = char(byte);
            }
        } else {
            for (const quint32 value : row) {
                switch (bitCount) {
                case 8:
                    bytes.append(char(value));
                    break;
                case 16:
                    put16(bytes, value);
                    break;
                case 24:
                    bytes.append(char(qBlue(value)));
                    bytes.append(char(qGreen(value)));
                    bytes.append(char(qRed(value)));
                    break;
                default:
                    put32(bytes, value);
                    break;
                }
            }
        }
        while (bytes.size() % 4 != 0)
            bytes.append(char(0xA5));
        out += bytes;
    }
    return out;
}

QImage picture(const Rows &topFirst, const std::function<QRgb(quint32)> &colourOf,
               QImage::Format format = QImage::Format_RGB32)
{
    QImage image(int(topFirst.first().size()), int(topFirst.size()), format);
    for (int y = 0; y < image.height(); ++y) {
        auto *line = reinterpret_cast<QRgb *>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x)
            line[x] = colourOf(topFirst[y][x]);
    }
    return image;
}

QRgb asIs(quint32 value)
{
    return value;
}

// A 16-colour palette of distinct colours, none of them black.
QList<QRgb> sixteenColours()
{
    QList<QRgb> colours;
    for (int i = 0; i < 16; ++i)
        colours.append(qRgb(20 + i * 10, 200 - i * 10, 5 + i * 15));
    return colours;
}

QList<QRgb> allColours()
{
    QList<QRgb> colours;
    for (int i = 0; i < 256; ++i)
        colours.append(qRgb(i, 255 - i, (i * 7) & 0xFF));
    return colours;
}

// A palette picture and its expected decoding (indexes past the palette black).
std::pair<QByteArray, QImage> indexed(quint32 bitCount, const QList<QRgb> &palette, const Rows &indexes,
                                      bool topDown = false, quint32 headerSize = 40, quint32 coloursUsed = 0)
{
    Bitmap bitmap;
    bitmap.headerSize = headerSize;
    bitmap.width = qint32(indexes.first().size());
    bitmap.height = topDown ? -qint32(indexes.size()) : qint32(indexes.size());
    bitmap.bitCount = bitCount;
    bitmap.coloursUsed = coloursUsed;
    bitmap.palette = palette;
    bitmap.pixels = storeRows(bitCount, indexes, topDown);
    return {bitmap.bytes(), picture(indexes, [&](quint32 i) { return palette.value(i, kBlack); })};
}

// Channel scaling as the format describes it: value * 255 / (2^bits - 1).
quint32 scaled(quint32 pixel, quint32 mask)
{
    if (mask == 0)
        return 255;
    int shift = 0;
    while (((mask >> shift) & 1) == 0)
        ++shift;
    const quint64 max = mask >> shift;
    return quint32(quint64((pixel & mask) >> shift) * 255 / max);
}

std::function<QRgb(quint32)> masked(quint32 red, quint32 green, quint32 blue, quint32 alpha = 0)
{
    return [=](quint32 pixel) {
        return qRgba(int(scaled(pixel, red)), int(scaled(pixel, green)), int(scaled(pixel, blue)),
                     int(scaled(pixel, alpha)));
    };
}

std::pair<QByteArray, QImage> direct(quint32 bitCount, const Rows &values, const std::function<QRgb(quint32)> &colourOf,
                                     bool topDown = false, quint32 headerSize = 40, quint32 compression = 0,
                                     const QList<quint32> &masks = {}, QImage::Format format = QImage::Format_RGB32)
{
    Bitmap bitmap;
    bitmap.headerSize = headerSize;
    bitmap.width = qint32(values.first().size());
    bitmap.height = topDown ? -qint32(values.size()) : qint32(values.size());
    bitmap.bitCount = bitCount;
    bitmap.compression = compression;
    bitmap.masks = masks;
    bitmap.pixels = storeRows(bitCount, values, topDown);
    return {bitmap.bytes(), picture(values, colourOf, format)};
}

// Where two pictures first differ, or "" when they are the same.
QString firstDifference(const QImage &actual, const QImage &expected)
{
    if (actual.format() != expected.format())
        return QStringLiteral("format %1, expected %2").arg(actual.format()).arg(expected.format());
    if (actual.size() != expected.size())
        return QStringLiteral("size %1x%2, expected %3x%4")
            .arg(actual.width())
            .arg(actual.height())
            .arg(expected.width())
            .arg(expected.height());
    for (int y = 0; y < actual.height(); ++y) {
        const auto *got = reinterpret_cast<const QRgb *>(actual.constScanLine(y));
        const auto *want = reinterpret_cast<const QRgb *>(expected.constScanLine(y));
        for (int x = 0; x < actual.width(); ++x) {
            if (got[x] != want[x])
                return QStringLiteral("pixel (%1, %2) is #%3, expected #%4")
                    .arg(x)
                    .arg(y)
                    .arg(got[x], 8, 16, QLatin1Char('0'))
                    .arg(want[x], 8, 16, QLatin1Char('0'));
        }
    }
    return QString();
}

QString failureOf(QByteArrayView bytes)
{
    try {
        decodeBmp(bytes);
    } catch (const Failure &failure) {
        return failure.message();
    }
    return QString();
}

// A run-length file: the 40-byte header, the palette (its size as the colour
// count), then the runs.
QByteArray runLength(quint32 bitCount, int width, int height, const QByteArray &runs, const QList<QRgb> &palette)
{
    Bitmap bitmap;
    bitmap.width = width;
    bitmap.height = height;
    bitmap.bitCount = bitCount;
    bitmap.compression = bitCount == 8 ? 1 : 2;
    bitmap.coloursUsed = quint32(palette.size());
    bitmap.palette = palette;
    bitmap.pixels = runs;
    return bitmap.bytes();
}

// A plain, valid 24-bit picture to break in one field at a time.
Bitmap plain24(int width = 3, int height = 2)
{
    Bitmap bitmap;
    bitmap.width = width;
    bitmap.height = height;
    bitmap.pixels = QByteArray((width * 3 + 3) / 4 * 4 * height, '\x40');
    return bitmap;
}

Bitmap plain8(int width = 3, int height = 2)
{
    Bitmap bitmap;
    bitmap.width = width;
    bitmap.height = height;
    bitmap.bitCount = 8;
    bitmap.palette = allColours();
    bitmap.pixels = QByteArray((width + 3) / 4 * 4 * height, '\x01');
    return bitmap;
}

Bitmap bitFields16(QList<quint32> masks, quint32 headerSize = 40)
{
    Bitmap bitmap;
    bitmap.headerSize = headerSize;
    bitmap.width = 2;
    bitmap.height = 2;
    bitmap.bitCount = 16;
    bitmap.compression = 3;
    bitmap.masks = std::move(masks);
    bitmap.pixels = QByteArray(8, '\x11');
    return bitmap;
}

template <typename Change>
QByteArray changed(Bitmap bitmap, Change change)
{
    change(bitmap);
    return bitmap.bytes();
}

// Caps this process's address space for a while, so that an allocation of a
// picture's worth of pixels fails instead of quietly succeeding.
class AddressSpaceCap
{
public:
    explicit AddressSpaceCap(qint64 headroom)
    {
        getrlimit(RLIMIT_AS, &m_saved);
        QFile status(QStringLiteral("/proc/self/status"));
        if (!status.open(QIODevice::ReadOnly))
            return;
        for (const QByteArray &line : status.readAll().split('\n')) {
            if (line.startsWith("VmSize:")) {
                const qint64 kilobytes = line.mid(7).trimmed().split(' ').first().toLongLong();
                rlimit capped = m_saved;
                capped.rlim_cur = rlim_t(kilobytes * 1024 + headroom);
                m_active = setrlimit(RLIMIT_AS, &capped) == 0;
            }
        }
    }
    ~AddressSpaceCap()
    {
        if (m_active)
            setrlimit(RLIMIT_AS, &m_saved);
    }
    bool active() const { return m_active; }

private:
    rlimit m_saved{};
    bool m_active = false;
};

} // namespace

class BmpTest : public QObject
{
    Q_OBJECT

private slots:
    void zeroBytesAreAnEmptyPicture();
    void decodesUncompressedPixels_data();
    void decodesUncompressedPixels();
    void decodesRunLengthData_data();
    void decodesRunLengthData();
    void refusesInconsistentHeaders_data();
    void refusesInconsistentHeaders();
    void shortFilesFollowTheirFirstBytes_data();
    void shortFilesFollowTheirFirstBytes();
    void reportsFilesCutShort_data();
    void reportsFilesCutShort();
    void hugeClaimsAreRefusedBeforeAllocating_data();
    void hugeClaimsAreRefusedBeforeAllocating();
    void largePicturesDecodeIntoFramesOfTheirOwn();
    void largeRunLengthPicturesStartBlack();
    void failuresSayWhichFieldIsWrong_data();
    void failuresSayWhichFieldIsWrong();

private:
    // Both decoding tables share their columns: the file and the expected picture.
    void verifyDecodes();
};

void BmpTest::zeroBytesAreAnEmptyPicture()
{
    QVERIFY(decodeBmp(QByteArrayView()).isNull());
    QVERIFY(decodeBmp(QByteArray("")).isNull());
}

void BmpTest::decodesUncompressedPixels_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QImage>("expected");
    const auto add = [&](const char *name, const std::pair<QByteArray, QImage> &made) {
        QTest::newRow(name) << made.first << made.second;
    };

    const QList<QRgb> two = {qRgb(10, 20, 30), qRgb(200, 100, 50)};
    const Rows bits = {{1, 0, 0, 1, 1, 0, 1}, {0, 1, 1, 0, 0, 1, 0}, {1, 1, 1, 1, 1, 1, 1}};
    add("1 bpp, 7 wide, bottom-up", indexed(1, two, bits));
    add("1 bpp, 7 wide, top-down", indexed(1, two, bits, true));
    add("1 bpp, 12-byte header", indexed(1, two, bits, false, 12));

    const Rows nibbles = {{0, 15, 7, 8, 1}, {2, 3, 4, 5, 6}, {9, 10, 11, 12, 13}, {14, 0, 14, 0, 14}};
    add("4 bpp, 5 wide, bottom-up", indexed(4, sixteenColours(), nibbles));
    add("4 bpp, 5 wide, top-down", indexed(4, sixteenColours(), nibbles, true));
    add("4 bpp, 12-byte header", indexed(4, sixteenColours(), nibbles, false, 12));
    add("4 bpp, 20 colours used (more than 4 bits need)", indexed(4, allColours().mid(0, 20), nibbles, false, 40, 20));
    add("4 bpp, index past a 2-colour palette is black", indexed(4, two, {{0, 1, 9}, {15, 1, 0}}, false, 40, 2));

    const Rows bytes = {{0, 128, 255}, {7, 254, 1}};
    add("8 bpp, 3 wide, bottom-up", indexed(8, allColours(), bytes));
    add("8 bpp, 3 wide, top-down", indexed(8, allColours(), bytes, true));
    add("8 bpp, 12-byte header", indexed(8, allColours(), bytes, false, 12));
    add("8 bpp, 108-byte header, top-down", indexed(8, allColours(), bytes, true, 108));
    add("8 bpp, index past a 3-colour palette is black",
        indexed(8, two + QList<QRgb>{qRgb(1, 2, 3)}, {{0, 1, 2, 3, 200}}, false, 40, 3));

    const Rows fiveFiveFive = {{0x7C00, 0x03E0, 0x001F}, {0x7FFF, 0x0000, 0x4210}, {0x8000, 0x0421, 0x5294}};
    add("16 bpp 5-5-5, 3 wide, top bit ignored", direct(16, fiveFiveFive, masked(0x7C00, 0x03E0, 0x001F)));
    add("16 bpp 5-5-5, top-down", direct(16, fiveFiveFive, masked(0x7C00, 0x03E0, 0x001F), true));
    const Rows fiveSixFive = {{0xF800, 0x07E0, 0x001F, 0xFFFF, 0x0841}, {0x0000, 0x8410, 0x7BEF, 0x0020, 0x1234}};
    add("16 bpp 5-6-5 bit fields, 5 wide",
        direct(16, fiveSixFive, masked(0xF800, 0x07E0, 0x001F), false, 40, 3, {0xF800, 0x07E0, 0x001F}));
    add("16 bpp 5-6-5 bit fields, top-down",
        direct(16, fiveSixFive, masked(0xF800, 0x07E0, 0x001F), true, 40, 3, {0xF800, 0x07E0, 0x001F}));
    add("16 bpp 5-6-5 bit fields, 52-byte header",
        direct(16, fiveSixFive, masked(0xF800, 0x07E0, 0x001F), false, 52, 3, {0xF800, 0x07E0, 0x001F}));
    add("16 bpp 4-4-4-4 with alpha, 56-byte header",
        direct(16, {{0xF00F, 0x0F0F, 0x1234}, {0x80F0, 0xFFFF, 0x0000}}, masked(0x0F00, 0x00F0, 0x000F, 0xF000), false,
               56, 3, {0x0F00, 0x00F0, 0x000F, 0xF000}, QImage::Format_ARGB32));
    add("16 bpp, 52-byte header without bit fields is 5-5-5",
        direct(16, fiveFiveFive, masked(0x7C00, 0x03E0, 0x001F), false, 52, 0, {0xF800, 0x07E0, 0x001F}));

    const Rows colours = {{qRgb(255, 0, 0), qRgb(0, 255, 0), qRgb(0, 0, 255), qRgb(1, 2, 3), qRgb(250, 251, 252)},
                          {qRgb(9, 8, 7), qRgb(0, 0, 0), qRgb(255, 255, 255), qRgb(128, 64, 32), qRgb(77, 88, 99)}};
    add("24 bpp, 5 wide, bottom-up", direct(24, colours, asIs));
    add("24 bpp, 5 wide, top-down", direct(24, colours, asIs, true));
    add("24 bpp, 12-byte header", direct(24, colours, asIs, false, 12));
    add("24 bpp, 124-byte header", direct(24, colours, asIs, false, 124));
    // Rows wide enough for four pixels at a time, and their last few alone.
    for (const int width : {6, 7, 10, 33}) {
        Rows rows(3);
        for (int y = 0; y < 3; ++y) {
            for (int x = 0; x < width; ++x)
                rows[y].append(qRgb((x * 37 + y * 11) & 0xFF, (x * 101 + 7) & 0xFF, (255 - x * 13 - y) & 0xFF));
        }
        QTest::addRow("24 bpp, %d wide, bottom-up", width)
            << direct(24, rows, asIs).first << direct(24, rows, asIs).second;
        QTest::addRow("24 bpp, %d wide, top-down", width)
            << direct(24, rows, asIs, true).first << direct(24, rows, asIs, true).second;
    }

    const Rows words = {{0x12FF0000, 0xAB00FF00, 0x000000FF}, {0xFF010203, 0x00FFFFFF, 0x7F000000}};
    const auto opaque = [](quint32 value) { return QRgb(value | 0xFF000000u); };
    add("32 bpp plain, top byte ignored", direct(32, words, opaque));
    add("32 bpp plain, top-down", direct(32, words, opaque, true));
    add("32 bpp, 124-byte header without bit fields ignores its alpha mask",
        direct(32, words, opaque, false, 124, 0, {0x00FF0000, 0x0000FF00, 0x000000FF, 0xFF000000}));
    add("32 bpp bit fields, swapped red and blue", direct(32, words, masked(0x000000FF, 0x0000FF00, 0x00FF0000), false,
                                                          40, 3, {0x000000FF, 0x0000FF00, 0x00FF0000}));
    add("32 bpp bit fields, 20-6-6 (wider than a table)",
        direct(32, {{0x80000000, 0xFFFFF000, 0x00000FFF}, {0x00001FC0, 0x7FFFF03F, 0x12345678}},
               masked(0xFFFFF000, 0x00000FC0, 0x0000003F), false, 40, 3, {0xFFFFF000, 0x00000FC0, 0x0000003F}));
    add("32 bpp bit fields, 10-10-10",
        direct(32, {{0x3FF00000, 0x000FFC00, 0x000003FF}, {0x3FFFFFFF, 0x20080200, 0xC0000001}},
               masked(0x3FF00000, 0x000FFC00, 0x000003FF), false, 40, 3, {0x3FF00000, 0x000FFC00, 0x000003FF}));
    add("32 bpp bit fields with alpha, 108-byte header",
        direct(32, words, asIs, false, 108, 3, {0x00FF0000, 0x0000FF00, 0x000000FF, 0xFF000000},
               QImage::Format_ARGB32));
    add("32 bpp bit fields with alpha, 124-byte header, top-down",
        direct(32, words, asIs, true, 124, 3, {0x00FF0000, 0x0000FF00, 0x000000FF, 0xFF000000}, QImage::Format_ARGB32));
    add("32 bpp bit fields, 56-byte header with zero alpha mask is opaque",
        direct(32, words, opaque, false, 56, 3, {0x00FF0000, 0x0000FF00, 0x000000FF, 0}));

    {
        // The data offset, not the end of the palette, says where pixels start.
        Bitmap bitmap;
        bitmap.width = 2;
        bitmap.height = 1;
        bitmap.gap = QByteArray("\x11\x22\x33\x44\x55\x66", 6);
        bitmap.pixels = storeRows(24, {{qRgb(1, 2, 3), qRgb(4, 5, 6)}});
        QTest::newRow("24 bpp, gap before the pixels")
            << bitmap.bytes() << picture({{qRgb(1, 2, 3), qRgb(4, 5, 6)}}, asIs);
        // A colour count at 24 bits is a palette to step over.
        bitmap.gap.clear();
        bitmap.coloursUsed = 2;
        bitmap.palette = two;
        QTest::newRow("24 bpp, palette stepped over")
            << bitmap.bytes() << picture({{qRgb(1, 2, 3), qRgb(4, 5, 6)}}, asIs);
    }
    {
        Bitmap widest;
        widest.bitCount = 1;
        widest.width = 65535;
        widest.palette = two;
        widest.pixels = QByteArray((65535 + 31) / 32 * 4, '\0');
        QImage expected(65535, 1, QImage::Format_RGB32);
        expected.fill(two[0]);
        QTest::newRow("1 bpp, 65535 wide") << widest.bytes() << expected;
    }
}

void BmpTest::decodesUncompressedPixels()
{
    verifyDecodes();
}

void BmpTest::verifyDecodes()
{
    QFETCH(QByteArray, file);
    QFETCH(QImage, expected);
    QImage image;
    try {
        image = decodeBmp(file);
    } catch (const Failure &failure) {
        QFAIL(qPrintable(failure.message()));
    }
    QCOMPARE(firstDifference(image, expected), QString());
}

void BmpTest::decodesRunLengthData_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QImage>("expected");

    const QList<QRgb> palette = sixteenColours();
    // Indexes into the palette, -1 for a pixel left black.
    const auto expect = [&](const QList<QList<int>> &topFirst) {
        Rows rows;
        for (const QList<int> &line : topFirst) {
            QList<quint32> values;
            for (const int index : line)
                values.append(quint32(index));
            rows.append(values);
        }
        return picture(rows, [&](quint32 index) { return index == quint32(-1) ? kBlack : palette[index]; });
    };
    const auto runs = [](std::initializer_list<int> values) {
        QByteArray out;
        for (const int value : values)
            out.append(char(value));
        return out;
    };

    QTest::newRow("RLE8 encoded runs, end of line, end of bitmap")
        << runLength(8, 6, 3, runs({3, 1, 3, 2, 0, 0, 6, 3, 0, 0, 2, 4, 4, 5, 0, 1}), palette)
        << expect({{4, 4, 5, 5, 5, 5}, {3, 3, 3, 3, 3, 3}, {1, 1, 1, 2, 2, 2}});
    QTest::newRow("RLE8 absolute runs, odd one padded")
        << runLength(8, 6, 2, runs({0, 3, 7, 8, 9, 0, 3, 10, 0, 0, 0, 4, 1, 2, 3, 4, 2, 5, 0, 1}), palette)
        << expect({{1, 2, 3, 4, 5, 5}, {7, 8, 9, 10, 10, 10}});
    QTest::newRow("RLE8 delta, unreached pixels black")
        << runLength(8, 5, 3, runs({1, 1, 0, 2, 2, 1, 2, 2, 0, 0, 1, 0, 0, 1}), palette)
        << expect({{0, -1, -1, -1, -1}, {-1, -1, -1, 2, 2}, {1, -1, -1, -1, -1}});
    QTest::newRow("RLE8 runs past the edge and the last row are clipped") << runLength(
        8, 4, 2,
        runs({10, 1, 2, 2, 0, 0, 0, 5, 3, 4, 5, 6, 7, 0, 0, 0, 3, 4, 0, 2, 5, 5, 1, 4, 0, 4, 1, 2, 3, 4, 0, 1}),
        palette) << expect({{3, 4, 5, 6}, {1, 1, 1, 1}});
    QTest::newRow("RLE8 delta past the right edge and the top")
        << runLength(8, 3, 2, runs({1, 1, 0, 2, 200, 0, 1, 2, 0, 0, 1, 3, 0, 2, 1, 250, 2, 4, 0, 1}), palette)
        << expect({{3, -1, -1}, {1, -1, -1}});
    QTest::newRow("RLE8 index past the palette is black")
        << runLength(8, 3, 1, runs({2, 5, 1, 1, 0, 1}), palette.mid(0, 2)) << expect({{-1, -1, 1}});

    QTest::newRow("RLE4 encoded and padded absolute runs")
        << runLength(4, 7, 2, runs({7, 0x12, 0, 0, 0, 5, 0x34, 0x56, 0x70, 0, 2, 0x89, 0, 1}), palette)
        << expect({{3, 4, 5, 6, 7, 8, 9}, {1, 2, 1, 2, 1, 2, 1}});
    QTest::newRow("RLE4 unpadded absolute run, high nibble first")
        << runLength(4, 4, 1, runs({0, 3, 0xAB, 0xC0, 1, 0xD0, 0, 1}), palette) << expect({{10, 11, 12, 13}});
    QTest::newRow("RLE4 delta, end of line, clipped run")
        << runLength(4, 3, 3, runs({0, 2, 1, 1, 2, 0xEF, 0, 0, 6, 0xAB, 0, 1}), palette)
        << expect({{10, 11, 10}, {-1, 14, 15}, {-1, -1, -1}});
    QTest::newRow("RLE4 absolute run past the edge is clipped")
        << runLength(4, 3, 1, runs({0, 6, 0x12, 0x34, 0x56, 0, 0, 1}), palette) << expect({{1, 2, 3}});
}

void BmpTest::decodesRunLengthData()
{
    verifyDecodes();
}

void BmpTest::refusesInconsistentHeaders_data()
{
    QTest::addColumn<QByteArray>("file");

    const QByteArray valid = plain24().bytes();
    QVERIFY(failureOf(valid).isEmpty());
    QVERIFY(failureOf(plain8().bytes()).isEmpty());

    QTest::newRow("wrong signature") << changed(plain24(), [](Bitmap &b) { b.signature = "BA"; });
    QTest::newRow("no signature at all") << changed(plain24(), [](Bitmap &b) { b.signature = "MB"; });
    for (const quint32 size : {0u, 20u, 41u, 64u, 128u, 0xFFFFFFFFu}) {
        QTest::addRow("header size %u", size) << changed(plain24(), [=](Bitmap &b) { b.headerSize = size; });
    }
    QTest::newRow("planes 2") << changed(plain24(), [](Bitmap &b) { b.planes = 2; });
    QTest::newRow("planes 0") << changed(plain24(), [](Bitmap &b) { b.planes = 0; });
    QTest::newRow("12-byte header, planes 3") << changed(plain24(), [](Bitmap &b) {
        b.headerSize = 12;
        b.planes = 3;
    });
    for (const quint32 bits : {0u, 2u, 7u, 15u, 48u}) {
        QTest::addRow("bpp %u", bits) << changed(plain24(), [=](Bitmap &b) { b.bitCount = bits; });
    }
    for (const quint32 compression : {4u, 5u, 6u, 0xFFFFFFFFu}) {
        QTest::addRow("compression %u", compression)
            << changed(plain24(), [=](Bitmap &b) { b.compression = compression; });
    }
    QTest::newRow("RLE8 at 4 bpp") << changed(plain8(), [](Bitmap &b) {
        b.bitCount = 4;
        b.compression = 1;
        b.palette = sixteenColours();
        b.pixels = QByteArray("\0\1", 2);
    });
    QTest::newRow("RLE4 at 8 bpp") << changed(plain8(), [](Bitmap &b) { b.compression = 2; });
    QTest::newRow("RLE8 at 24 bpp") << changed(plain24(), [](Bitmap &b) { b.compression = 1; });
    QTest::newRow("bit fields at 24 bpp") << changed(plain24(), [](Bitmap &b) {
        b.compression = 3;
        b.masks = {0xFF0000, 0xFF00, 0xFF};
    });
    QTest::newRow("bit fields at 8 bpp") << changed(plain8(), [](Bitmap &b) {
        b.compression = 3;
        b.masks = {0xE0, 0x1C, 0x03};
    });
    QTest::newRow("width 0") << changed(plain24(), [](Bitmap &b) { b.width = 0; });
    QTest::newRow("width -3") << changed(plain24(), [](Bitmap &b) { b.width = -3; });
    QTest::newRow("width 65536") << changed(plain24(), [](Bitmap &b) { b.width = 65536; });
    QTest::newRow("width 70000") << changed(plain24(), [](Bitmap &b) { b.width = 70000; });
    QTest::newRow("height 0") << changed(plain24(), [](Bitmap &b) { b.height = 0; });
    QTest::newRow("height INT_MIN") << changed(plain24(), [](Bitmap &b) { b.height = INT_MIN; });
    QTest::newRow("12-byte header, width 0") << changed(plain24(), [](Bitmap &b) {
        b.headerSize = 12;
        b.width = 0;
    });
    QTest::newRow("12-byte header, height 0") << changed(plain24(), [](Bitmap &b) {
        b.headerSize = 12;
        b.height = 0;
    });
    QTest::newRow("257 colours") << changed(plain8(), [](Bitmap &b) {
        b.coloursUsed = 257;
        b.palette.append(qRgb(1, 1, 1));
    });
    QTest::newRow("257 colours at 24 bpp") << changed(plain24(), [](Bitmap &b) {
        b.coloursUsed = 257;
        b.palette = allColours() + QList<QRgb>{qRgb(1, 1, 1)};
    });
    QTest::newRow("4 billion colours") << changed(plain8(), [](Bitmap &b) { b.coloursUsed = 0xFFFFFFFF; });
    {
        // 256 entries announced, 10 present, and nothing after them.
        Bitmap bitmap = plain8();
        bitmap.palette = allColours().mid(0, 10);
        bitmap.pixels.clear();
        QTest::newRow("palette past the end") << bitmap.bytes();
        bitmap.headerSize = 12;
        QTest::newRow("12-byte header, palette past the end") << bitmap.bytes();
        bitmap = plain24();
        bitmap.coloursUsed = 200;
        bitmap.pixels.clear();
        QTest::newRow("24 bpp, skipped palette past the end") << bitmap.bytes();
    }
    QTest::newRow("zero red mask") << bitFields16({0, 0x07E0, 0x001F}).bytes();
    QTest::newRow("zero green mask") << bitFields16({0xF800, 0, 0x001F}).bytes();
    QTest::newRow("zero blue mask, 52-byte header") << bitFields16({0xF800, 0x07E0, 0}, 52).bytes();
    QTest::newRow("overlapping red and green") << bitFields16({0xFC00, 0x07E0, 0x001F}).bytes();
    QTest::newRow("same mask twice") << bitFields16({0x001F, 0x07E0, 0x001F}).bytes();
    QTest::newRow("alpha overlapping blue, 56-byte header")
        << bitFields16({0x0F00, 0x00F0, 0x000F, 0xF00F}, 56).bytes();
    QTest::newRow("non-contiguous red") << bitFields16({0xF0F0, 0x0700, 0x000F}).bytes();
    QTest::newRow("non-contiguous alpha, 108-byte header")
        << bitFields16({0x0F00, 0x00F0, 0x000F, 0x9000}, 108).bytes();
    QTest::newRow("data offset past the end") << changed(plain24(), [](Bitmap &b) { b.dataOffset = 1000; });
    QTest::newRow("data offset inside the file header") << changed(plain24(), [](Bitmap &b) { b.dataOffset = 10; });
    QTest::newRow("data offset inside the info header") << changed(plain24(), [](Bitmap &b) { b.dataOffset = 53; });
    QTest::newRow("data offset inside the masks")
        << changed(bitFields16({0xF800, 0x07E0, 0x001F}), [](Bitmap &b) { b.dataOffset = 60; });
    QTest::newRow("RLE8 top-down") << changed(plain8(), [](Bitmap &b) {
        b.compression = 1;
        b.height = -2;
        b.pixels = QByteArray("\0\1", 2);
    });
    QTest::newRow("RLE4 top-down") << changed(plain8(), [](Bitmap &b) {
        b.bitCount = 4;
        b.compression = 2;
        b.height = -2;
        b.palette = sixteenColours();
        b.pixels = QByteArray("\0\1", 2);
    });
}

void BmpTest::refusesInconsistentHeaders()
{
    QFETCH(QByteArray, file);
    QCOMPARE(failureOf(file), kNotValid);
}

void BmpTest::shortFilesFollowTheirFirstBytes_data()
{
    // Cut from whole files kept in memory, so that a decoder looking past the
    // end it was given would find plausible bytes there and answer otherwise.
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<int>("length");
    QTest::addColumn<QString>("message");

    const QByteArray valid = plain24(5, 3).bytes();
    QTest::newRow("one byte") << valid << 1 << kNotValid;
    QTest::newRow("one byte, alone") << QByteArray("B") << 1 << kNotValid;
    QTest::newRow("wrong signature") << QByteArray("XMabc") << 5 << kNotValid;
    QTest::newRow("half a signature") << QByteArray("BX") << 2 << kNotValid;
    QTest::newRow("signature only") << valid << 2 << kReadError;
    QTest::newRow("13 bytes") << valid << 13 << kReadError;
    QTest::newRow("file header only") << valid << 14 << kReadError;
    QTest::newRow("header size cut") << valid << 16 << kReadError;
    // Past the cut lies a header size that would be refused: unread, it must not matter.
    QTest::newRow("header size cut before a bad size")
        << changed(plain24(5, 3), [](Bitmap &b) { b.headerSize = 99; }) << 17 << kReadError;
}

void BmpTest::shortFilesFollowTheirFirstBytes()
{
    QFETCH(QByteArray, file);
    QFETCH(int, length);
    QFETCH(QString, message);
    QCOMPARE(failureOf(QByteArrayView(file).first(length)), message);
}

void BmpTest::reportsFilesCutShort_data()
{
    // The whole file stays in memory after the cut, so a decoder that reads
    // past the end it was given finds plausible bytes there and is caught.
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<int>("length");

    const QByteArray valid24 = plain24(5, 3).bytes();
    QTest::newRow("40-byte header cut") << valid24 << 30;
    QTest::newRow("40-byte header one byte short") << valid24 << 53;
    QTest::newRow("124-byte header cut") << changed(plain24(5, 3), [](Bitmap &b) { b.headerSize = 124; }) << 100;
    QTest::newRow("12-byte header cut") << changed(plain24(5, 3), [](Bitmap &b) { b.headerSize = 12; }) << 24;
    QTest::newRow("bit-field masks cut") << bitFields16({0xF800, 0x07E0, 0x001F}).bytes() << 14 + 40 + 6;
    QTest::newRow("last pixel row one byte short") << valid24 << int(valid24.size() - 1);
    QTest::newRow("last pixel row missing") << valid24 << int(valid24.size() - 16);
    QTest::newRow("no pixel rows") << valid24 << 54;
    const QByteArray valid1 = indexed(1, {qRgb(0, 0, 0), qRgb(9, 9, 9)}, {{1, 0, 1}, {0, 1, 0}}).first;
    QTest::newRow("1 bpp rows cut") << valid1 << int(valid1.size() - 1);
    const QByteArray valid16 = bitFields16({0xF800, 0x07E0, 0x001F}).bytes();
    QTest::newRow("16 bpp rows cut") << valid16 << int(valid16.size() - 2);

    const auto rle = [](quint32 bitCount, const char *runs, int size) {
        return runLength(bitCount, 4, 2, QByteArray(runs, size), sixteenColours());
    };
    const auto cut = [](const QByteArray &file, int dropped) { return int(file.size() - dropped); };
    const QByteArray complete8 = rle(8, "\2\1\0\0\0\3\1\2\3\0\0\2\1\1\0\1", 16);
    QTest::newRow("RLE8 without end of bitmap") << complete8 << cut(complete8, 2);
    QTest::newRow("RLE8 cut inside the end-of-bitmap escape") << complete8 << cut(complete8, 1);
    QTest::newRow("RLE8 cut inside an absolute run") << complete8 << cut(complete8, 10);
    QTest::newRow("RLE8 absolute run without its padding") << complete8 << cut(complete8, 7);
    QTest::newRow("RLE8 no data at all") << complete8 << cut(complete8, 16);
    const QByteArray delta8 = rle(8, "\1\1\0\2\1\1\1\2\0\1", 10);
    QTest::newRow("RLE8 cut inside a delta") << delta8 << cut(delta8, 5);
    const QByteArray rowsOnly = rle(8, "\4\1\0\0\4\2\0\0", 8);
    QTest::newRow("RLE8 all rows but no end of bitmap") << rowsOnly << int(rowsOnly.size());
    const QByteArray complete4 = rle(4, "\4\x12\0\0\0\3\x12\x30\0\1", 10);
    QTest::newRow("RLE4 without end of bitmap") << complete4 << cut(complete4, 2);
    QTest::newRow("RLE4 cut inside an absolute run") << complete4 << cut(complete4, 3);
}

void BmpTest::reportsFilesCutShort()
{
    QFETCH(QByteArray, file);
    QFETCH(int, length);
    QVERIFY(length <= file.size());
    // Whole, the file decodes; cut, it fails (except the deliberately unended run data).
    if (length < file.size())
        QCOMPARE(failureOf(file), QString());
    QCOMPARE(failureOf(QByteArrayView(file).first(length)), kReadError);
}

void BmpTest::hugeClaimsAreRefusedBeforeAllocating_data()
{
    QTest::addColumn<QByteArray>("file");

    QTest::newRow("16385 x 16385, 24 bpp, tiny file") << changed(plain24(), [](Bitmap &b) {
        b.width = 16385;
        b.height = 16385;
    });
    QTest::newRow("16385 x 16385, 1 bpp, top-down, tiny file") << changed(plain8(), [](Bitmap &b) {
        b.bitCount = 1;
        b.palette = {qRgb(1, 1, 1), qRgb(2, 2, 2)};
        b.width = 16385;
        b.height = -16385;
    });
    // Run-length data needs no bytes per pixel, so only the picture cap stops these.
    QTest::newRow("16384 x 16384, RLE8, 1,080 bytes")
        << runLength(8, 16384, 16384, QByteArray("\0\1", 2), allColours());
    QTest::newRow("8193 x 8192, RLE8, just past the cap")
        << runLength(8, 8193, 8192, QByteArray("\0\1", 2), sixteenColours());
    QTest::newRow("16384 x 16385, RLE8") << runLength(8, 16384, 16385, QByteArray("\0\1", 2), sixteenColours());
    QTest::newRow("65535 x 4097, RLE4") << runLength(4, 65535, 4097, QByteArray("\0\1", 2), sixteenColours());
    QTest::newRow("65535 x 65535, RLE8, 12-byte header") << changed(plain8(), [](Bitmap &b) {
        b.headerSize = 12;
        b.width = 65535;
        b.height = 65535;
        b.compression = 1;
        b.pixels = QByteArray("\0\1", 2);
    });
}

void BmpTest::hugeClaimsAreRefusedBeforeAllocating()
{
    QFETCH(QByteArray, file);
    // Room for the test's own needs but not for a gigabyte of pixels: if the
    // decoder allocated first, the allocation would fail and the message differ.
    const AddressSpaceCap cap(qint64(256) * 1024 * 1024);
    QVERIFY(cap.active());
    QElapsedTimer timer;
    timer.start();
    const QString message = failureOf(file);
    const qint64 elapsed = timer.elapsed();
    QCOMPARE(message, kNotValid);
    QVERIFY2(elapsed < 50, qPrintable(QStringLiteral("%1 ms").arg(elapsed)));
}

void BmpTest::largePicturesDecodeIntoFramesOfTheirOwn()
{
    // From 8 MP up the pixels go into a frame of memory of its own; what comes
    // out must be the same picture, laid out and copied like any other.
    constexpr int width = 4000;
    constexpr int height = 2000;
    static_assert(qint64(width) * height >= kLargePicturePixels);
    const auto colourAt = [](int x, int y) { return qRgb(x & 0xFF, y & 0xFF, (x / 7 + y) & 0xFF); };
    Bitmap bitmap = plain24(width, height);
    char *stored = bitmap.pixels.data();
    for (int row = 0; row < height; ++row) {
        const int y = height - 1 - row; // bottom-up
        for (int x = 0; x < width; ++x, stored += 3) {
            const QRgb colour = colourAt(x, y);
            stored[0] = char(qBlue(colour));
            stored[1] = char(qGreen(colour));
            stored[2] = char(qRed(colour));
        }
    }

    QImage image = decodeBmp(bitmap.bytes());
    QCOMPARE(image.size(), QSize(width, height));
    QCOMPARE(image.format(), QImage::Format_RGB32);
    QCOMPARE(image.bytesPerLine(), qsizetype(width) * 4);
    for (const QPoint point :
         {QPoint(0, 0), QPoint(width - 1, 0), QPoint(0, height - 1), QPoint(width - 1, height - 1), QPoint(1234, 567)})
        QCOMPARE(image.pixel(point), colourAt(point.x(), point.y()));

    // A copy that is written to gets pixels of its own; the picture keeps its.
    QImage copy = image;
    copy.setPixel(10, 20, qRgb(1, 2, 3));
    QCOMPARE(copy.pixel(10, 20), qRgb(1, 2, 3));
    QCOMPARE(image.pixel(10, 20), colourAt(10, 20));
    image.setPixel(30, 40, qRgb(4, 5, 6));
    QCOMPARE(image.pixel(30, 40), qRgb(4, 5, 6));
    QCOMPARE(copy.pixel(30, 40), colourAt(30, 40));
}

void BmpTest::largeRunLengthPicturesStartBlack()
{
    // Fresh memory reads as zero, which is not opaque black: the pixels the
    // runs never reach must still be painted black in a large frame.
    constexpr int width = 4000;
    constexpr int height = 2000;
    const QImage image = decodeBmp(runLength(8, width, height, QByteArray("\3\1\0\1", 4), sixteenColours()));
    QCOMPARE(image.size(), QSize(width, height));
    QCOMPARE(image.pixel(0, height - 1), sixteenColours().at(1));
    QCOMPARE(image.pixel(2, height - 1), sixteenColours().at(1));
    QCOMPARE(image.pixel(3, height - 1), kBlack);
    QCOMPARE(image.pixel(width - 1, 0), kBlack);
    QCOMPARE(image.pixel(width / 2, height / 2), kBlack);
}

// The window shows the message alone; the catalog checker adds the detail,
// which must name the field and its value.
void BmpTest::failuresSayWhichFieldIsWrong_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("detail");

    QTest::newRow("signature") << changed(plain24(), [](Bitmap &b) { b.signature = "MB"; }) << kNotValid
                               << "the file starts with the bytes 4D 42, not \"BM\" (42 4D)";
    QTest::newRow("a JPEG renamed") << QByteArray("\xFF\xD8\xFF\xE0 JFIF") << kNotValid
                                    << "the file starts with FF D8, a JPEG's signature, not \"BM\"";
    QTest::newRow("bit count") << changed(plain24(), [](Bitmap &b) { b.bitCount = 7; }) << kNotValid
                               << "a bit count of 7: a bitmap has 1, 4, 8, 16, 24 or 32 bits a pixel";
    QTest::newRow("width") << changed(plain24(), [](Bitmap &b) { b.width = 0; }) << kNotValid
                           << "a width of 0: a bitmap's is 1 to 65535";
    QTest::newRow("RLE8 at 24 bpp") << changed(plain24(), [](Bitmap &b) { b.compression = 1; }) << kNotValid
                                    << "RLE8 compression with 24 bits a pixel: it needs 8";
    QTest::newRow("data offset") << changed(plain24(), [](Bitmap &b) { b.dataOffset = 4294967040; }) << kNotValid
                                 << "the pixel data offset 4294967040 lies past the file's 78 bytes";
    QTest::newRow("non-contiguous red") << bitFields16({0xF0F0, 0x0700, 0x000F}).bytes() << kNotValid
                                        << "the red mask 0000f0f0, whose bits are not one run";
    const QByteArray whole = plain24(5, 3).bytes();
    QTest::newRow("pixels cut") << whole.first(whole.size() - 1) << kReadError
                                << "the file ends after 101 bytes; its 5 x 3 pixels need 48 bytes from byte 54";
    QTest::newRow("header cut") << whole.first(30) << kReadError
                                << "the file ends after 30 bytes, inside its info header";
}

void BmpTest::failuresSayWhichFieldIsWrong()
{
    QFETCH(QByteArray, file);
    QFETCH(QString, message);
    QFETCH(QString, detail);
    try {
        decodeBmp(file);
        QFAIL("decoded");
    } catch (const Failure &failure) {
        QCOMPARE(failure.message(), message);
        QCOMPARE(failure.detail(), detail);
    }
}

QTEST_MAIN(BmpTest)
#include "tst_bmp.moc"
