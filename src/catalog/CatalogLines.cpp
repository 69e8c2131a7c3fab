#include "catalog/CatalogLines.h"

#include "catalog/Win1251.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <limits>
#include <new>

#include <unistd.h>

#include <sys/mman.h>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace korvane {

namespace {

// Finds the line breaks (CR and LF) of a text in order, sixteen bytes at a
// time where the processor compares that many at once: the scan runs at the
// speed of memchr, not byte by byte.
class LineBreaks
{
public:
    LineBreaks(const char *data, qsizetype size) : m_data(data), m_size(size) { }

    // The first CR or LF at or after pos; size when there is none.
    qsizetype nextFrom(qsizetype pos)
    {
        while (pos < m_size) {
            if (pos >= m_blockStart + kBlock || pos < m_blockStart)
                load(pos & ~qsizetype(kBlock - 1));
            const std::uint32_t mask = m_mask & (~std::uint32_t(0) << (pos - m_blockStart));
            if (mask != 0)
                return m_blockStart + __builtin_ctz(mask);
            pos = m_blockStart + kBlock;
        }
        return m_size;
    }

private:
    static constexpr qsizetype kBlock = 16;

    void load(qsizetype blockStart)
    {
        m_blockStart = blockStart;
        std::uint32_t mask = 0;
        if (blockStart + kBlock <= m_size) {
#if defined(__SSE2__)
            const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i *>(m_data + blockStart));
            const __m128i breaks
                = _mm_or_si128(_mm_cmpeq_epi8(bytes, _mm_set1_epi8('\r')), _mm_cmpeq_epi8(bytes, _mm_set1_epi8('\n')));
            mask = std::uint32_t(_mm_movemask_epi8(breaks));
#else
            for (qsizetype i = 0; i < kBlock; ++i) {
                const char c = m_data[blockStart + i];
                mask |= std::uint32_t(c == '\r' || c == '\n') << i;
            }
#endif
        } else {
            for (qsizetype i = 0; blockStart + i < m_size; ++i) {
                const char c = m_data[blockStart + i];
                mask |= std::uint32_t(c == '\r' || c == '\n') << i;
            }
        }
        m_mask = mask;
    }

    const char *m_data;
    qsizetype m_size;
    qsizetype m_blockStart = -kBlock;
    std::uint32_t m_mask = 0;
};

} // namespace

CatalogLines::Starts::~Starts()
{
    if (m_data)
        ::munmap(m_data, m_capacity * sizeof(quint32));
}

void CatalogLines::Starts::grow()
{
    // Whole pages, doubling; mremap moves pages, never their contents.
    const size_t page = size_t(::sysconf(_SC_PAGESIZE));
    const size_t oldBytes = m_capacity * sizeof(quint32);
    const size_t newBytes = std::max(page, oldBytes * 2);
    void *grown = m_data ? ::mremap(m_data, oldBytes, newBytes, MREMAP_MAYMOVE)
                         : ::mmap(nullptr, newBytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (grown == MAP_FAILED)
        throw std::bad_alloc();
    m_data = static_cast<quint32 *>(grown);
    m_capacity = newBytes / sizeof(quint32);
}

void CatalogLines::Starts::shrink_to_fit()
{
    const size_t page = size_t(::sysconf(_SC_PAGESIZE));
    const size_t usedBytes = std::max(page, (m_size * sizeof(quint32) + page - 1) / page * page);
    const size_t oldBytes = m_capacity * sizeof(quint32);
    if (!m_data || usedBytes >= oldBytes)
        return;
    void *shrunk = ::mremap(m_data, oldBytes, usedBytes, 0);
    if (shrunk == MAP_FAILED)
        return;
    m_capacity = usedBytes / sizeof(quint32);
}

CatalogLines CatalogLines::fromText(QByteArray bytes)
{
    // Catalog lists are taken as C strings: nothing after a NUL counts.
    if (!bytes.isEmpty()) {
        if (const void *nul = std::memchr(bytes.constData(), '\0', size_t(bytes.size())))
            bytes.truncate(static_cast<const char *>(nul) - bytes.constData());
    }
    if (quint64(bytes.size()) >= quint64(std::numeric_limits<quint32>::max()))
        throw std::bad_alloc();

    auto text = std::make_shared<Text>();
    const char *data = bytes.constData();
    const qsizetype end = bytes.size();
    LineBreaks breaks(data, end);
    qsizetype pos = 0;
    while (pos < end) {
        text->starts.push_back(quint32(pos));
        pos = breaks.nextFrom(pos);
        if (pos < end && data[pos] == '\r')
            ++pos;
        if (pos < end && data[pos] == '\n')
            ++pos;
    }
    text->starts.push_back(quint32(end));
    text->starts.shrink_to_fit();
    text->bytes = std::move(bytes);

    CatalogLines lines;
    lines.m_text = std::move(text);
    return lines;
}

CatalogLines CatalogLines::fromStrings(const QStringList &strings)
{
    CatalogLines lines;
    lines.m_added = strings;
    return lines;
}

QString CatalogLines::line(qsizetype index) const
{
    const qsizetype fromText = textLineCount();
    if (index < fromText)
        return decodeWin1251(textLine(index));
    return m_added.at(index - fromText);
}

QStringList CatalogLines::toStringList() const
{
    QStringList lines;
    lines.reserve(size());
    for (qsizetype i = 0, n = textLineCount(); i < n; ++i)
        lines.append(decodeWin1251(textLine(i)));
    lines.append(m_added);
    return lines;
}

QByteArray CatalogLines::joined() const
{
    QByteArray bytes;
    bytes.reserve((m_text ? m_text->bytes.size() : 0) + 2 * size());
    for (qsizetype i = 0, n = textLineCount(); i < n; ++i)
        bytes.append(textLine(i)).append("\r\n", 2);
    for (const QString &line : m_added)
        bytes.append(encodeWin1251(line)).append("\r\n", 2);
    return bytes;
}

} // namespace korvane
