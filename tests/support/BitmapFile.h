#pragma once

#include <QByteArray>
#include <QList>
#include <QRgb>

// Windows bitmap files written byte by byte, for the tests and benchmarks:
// only they ever write bitmaps, and they must not trust the decoder they test.
namespace korvane::testing {

inline void put16(QByteArray &out, quint32 value)
{
    out.append(char(value & 0xFF));
    out.append(char((value >> 8) & 0xFF));
}

inline void put32(QByteArray &out, quint32 value)
{
    for (int shift = 0; shift < 32; shift += 8)
        out.append(char((value >> shift) & 0xFF));
}

// What goes into a bitmap file; bytes() lays it out as a Windows bitmap does.
// Tests write broken files with it as well as good ones.
struct Bitmap
{
    QByteArray signature = "BM";
    quint32 headerSize = 40;
    qint32 width = 1;
    qint32 height = 1;
    quint32 planes = 1;
    quint32 bitCount = 24;
    quint32 compression = 0;
    quint32 coloursUsed = 0;
    QList<quint32> masks; // red, green, blue[, alpha]: after a 40-byte header, else inside it
    QList<QRgb> palette; // B, G, R[, 0] each; 3 bytes after a 12-byte header
    QByteArray gap; // bytes between the palette and the pixels
    QByteArray pixels;
    qint64 dataOffset = -1; // -1: where the pixels really start

    QByteArray bytes() const
    {
        QByteArray info;
        if (headerSize == 12) {
            put32(info, 12);
            put16(info, quint32(width));
            put16(info, quint32(height));
            put16(info, planes);
            put16(info, bitCount);
        } else {
            put32(info, headerSize);
            put32(info, quint32(width));
            put32(info, quint32(height));
            put16(info, planes);
            put16(info, bitCount);
            put32(info, compression);
            put32(info, quint32(pixels.size()));
            put32(info, 2835); // 72 dpi
            put32(info, 2835);
            put32(info, coloursUsed);
            put32(info, 0); // colours important
            if (headerSize > 40) {
                for (quint32 i = 0; i < 4 && 40 + 4 * i < headerSize; ++i)
                    put32(info, masks.value(i));
            }
            if (headerSize >= 108)
                put32(info, 0x73524742); // 'sRGB'; the colour space fields that follow stay zero
            // Absurd sizes are only claimed, never padded out.
            if (info.size() < qsizetype(headerSize) && headerSize <= 1024)
                info.append(QByteArray(qsizetype(headerSize) - info.size(), '\0'));
        }
        if (headerSize == 40) {
            for (const quint32 mask : masks)
                put32(info, mask);
        }
        for (const QRgb colour : palette) {
            info.append(char(qBlue(colour)));
            info.append(char(qGreen(colour)));
            info.append(char(qRed(colour)));
            if (headerSize != 12)
                info.append('\0');
        }
        info.append(gap);

        const qint64 pixelsAt = 14 + info.size();
        QByteArray file = signature;
        put32(file, quint32(pixelsAt + pixels.size()));
        put32(file, 0);
        put32(file, quint32(dataOffset < 0 ? pixelsAt : dataOffset));
        return file + info + pixels;
    }
};

// A 24-bit bitmap of one colour.
QByteArray solidBitmap(int width, int height, QRgb colour);

} // namespace korvane::testing
