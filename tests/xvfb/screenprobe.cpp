// Reads screenshots that the X server's own xwd took of the root window and
// measures what a person sees in Korvane's main window. Coordinates are those
// of the window's client area, whose place on the screen the caller passes.
//
//   xwdprobe sizes SHOT CX CY CW CH
//       prints the heights and widths of the part list and the picture area
//   xwdprobe changed BEFORE AFTER CX CY X Y W H
//       prints how many pixels of the rectangle differ between two shots,
//       and the first and last client row and column that hold such a pixel
//   xwdprobe png SHOT X Y W H OUT
//       writes a part of the screen as PNG (the README's screenshot)
//   xwdprobe picture-size PICTURE
//       prints the width and height of a picture file

#include <QByteArray>
#include <QCoreApplication>
#include <QFile>
#include <QImage>
#include <QImageReader>
#include <QString>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <optional>

namespace {

[[noreturn]] void fail(const char *what)
{
    std::fprintf(stderr, "xwdprobe: %s\n", what);
    std::exit(2);
}

quint32 bigEndian32(const uchar *p)
{
    return (quint32(p[0]) << 24) | (quint32(p[1]) << 16) | (quint32(p[2]) << 8) | quint32(p[3]);
}

// The header is 25 big-endian words; the pixels follow the window name and
// the colour table. Xvfb runs with a 24-bit TrueColor screen, whose pixels
// xwd writes in 3 or 4 bytes; that is all that is read here.
QImage readXwd(const char *fileName)
{
    QFile file(QString::fromLocal8Bit(fileName));
    if (!file.open(QIODevice::ReadOnly))
        fail("cannot read the screenshot");
    const QByteArray bytes = file.readAll();
    if (bytes.size() < 100)
        fail("not an XWD file");
    const auto *data = reinterpret_cast<const uchar *>(bytes.constData());
    const auto word = [&](int index) { return bigEndian32(data + 4 * index); };
    const quint32 headerSize = word(0);
    const quint32 version = word(1);
    const quint32 format = word(2);
    const quint32 width = word(4);
    const quint32 height = word(5);
    const quint32 byteOrder = word(7);
    const quint32 bitsPerPixel = word(11);
    const quint32 bytesPerLine = word(12);
    const quint32 redMask = word(14);
    const quint32 greenMask = word(15);
    const quint32 blueMask = word(16);
    const quint32 colours = word(19);
    if (version != 7 || format != 2 || (bitsPerPixel != 24 && bitsPerPixel != 32) || redMask != 0xff0000
        || greenMask != 0xff00 || blueMask != 0xff)
        fail("only 24-bit TrueColor screenshots are read");
    const quint32 bytesPerPixel = bitsPerPixel / 8;
    const qint64 pixelsAt = qint64(headerSize) + qint64(colours) * 12;
    if (pixelsAt + qint64(bytesPerLine) * height > bytes.size() || bytesPerLine < width * bytesPerPixel)
        fail("truncated XWD file");
    QImage image(int(width), int(height), QImage::Format_RGB32);
    for (quint32 y = 0; y < height; ++y) {
        const uchar *row = data + pixelsAt + qint64(bytesPerLine) * y;
        auto *out = reinterpret_cast<QRgb *>(image.scanLine(int(y)));
        for (quint32 x = 0; x < width; ++x) {
            const uchar *p = row + bytesPerPixel * x;
            // The low three bytes hold the colour in either byte order.
            const quint32 pixel = byteOrder == 0       ? (quint32(p[2]) << 16) | (quint32(p[1]) << 8) | quint32(p[0])
                                  : bytesPerPixel == 4 ? (quint32(p[1]) << 16) | (quint32(p[2]) << 8) | quint32(p[3])
                                                       : (quint32(p[0]) << 16) | (quint32(p[1]) << 8) | quint32(p[2]);
            out[x] = 0xff000000u | pixel;
        }
    }
    return image;
}

int number(const char *text)
{
    char *end = nullptr;
    const long value = std::strtol(text, &end, 10);
    if (end == text || *end != '\0')
        fail("a coordinate is not a number");
    return int(value);
}

struct Client
{
    QImage screen;
    int left;
    int top;
    int width;
    int height;

