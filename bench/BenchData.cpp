#include "BenchData.h"

#include "catalog/Win1251.h"
#include "support/BitmapFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cstdio> // jpeglib.h needs FILE
#include <jpeglib.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <utility>
#include <vector>

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace bench {

void fail(const QString &message)
{
    std::fprintf(stderr, "bench_korvane: %s\n", qPrintable(message));
    std::exit(1);
}

namespace {

// Appends the decimal digits of value, at least `width` of them.
void appendNumber(QByteArray &out, qint64 value, int width)
{
    char digits[24];
    const int length = std::snprintf(digits, sizeof digits, "%0*lld", width, static_cast<long long>(value));
    out.append(digits, length);
}

} // namespace

qint64 writePartList(const QString &path, int lines)
{
    const QByteArray part = korvane::encodeWin1251(QStringLiteral(" Деталь подвески номер "));
    const QByteArray side = korvane::encodeWin1251(QStringLiteral(", левая\r\n"));
    QByteArray bytes;
    bytes.reserve(qsizetype(lines) * 48);
    for (int i = 0; i < lines; ++i) {
        bytes.append('P');
        appendNumber(bytes, i, 7);
        bytes.append(part);
        appendNumber(bytes, i, 1);
        bytes.append(side);
    }
    writeFile(path, bytes);
    return bytes.size();
}

qint64 writeHotspotFile(const QString &path, qint64 bytes)
{
    const QByteArray line("12=3-4\n");
    const qint64 lines = bytes / line.size();
    writeFile(path, line.repeated(lines));
    return lines;
}

void writeFile(const QString &path, const QByteArray &bytes)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size() || !file.flush())
        fail(QStringLiteral("cannot write %1").arg(path));
}

void linkFile(const QString &existing, const QString &newName)
{
    QDir().mkpath(QFileInfo(newName).path());
    if (::link(QFile::encodeName(existing).constData(), QFile::encodeName(newName).constData()) != 0)
        fail(QStringLiteral("cannot link %1 to %2").arg(newName, existing));
}

QByteArray smoothJpeg(int width, int height, int quality)
{
    jpeg_compress_struct info;
    jpeg_error_mgr errors;
    info.err = jpeg_std_error(&errors);
    jpeg_create_compress(&info);
    unsigned char *encoded = nullptr;
    unsigned long encodedSize = 0;
    jpeg_mem_dest(&info, &encoded, &encodedSize);
    info.image_width = JDIMENSION(width);
    info.image_height = JDIMENSION(height);
    info.input_components = 3;
    info.in_color_space = JCS_RGB;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, quality, TRUE);
    jpeg_start_compress(&info, TRUE);

    // Soft waves over two gradients with a little grain, like a photo of a
    // car: a file of the size a camera writes, not a few flat blocks.
    std::vector<double> across(size_t(width), 0.0);
    for (int x = 0; x < width; ++x)
        across[size_t(x)] = std::sin(x * 0.004);
    std::vector<unsigned char> row(size_t(width) * 3);
    quint32 grain = 12345;
    const auto channel = [&](double value) {
        grain = grain * 1664525u + 1013904223u;
        return static_cast<unsigned char>(std::clamp(value + double(grain >> 27) - 16.0, 0.0, 255.0));
    };
    while (info.next_scanline < info.image_height) {
        const int y = int(info.next_scanline);
        const double down = std::cos(y * 0.003);
        for (int x = 0; x < width; ++x) {
            unsigned char *pixel = row.data() + size_t(x) * 3;
            pixel[0] = channel(128 + 90 * across[size_t(x)] * down);
            pixel[1] = channel(x * 255.0 / width);
            pixel[2] = channel(y * 255.0 / height);
        }
        JSAMPROW rows[1] = {row.data()};
        jpeg_write_scanlines(&info, rows, 1);
    }
    jpeg_finish_compress(&info);
    const QByteArray bytes(reinterpret_cast<const char *>(encoded), qsizetype(encodedSize));
    jpeg_destroy_compress(&info);
    std::free(encoded);
    return bytes;
}

QByteArray busyBitmap(int width, int height)
{
    korvane::testing::Bitmap bitmap;
    bitmap.width = width;
    bitmap.height = height;
    const qint64 stride = (qint64(width) * 24 + 31) / 32 * 4;
    const qint64 pixelBytes = stride * height;
    bitmap.pixels.resize(pixelBytes);
    char *pixels = bitmap.pixels.data();
    for (qint64 i = 0; i < pixelBytes; ++i)
        pixels[i] = char((i * 7 + i / stride) & 0xFF);
    return bitmap.bytes();
}

