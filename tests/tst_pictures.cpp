#include "TestCatalog.h"

#include "catalog/Failure.h"
#include "platform/JpegDecoder.h"
#include "platform/PictureFile.h"
#include "platform/PictureFrame.h"
#include "support/JpegFile.h"

#include <QBuffer>
#include <QImageWriter>
#include <QtTest>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <jerror.h>
#include <jpeglib.h>

using namespace korvane;

namespace {

QByteArray encodeJpeg(const QImage &image, bool progressive = false)
{
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "JPEG");
    writer.setQuality(95);
    writer.setProgressiveScanWrite(progressive);
    if (!writer.write(image))
        qFatal("cannot encode the test picture");
    return buffer.data();
}

QImage filled(int width, int height, QColor colour)
{
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(colour);
    return image;
}

// The message a decoder failure carries, or "" when it decodes.
QString failureOf(const QByteArray &bytes)
{
    try {
        decodeJpeg(bytes);
    } catch (const Failure &failure) {
        return failure.message();
    }
    return QString();
}

// Rewrites the frame header's height and width.
QByteArray withClaimedSize(QByteArray jpeg, quint16 width, quint16 height)
{
    for (qsizetype i = 2; i + 9 < jpeg.size(); ++i) {
        const auto marker = uchar(jpeg.at(i + 1));
        if (uchar(jpeg.at(i)) == 0xFF && (marker == 0xC0 || marker == 0xC2)) {
            jpeg[i + 5] = char(height >> 8);
            jpeg[i + 6] = char(height & 0xFF);
            jpeg[i + 7] = char(width >> 8);
            jpeg[i + 8] = char(width & 0xFF);
            return jpeg;
        }
    }
    qFatal("no frame header");
    return jpeg;
}

} // namespace

class PicturesTest : public QObject
{
    Q_OBJECT

private slots:
    // First: no large frame has been let go before it.
    void aLargeFrameLetGoServesTheNextPicture();
    void jpegDecodesColourGreyAndProgressive();
    void jpegFailuresCarryLibjpegNumbers();
    void cmykJpegComesOutInColour();
    void truncatedJpegShowsWhatWasDecoded();
    void jpegOfTooManyScansIsRefused();
    void absurdJpegSizeIsRefusedBeforeAllocating();
    void pictureFilesAreChosenByExtension();
    void largeJpegDecodesIntoAFrameOfItsOwn();
    void largeFramesAreLaidOutAsImagesAre_data();
    void largeFramesAreLaidOutAsImagesAre();
};

void PicturesTest::jpegDecodesColourGreyAndProgressive()
{
    QImage image = decodeJpeg(encodeJpeg(filled(37, 21, QColor(200, 30, 40))));
    QCOMPARE(image.size(), QSize(37, 21));
    const QColor centre = image.pixelColor(18, 10);
    QVERIFY(qAbs(centre.red() - 200) < 8 && qAbs(centre.green() - 30) < 8 && qAbs(centre.blue() - 40) < 8);

    QImage grey(16, 8, QImage::Format_Grayscale8);
    grey.fill(QColor(90, 90, 90));
    image = decodeJpeg(encodeJpeg(grey));
    QCOMPARE(image.size(), QSize(16, 8));
    QVERIFY(qAbs(image.pixelColor(4, 4).red() - 90) < 6);
    QCOMPARE(image.pixelColor(4, 4).red(), image.pixelColor(4, 4).blue());

    image = decodeJpeg(encodeJpeg(filled(64, 48, Qt::blue), true));
    QCOMPARE(image.size(), QSize(64, 48));
    QVERIFY(image.pixelColor(30, 30).blue() > 240);
}

void PicturesTest::jpegFailuresCarryLibjpegNumbers()
{
    QCOMPARE(failureOf(QByteArray()), QStringLiteral("JPEG error #%1").arg(JERR_INPUT_EMPTY));
    QCOMPARE(failureOf(QByteArray("BM\x00\x01 not a jpeg")), QStringLiteral("JPEG error #%1").arg(JERR_NO_SOI));
    // Only the start-of-image marker: the data ends at once.
    const QString onlyMarker = failureOf(QByteArray("\xFF\xD8", 2));
    QVERIFY2(onlyMarker.startsWith(QStringLiteral("JPEG error #")), qPrintable(onlyMarker));
    // Junk after a valid start.
    QByteArray junk("\xFF\xD8\xFF\xC0\x00\x02", 6);
    junk.append(QByteArray(100, '\x55'));
    QVERIFY(failureOf(junk).startsWith(QStringLiteral("JPEG error #")));
}