    QRgb at(int x, int y) const
    {
        if (x < 0 || y < 0 || x >= width || y >= height || !screen.rect().contains(left + x, top + y))
            fail("a point outside the client area");
        return screen.pixel(left + x, top + y);
    }

    // The first row at or above `from` in column x whose pixel is not the
    // background, or nothing.
    std::optional<int> lowestInk(int x, int from, QRgb background) const
    {
        for (int y = from; y >= 0; --y) {
            if (at(x, y) != background)
                return y;
        }
        return std::nullopt;
    }

    std::optional<int> rightmostInk(int y, int from, QRgb background) const
    {
        for (int x = from; x >= 0; --x) {
            if (at(x, y) != background)
                return x;
        }
        return std::nullopt;
    }
};

// The part list stands at 8, 112 and the picture area at 408, 49; neither
// moves, only their lower and right edges follow the window. Each edge is
// found by walking from the window's edge towards the control until the
// window's background ends, so that nothing drawn inside the controls counts.
// The bottom 21 rows are left out: the status bar lies there.
int sizes(const Client &client)
{
    const QRgb background = client.at(404, 120);
    const int fromBottom = client.height - 22;
    const std::optional<int> listBottom = client.lowestInk(200, fromBottom, background);
    const std::optional<int> pictureBottom = client.lowestInk(438, fromBottom, background);
    const std::optional<int> pictureRight = client.rightmostInk(79, client.width - 2, background);
    std::printf("fl1_height=%d\n", listBottom ? *listBottom - 112 + 1 : -1);
    std::printf("ScrollBox1_height=%d\n", pictureBottom ? *pictureBottom - 49 + 1 : -1);
    std::printf("ScrollBox1_width=%d\n", pictureRight ? *pictureRight - 408 + 1 : -1);
    return 0;
}

int changed(const Client &before, const Client &after, int x, int y, int w, int h)
{
    int count = 0;
    int firstRow = -1;
    int lastRow = -1;
    int firstColumn = -1;
    int lastColumn = -1;
    for (int row = y; row < y + h; ++row) {
        for (int column = x; column < x + w; ++column) {
            if (before.at(column, row) != after.at(column, row)) {
                if (count++ == 0) {
                    firstRow = row;
                    firstColumn = column;
                    lastColumn = column;
                }
                lastRow = row;
                firstColumn = std::min(firstColumn, column);
                lastColumn = std::max(lastColumn, column);
            }
        }
    }
    std::printf("changed=%d\nfirst_row=%d\nlast_row=%d\nfirst_column=%d\nlast_column=%d\n", count, firstRow, lastRow,
                firstColumn, lastColumn);
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    // Picture formats come as plugins, which an application object finds.
    QCoreApplication app(argc, argv);
    const QString command = argc > 1 ? QString::fromLatin1(argv[1]) : QString();
    if (command == QLatin1String("sizes") && argc == 7) {
        const Client client{readXwd(argv[2]), number(argv[3]), number(argv[4]), number(argv[5]), number(argv[6])};
        return sizes(client);
    }
    if (command == QLatin1String("changed") && argc == 10) {
        const int left = number(argv[4]);
        const int top = number(argv[5]);
        const QImage first = readXwd(argv[2]);
        const Client before{first, left, top, first.width() - left, first.height() - top};
        const Client after{readXwd(argv[3]), left, top, before.width, before.height};
        if (before.screen.size() != after.screen.size())
            fail("the shots differ in size");
        return changed(before, after, number(argv[6]), number(argv[7]), number(argv[8]), number(argv[9]));
    }
    if (command == QLatin1String("png") && argc == 8) {
        const QImage screen = readXwd(argv[2]);
        const QRect part(number(argv[3]), number(argv[4]), number(argv[5]), number(argv[6]));
        if (!screen.rect().contains(part))
            fail("the part lies outside the screen");
        if (!screen.copy(part).save(QString::fromLocal8Bit(argv[7]), "PNG"))
            fail("cannot write the PNG file");
        return 0;
    }
    if (command == QLatin1String("picture-size") && argc == 3) {
        const QSize size = QImageReader(QString::fromLocal8Bit(argv[2])).size();
        if (!size.isValid())
            fail("cannot read the picture's size");
        std::printf("%d %d\n", size.width(), size.height());
        return 0;
    }
    std::fprintf(stderr, "usage: xwdprobe sizes|changed|png|picture-size ...\n");
    return 2;
}
