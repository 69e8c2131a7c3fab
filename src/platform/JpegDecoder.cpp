#include "platform/JpegDecoder.h"

#include "catalog/Failure.h"
#include "platform/PictureFrame.h"

#include <cstdio> // jpeglib.h needs FILE
#include <jerror.h>
#include <jpeglib.h>

#include <csetjmp>
#include <vector>

namespace korvane {

namespace {

struct ErrorManager
{
    jpeg_error_mgr pub;
    std::jmp_buf jump;
    // libjpeg's own text for the failure, its parameters filled in.
    char text[JMSG_LENGTH_MAX];
};

extern "C" void onJpegError(j_common_ptr info)
{
    auto *errors = reinterpret_cast<ErrorManager *>(info->err);
    errors->pub.format_message(info, errors->text);
    // Back into the thin function that set the jump; it holds nothing that
    // needs a destructor, and the C++ side throws only after it has returned.
    std::longjmp(errors->jump, 1);
}

extern "C" void onJpegMessage(j_common_ptr)
{
}

// libjpeg only warns when a scan refines coefficients that no scan before it
// left to be refined, and goes on. No encoder writes that, and it is how one
// refinement scan is repeated without end: each runs through every
// coefficient of its band in every block, with or without data, so a few
// hundred of them over a large picture cost seconds. It ends the decoding
// here; a valid progression refines each coefficient at most 13 times.
extern "C" void onJpegWarning(j_common_ptr info, int level)
{
    if (level < 0 && info->err->msg_code == JWRN_BOGUS_PROGRESSION)
        info->err->error_exit(info);
}

struct Decoder
{
    jpeg_decompress_struct info;
    ErrorManager errors;
    jpeg_progress_mgr progress;
    bool created = false;
    bool cmyk = false;
    bool tooManyScans = false;
};

// What a thin function returns when the scan limit stopped the decoder.
constexpr int kScanLimitReached = -1;

// libjpeg calls this before each step of its input, the start of every scan
// included, so a file of endless scans is stopped before it decodes the first
// scan past the limit.
extern "C" void onJpegProgress(j_common_ptr common)
{
    auto *info = reinterpret_cast<j_decompress_ptr>(common);
    if (info->input_scan_number <= kMaxJpegScans)
        return;
    auto *decoder = static_cast<Decoder *>(info->client_data);
    decoder->tooManyScans = true;
    std::longjmp(decoder->errors.jump, 1);
}

// The thin functions: each returns 0, or libjpeg's message number on failure
// (kScanLimitReached when the scan limit stopped it).

int readHeader(Decoder *decoder, const unsigned char *data, unsigned long size)
{
    decoder->info.err = jpeg_std_error(&decoder->errors.pub);
    decoder->errors.pub.error_exit = onJpegError;
    decoder->errors.pub.output_message = onJpegMessage;
    decoder->errors.pub.emit_message = onJpegWarning;
    if (setjmp(decoder->errors.jump))
        return decoder->errors.pub.msg_code;
    jpeg_create_decompress(&decoder->info);
    decoder->created = true;
    decoder->info.client_data = decoder;
    decoder->progress.progress_monitor = onJpegProgress;
    decoder->info.progress = &decoder->progress;
    jpeg_mem_src(&decoder->info, data, size);
    jpeg_read_header(&decoder->info, TRUE);
    if (decoder->info.jpeg_color_space == JCS_CMYK || decoder->info.jpeg_color_space == JCS_YCCK) {
        decoder->info.out_color_space = JCS_CMYK;
        decoder->cmyk = true;
    } else {
#if Q_BYTE_ORDER == Q_LITTLE_ENDIAN
        decoder->info.out_color_space = JCS_EXT_BGRX;
#else
        decoder->info.out_color_space = JCS_EXT_XRGB;
#endif
    }
    jpeg_calc_output_dimensions(&decoder->info);
    return 0;
}

int readPixels(Decoder *decoder, unsigned char **rows)
{
    if (setjmp(decoder->errors.jump))
        return decoder->tooManyScans ? kScanLimitReached : decoder->errors.pub.msg_code;
    jpeg_start_decompress(&decoder->info);
    while (decoder->info.output_scanline < decoder->info.output_height)
        jpeg_read_scanlines(&decoder->info, rows + decoder->info.output_scanline,
                            decoder->info.output_height - decoder->info.output_scanline);
    jpeg_finish_decompress(&decoder->info);
    return 0;
}

class DecoderGuard
{
public:
    explicit DecoderGuard(Decoder &decoder) : m_decoder(decoder) { }
    ~DecoderGuard()
    {
        if (m_decoder.created)
            jpeg_destroy_decompress(&m_decoder.info);
    }
    DecoderGuard(const DecoderGuard &) = delete;
    DecoderGuard &operator=(const DecoderGuard &) = delete;

private:
    Decoder &m_decoder;
};

// The window shows the number, as it always has; the catalog checker adds
// libjpeg's text for it.
Failure jpegError(int code, const char *text = "")
{
    return Failure(QStringLiteral("JPEG error #%1").arg(code), QString::fromLocal8Bit(text));
}

Failure scanLimitError()
{
    return Failure(QStringLiteral("JPEG image has more than %1 scans").arg(kMaxJpegScans));
}

// Adobe writes CMYK inverted; either way the ink is taken off white.
void cmykToRgb(QImage &image, bool inverted)
{
    for (int y = 0; y < image.height(); ++y) {
        auto *pixel = reinterpret_cast<uchar *>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x, pixel += 4) {
            int c = pixel[0], m = pixel[1], ye = pixel[2], k = pixel[3];
            if (!inverted) {
                c = 255 - c;
                m = 255 - m;
                ye = 255 - ye;
                k = 255 - k;
            }
            const QRgb rgb = qRgb(c * k / 255, m * k / 255, ye * k / 255);
            *reinterpret_cast<QRgb *>(pixel) = rgb;
        }
    }
}

} // namespace

QImage decodeJpeg(QByteArrayView bytes)
{
    Decoder decoder{};
    const DecoderGuard guard(decoder);
    if (const int code = readHeader(&decoder, reinterpret_cast<const unsigned char *>(bytes.data()),
                                    static_cast<unsigned long>(bytes.size())))
        throw jpegError(code, decoder.errors.text);

    const qint64 width = decoder.info.output_width;
    const qint64 height = decoder.info.output_height;
    if (!pictureFitsTheCap(width, height))
        throw jpegError(JERR_OUT_OF_MEMORY);
    QImage image = allocatePictureFrame(int(width), int(height), QImage::Format_RGB32);
    if (image.isNull())
        throw jpegError(JERR_OUT_OF_MEMORY);
    std::vector<unsigned char *> rows(static_cast<size_t>(height));
    for (int y = 0; y < int(height); ++y)
        rows[size_t(y)] = image.scanLine(y);

    if (const int code = readPixels(&decoder, rows.data()))
        throw code == kScanLimitReached ? scanLimitError() : jpegError(code, decoder.errors.text);
    if (decoder.cmyk)
        cmykToRgb(image, decoder.info.saw_Adobe_marker);
    return image;
}

} // namespace korvane