void PicturesTest::cmykJpegComesOutInColour()
{
    // Written by a print workflow: CMYK with the Adobe marker, inks inverted.
    QFile file(QStringLiteral(KORVANE_TEST_DATA "/cmyk-red.jpg"));
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QImage image = decodeJpeg(file.readAll());
    QCOMPARE(image.size(), QSize(16, 8));
    const QColor pixel = image.pixelColor(8, 4);
    QVERIFY2(pixel.red() > 200 && pixel.green() < 60 && pixel.blue() < 60, qPrintable(pixel.name()));
}

void PicturesTest::truncatedJpegShowsWhatWasDecoded()
{
    // Busy pixels, so that the scan data and not the tables fill the file.
    QImage busy(160, 120, QImage::Format_RGB32);
    for (int y = 0; y < busy.height(); ++y)
        for (int x = 0; x < busy.width(); ++x)
            busy.setPixel(x, y, y < 8 ? qRgb(0, 255, 0) : qRgb((x * 37) % 256, (y * 91) % 256, (x * y) % 256));
    const QByteArray whole = encodeJpeg(busy);
    // libjpeg pads a file that ends early and warns; the picture is shown as
    // far as it goes, at its full size.
    const QImage image = decodeJpeg(whole.left(whole.size() * 2 / 3));
    QCOMPARE(image.size(), QSize(160, 120));
    QVERIFY(image.pixelColor(2, 2).green() > 200);
}

void PicturesTest::jpegOfTooManyScansIsRefused()
{
    // The DC scan and then AC scans: the limit is taken, the next one refused.
    const QImage atTheLimit = decodeJpeg(testing::manyScanJpeg(24, 16, kMaxJpegScans - 1));
    QCOMPARE(atTheLimit.size(), QSize(24, 16));
    QCOMPARE(atTheLimit.pixel(23, 15), qRgb(128, 128, 128));
    QCOMPARE(failureOf(testing::manyScanJpeg(24, 16, kMaxJpegScans)),
             QStringLiteral("JPEG image has more than 100 scans"));
    // Refinement scans: one is due, a second refines what is already whole.
    QCOMPARE(decodeJpeg(testing::manyScanJpeg(24, 16, 2, true)).size(), QSize(24, 16));
    QCOMPARE(failureOf(testing::manyScanJpeg(24, 16, 3, true)),
             QStringLiteral("JPEG error #%1").arg(JWRN_BOGUS_PROGRESSION));
}

void PicturesTest::absurdJpegSizeIsRefusedBeforeAllocating()
{
    const QByteArray huge = withClaimedSize(encodeJpeg(filled(8, 8, Qt::red)), 65000, 65000);
    QCOMPARE(failureOf(huge), QStringLiteral("JPEG error #%1").arg(JERR_OUT_OF_MEMORY));
    // A big but reasonable claim is not refused for its size (the data then
    // runs short and is padded).
    const QByteArray wide = withClaimedSize(encodeJpeg(filled(8, 8, Qt::red)), 8192, 8);
    QCOMPARE(failureOf(wide), QString());
}

void PicturesTest::pictureFilesAreChosenByExtension()
{
    TestCatalog catalog;
    catalog.writeJpeg(QStringLiteral("Photo.JPG"), 10, 12, Qt::red);
    catalog.writeJpeg(QStringLiteral("photo2.jpeg"), 11, 12, Qt::red);
    catalog.writeJpeg(QStringLiteral("photo.gif"), 11, 12, Qt::red);
    catalog.makeFolder(QStringLiteral("folder.jpg"));

    QCOMPARE(loadPictureFile(catalog.path(QStringLiteral("photo.jpg"))).size(), QSize(10, 12));
    QCOMPARE(loadPictureFile(catalog.path(QStringLiteral("PHOTO2.JPEG"))).size(), QSize(11, 12));
    const auto messageOf = [](const QString &path) {
        try {
            loadPictureFile(path);
        } catch (const Failure &failure) {
            return failure.message();
        }
        return QString();
    };
    QCOMPARE(messageOf(catalog.path(QStringLiteral("photo.gif"))),
             QStringLiteral("Unknown picture file extension (.gif)"));
    QCOMPARE(messageOf(catalog.path(QStringLiteral("missing.jpg"))),
             QStringLiteral("Cannot open file ") + catalog.path(QStringLiteral("missing.jpg")));
    QCOMPARE(messageOf(catalog.path(QStringLiteral("folder.jpg"))),
             QStringLiteral("Cannot open file ") + catalog.path(QStringLiteral("folder.jpg")));
    QCOMPARE(pictureExtension(QStringLiteral("/a.b/c")), QString());
    QCOMPARE(pictureExtension(QStringLiteral("/a/c.Jpg")), QStringLiteral("Jpg"));
}

