// Takes screenshots of the whole screen as a person sees it and measures
// Korvane's main window on them. Coordinates are those of the window's client
// area, whose place on the screen the caller passes. Shots are image files:
// PNG from `shoot`, or the PPM that the Wayland test's compositor module
// writes.
//
//   screenprobe shoot OUT
//       the X server's root window as PNG, read with XGetImage: what the
//       screen shows, open popups included (xwd -root reads a window that
//       has a colormap of its own, as Qt's popups have, from the one below
//       it and shows them black)
//   screenprobe sizes SHOT CX CY CW CH
//       prints the heights and widths of the part list and the picture area
//   screenprobe changed BEFORE AFTER CX CY X Y W H
//       prints how many pixels of the rectangle differ between two shots,
//       and the first and last client row and column that hold such a pixel
//   screenprobe lines SHOT CX CY X Y W H
//       prints how much of the rectangle is light (a list's background) and
//       how many lines of text it holds: bands of rows with dark pixels
//   screenprobe png SHOT X Y W H OUT
//       writes a part of the screen as PNG (the README's screenshot)
//   screenprobe picture-size PICTURE
//       prints the width and height of a picture file

#include <QByteArray>
#include <QCoreApplication>
#include <QImage>
#include <QImageReader>
#include <QString>

#include <xcb/xcb.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <optional>

namespace {

[[noreturn]] void fail(const char *what)
{
    std::fprintf(stderr, "screenprobe: %s\n", what);
    std::exit(2);
}

QImage readShot(const char *fileName)
{
    QImage image(QString::fromLocal8Bit(fileName));
    if (image.isNull())
        fail("cannot read the screenshot");
    return image.convertToFormat(QImage::Format_RGB32);
}

// The root window's pixels as the server composes them. Xvfb runs with a
// 24-bit TrueColor screen, which the server hands out in 32-bit pixels.
QImage rootWindow()
{
    int screenNumber = 0;
    xcb_connection_t *connection = xcb_connect(nullptr, &screenNumber);
    if (xcb_connection_has_error(connection))
        fail("cannot connect to the X server");
    xcb_screen_iterator_t screens = xcb_setup_roots_iterator(xcb_get_setup(connection));
    for (int i = 0; i < screenNumber; ++i)
        xcb_screen_next(&screens);
    const xcb_screen_t *screen = screens.data;
    const std::unique_ptr<xcb_get_image_reply_t, decltype(&std::free)> reply(
        xcb_get_image_reply(connection,
                            xcb_get_image(connection, XCB_IMAGE_FORMAT_Z_PIXMAP, screen->root, 0, 0,
                                          screen->width_in_pixels, screen->height_in_pixels, ~0u),
                            nullptr),
        &std::free);
    const int width = screen->width_in_pixels;
    const int height = screen->height_in_pixels;
    if (!reply || reply->depth != 24 || xcb_get_image_data_length(reply.get()) != width * height * 4)
        fail("only 24-bit TrueColor screens in 32-bit pixels are read");
    QImage image(xcb_get_image_data(reply.get()), width, height, width * 4, QImage::Format_RGB32);
    QImage copy = image.copy();
    xcb_disconnect(connection);
    return copy;
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

// An open list shows dark text on a light background; a popup that the
// screenshot missed is one colour, black where xwd read it.
int lines(const Client &client, int x, int y, int w, int h)
{
    int light = 0;
    int bands = 0;
    bool inBand = false;
    for (int row = y; row < y + h; ++row) {
        bool dark = false;
        for (int column = x; column < x + w; ++column) {
            const int grey = qGray(client.at(column, row));
            light += grey > 200;
            dark = dark || grey < 100;
        }
        bands += dark && !inBand;
        inBand = dark;
    }
    std::printf("light_percent=%d\ntext_lines=%d\n", w * h > 0 ? int(100LL * light / (qint64(w) * h)) : 0, bands);
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    // Picture formats come as plugins, which an application object finds.
    QCoreApplication app(argc, argv);
    const QString command = argc > 1 ? QString::fromLatin1(argv[1]) : QString();
    if (command == QLatin1String("shoot") && argc == 3) {
        // Uncompressed: the tests take many shots and keep none.
        if (!rootWindow().save(QString::fromLocal8Bit(argv[2]), "PNG", 100))
            fail("cannot write the PNG file");
        return 0;
    }
    if (command == QLatin1String("sizes") && argc == 7) {
        const Client client{readShot(argv[2]), number(argv[3]), number(argv[4]), number(argv[5]), number(argv[6])};
        return sizes(client);
    }
    if (command == QLatin1String("changed") && argc == 10) {
        const int left = number(argv[4]);
        const int top = number(argv[5]);
        const QImage first = readShot(argv[2]);
        const Client before{first, left, top, first.width() - left, first.height() - top};
        const Client after{readShot(argv[3]), left, top, before.width, before.height};
        if (before.screen.size() != after.screen.size())
            fail("the shots differ in size");
        return changed(before, after, number(argv[6]), number(argv[7]), number(argv[8]), number(argv[9]));
    }
    if (command == QLatin1String("lines") && argc == 9) {
        const QImage shot = readShot(argv[2]);
        const int left = number(argv[3]);
        const int top = number(argv[4]);
        const Client client{shot, left, top, shot.width() - left, shot.height() - top};
        return lines(client, number(argv[5]), number(argv[6]), number(argv[7]), number(argv[8]));
    }
    if (command == QLatin1String("png") && argc == 8) {
        const QImage screen = readShot(argv[2]);
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
    std::fprintf(stderr, "usage: screenprobe shoot|sizes|changed|lines|png|picture-size ...\n");
    return 2;
}
