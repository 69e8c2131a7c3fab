#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

// The data the benchmark makes for itself, and the floors: the plainest way
// to do what a row does with the same bytes.
namespace bench {

// A part list of `lines` lines like "P0000123 Деталь подвески номер 123, левая"
// (Windows-1251, CR LF, about 46 bytes a line). Returns the file's size.
qint64 writePartList(const QString &path, int lines);

// A hotspot file of the shortest lines, "12=3-4" and LF, up to `bytes` bytes.
// Returns the number of lines.
qint64 writeHotspotFile(const QString &path, qint64 bytes);

// A whole file written at once; the benchmark stops when it cannot.
void writeFile(const QString &path, const QByteArray &bytes);
// A second name for a file, so that two catalog entries share one file's bytes
// (and its pages in the page cache).
void linkFile(const QString &existing, const QString &newName);

// A photo-like picture of smooth gradients, encoded by libjpeg at the given
// quality with its default settings (4:2:0).
QByteArray smoothJpeg(int width, int height, int quality);

// A 24-bit bitmap file of a busy gradient (not one colour), so that nothing is
// cheaper than in a real diagram.
QByteArray busyBitmap(int width, int height);

// --- floors ----------------------------------------------------------------

// Memory for a floor's bytes. Ordinary memory comes in 4 KiB pages (the
// heap, or glibc's own mappings for large blocks). Memory like Korvane's
// comes in 2 MiB pages where Korvane takes them, from 2 MiB up: mapped,
// aligned to 2 MiB and advised for huge pages (MappedBuffer, PictureFrame);
// a smaller buffer is ordinary memory, as Korvane's is.
enum class Pages { Ordinary, LikeKorvane };

// Whether memory like Korvane's of this size comes in 2 MiB pages.
bool getsHugePages(qint64 bytes, Pages pages);
// "4 KiB pages" or "2 MiB pages", for the table.
QString pagesName(qint64 bytes, Pages pages);

class PageBuffer
{
public:
    PageBuffer() = default;
    PageBuffer(qint64 size, Pages pages);
    ~PageBuffer() { release(); }
    PageBuffer(PageBuffer &&other) noexcept;
    PageBuffer &operator=(PageBuffer &&other) noexcept;
    PageBuffer(const PageBuffer &) = delete;
    PageBuffer &operator=(const PageBuffer &) = delete;

    char *data() const { return m_data; }
    qint64 size() const { return m_size; }

private:
    void release();

    char *m_data = nullptr;
    qint64 m_size = 0;
    size_t m_mapped = 0; // bytes mapped, 0 for heap memory
};

// open(), fstat(), one fresh buffer of the file's size and read() into it up to
// the end: what any reader of the whole file must at least do.
PageBuffer readWholeFile(const QString &path, Pages pages = Pages::Ordinary);

// libjpeg decoding every row into one reused row buffer, as djpeg does, in the
// pixel layout decodeJpeg asks for (4 bytes a pixel). Returns a checksum so
// that nothing is optimised away.
quint64 decodeJpegRows(QByteArrayView jpeg);

// Stops the benchmark with a message: a row that did not do its work measured
// nothing.
[[noreturn]] void fail(const QString &message);

} // namespace bench