namespace {

constexpr qint64 kHugePage = qint64(2) << 20;

} // namespace

bool getsHugePages(qint64 bytes, Pages pages)
{
    return pages == Pages::LikeKorvane && bytes >= kHugePage;
}

QString pagesName(qint64 bytes, Pages pages)
{
    return getsHugePages(bytes, pages) ? QStringLiteral("2 MiB pages") : QStringLiteral("4 KiB pages");
}

PageBuffer::PageBuffer(qint64 size, Pages pages) : m_size(size)
{
    if (!getsHugePages(size, pages)) {
        m_data = new char[size_t(std::max<qint64>(size, 1))];
        return;
    }
    // Mapped with room to spare, then cut to the 2 MiB boundaries.
    const size_t page = size_t(::sysconf(_SC_PAGESIZE));
    const size_t bytes = (size_t(size) + page - 1) / page * page;
    const size_t reserved = bytes + size_t(kHugePage);
    void *mapped = ::mmap(nullptr, reserved, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (mapped == MAP_FAILED)
        fail(QStringLiteral("cannot map %1 bytes").arg(reserved));
    char *const start = static_cast<char *>(mapped);
    char *const aligned = reinterpret_cast<char *>((reinterpret_cast<quintptr>(start) + quintptr(kHugePage) - 1)
                                                   & ~quintptr(kHugePage - 1));
    if (aligned > start)
        ::munmap(start, size_t(aligned - start));
    if (start + reserved > aligned + bytes)
        ::munmap(aligned + bytes, size_t(start + reserved - (aligned + bytes)));
    ::madvise(aligned, bytes, MADV_HUGEPAGE);
    m_data = aligned;
    m_mapped = bytes;
}

PageBuffer::PageBuffer(PageBuffer &&other) noexcept
    : m_data(std::exchange(other.m_data, nullptr)), m_size(std::exchange(other.m_size, 0)),
      m_mapped(std::exchange(other.m_mapped, 0))
{
}

PageBuffer &PageBuffer::operator=(PageBuffer &&other) noexcept
{
    if (this != &other) {
        release();
        m_data = std::exchange(other.m_data, nullptr);
        m_size = std::exchange(other.m_size, 0);
        m_mapped = std::exchange(other.m_mapped, 0);
    }
    return *this;
}

void PageBuffer::release()
{
    if (m_mapped)
        ::munmap(m_data, m_mapped);
    else
        delete[] m_data;
    m_data = nullptr;
}

PageBuffer readWholeFile(const QString &path, Pages pages)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        fail(QStringLiteral("cannot open %1").arg(path));
    struct stat info;
    if (::fstat(fd, &info) != 0)
        fail(QStringLiteral("cannot stat %1").arg(path));
    PageBuffer bytes(qint64(info.st_size), pages);
    qint64 done = 0;
    while (done < bytes.size()) {
        const ssize_t got = ::read(fd, bytes.data() + done, size_t(bytes.size() - done));
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            fail(QStringLiteral("cannot read %1").arg(path));
        done += got;
    }
    ::close(fd);
    return bytes;
}

quint64 decodeJpegRows(QByteArrayView jpeg)
{
    jpeg_decompress_struct info;
    jpeg_error_mgr errors;
    info.err = jpeg_std_error(&errors);
    jpeg_create_decompress(&info);
    jpeg_mem_src(&info, reinterpret_cast<const unsigned char *>(jpeg.data()), static_cast<unsigned long>(jpeg.size()));
    jpeg_read_header(&info, TRUE);
#if Q_BYTE_ORDER == Q_LITTLE_ENDIAN
    info.out_color_space = JCS_EXT_BGRX;
#else
    info.out_color_space = JCS_EXT_XRGB;
#endif
    jpeg_start_decompress(&info);
    JSAMPARRAY row = (*info.mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(&info), JPOOL_IMAGE,
                                               info.output_width * JDIMENSION(info.output_components), 1);
    quint64 checksum = 0;
    while (info.output_scanline < info.output_height) {
        jpeg_read_scanlines(&info, row, 1);
        checksum += row[0][info.output_width];
    }
    jpeg_finish_decompress(&info);
    jpeg_destroy_decompress(&info);
    return checksum;
}

} // namespace bench