void PicturesTest::largeJpegDecodesIntoAFrameOfItsOwn()
{
    // Left half red, right half blue: 8 MP, so the pixels go into a frame of
    // memory of its own.
    QImage halves = filled(4000, 2000, Qt::red);
    for (int y = 0; y < halves.height(); ++y)
        std::fill_n(reinterpret_cast<QRgb *>(halves.scanLine(y)) + 2000, 2000, qRgb(0, 0, 255));
    QImage image = decodeJpeg(encodeJpeg(halves));
    QCOMPARE(image.size(), QSize(4000, 2000));
    QCOMPARE(image.format(), QImage::Format_RGB32);
    QVERIFY(image.pixelColor(5, 5).red() > 240 && image.pixelColor(5, 5).blue() < 16);
    QVERIFY(image.pixelColor(3990, 1990).blue() > 240 && image.pixelColor(3990, 1990).red() < 16);

    // A copy that is written to gets pixels of its own.
    QImage copy = image;
    copy.fill(Qt::green);
    QVERIFY(image.pixelColor(5, 5).red() > 240);
    QCOMPARE(copy.pixelColor(5, 5), QColor(Qt::green));
}

void PicturesTest::largeFramesAreLaidOutAsImagesAre_data()
{
    QTest::addColumn<QSize>("size");
    QTest::addColumn<QImage::Format>("format");
    QTest::newRow("8 MP, RGB32") << QSize(4000, 2000) << QImage::Format_RGB32;
    QTest::newRow("8 MP, odd width, ARGB32") << QSize(4001, 2000) << QImage::Format_ARGB32;
    QTest::newRow("8 MP, odd width, 8 bits") << QSize(4001, 2000) << QImage::Format_Indexed8;
    QTest::newRow("8000 x 6000, RGB32") << QSize(8000, 6000) << QImage::Format_RGB32;
    QTest::newRow("below 8 MP") << QSize(3999, 2000) << QImage::Format_RGB32;
}

void PicturesTest::largeFramesAreLaidOutAsImagesAre()
{
    QFETCH(QSize, size);
    QFETCH(QImage::Format, format);
    QImage frame = allocatePictureFrame(size.width(), size.height(), format);
    const QImage plain(size, format);
    QCOMPARE(frame.size(), size);
    QCOMPARE(frame.format(), format);
    QCOMPARE(frame.bytesPerLine(), plain.bytesPerLine());
    // Every byte can be written, up to the last row's last one.
    std::memset(frame.bits(), 0x5A, size_t(frame.sizeInBytes()));
    QCOMPARE(frame.constScanLine(size.height() - 1)[frame.bytesPerLine() - 1], uchar(0x5A));
    // The large ones start on a 2 MiB boundary, where huge pages can back them.
    if (qint64(size.width()) * size.height() >= kLargePicturePixels)
        QCOMPARE(quintptr(frame.constBits()) % (quintptr(2) << 20), quintptr(0));
}

void PicturesTest::aLargeFrameLetGoServesTheNextPicture()
{
    // The next large picture of about the same size takes the frame of the
    // last one let go, laid out for its own size; one of less than half the
    // size, or one while the frame is still in use, gets a frame of its own.
    QImage first = allocatePictureFrame(4000, 3000, QImage::Format_RGB32);
    const uchar *memory = first.constBits();
    first = QImage();
    // An ordinary image of that size would take the memory had it gone back.
    const QImage ordinary(4000, 3000, QImage::Format_RGB32);
    QImage second = allocatePictureFrame(3900, 3000, QImage::Format_ARGB32);
    QCOMPARE(second.constBits(), memory);
    QCOMPARE(second.bytesPerLine(), QImage(3900, 1, QImage::Format_ARGB32).bytesPerLine());
    std::memset(second.bits(), 0x5A, size_t(second.sizeInBytes()));
    QCOMPARE(second.constScanLine(2999)[second.bytesPerLine() - 1], uchar(0x5A));
    const QImage third = allocatePictureFrame(4000, 3000, QImage::Format_RGB32);
    QVERIFY(third.constBits() != memory);
    second = QImage();
    const QImage small = allocatePictureFrame(4000, 2000, QImage::Format_Indexed8);
    QVERIFY(small.constBits() != memory);
}

QTEST_MAIN(PicturesTest)
#include "tst_pictures.moc"
