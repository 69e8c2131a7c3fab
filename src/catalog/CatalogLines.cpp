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

// The CR, LF and NUL bytes among the sixteen at data, one bit each, the
// processor comparing all sixteen at once where it can: the scan runs at the
// speed of memchr, not byte by byte.
std::uint32_t stopsIn16(const char *data)
{
#if defined(__SSE2__)
    const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i *>(data));
    const __m128i breaks
        = _mm_or_si128(_mm_cmpeq_epi8(bytes, _mm_set1_epi8('\r')), _mm_cmpeq_epi8(bytes, _mm_set1_epi8('\n')));
    return std::uint32_t(_mm_movemask_epi8(_mm_or_si128(breaks, _mm_cmpeq_epi8(bytes, _mm_setzero_si128()))));
#else
    std::uint32_t mask = 0;
    for (int i = 0; i < 16; ++i)
        mask |= std::uint32_t(data[i] == '\r' || data[i] == '\n' || data[i] == '\0') << i;
    return mask;
#endif
}

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
    if (quint64(bytes.size()) >= quint64(std::numeric_limits<quint32>::max()))
        throw std::bad_alloc();

    auto text = std::make_shared<Text>();
    const char *data = bytes.constData();
    qsizetype end = bytes.size();
    // Every CR and every LF ends a line, but an LF right after a CR, which
    // belongs to that CR's line break; so CR LF, CR and LF each end one line
    // while LF CR ends two. Catalog lists are taken as C strings: the first
    // NUL ends the text, and nothing after it counts. A line starts after
    // each break; one that would start at the end of the text is none.
    Starts &starts = text->starts;
    starts.push_back(0);
    const auto atBreak = [&](qsizetype at) {
        const char c = data[at];
        if (c == '\0')
            return false;
        if (c == '\n' && at > 0 && data[at - 1] == '\r')
            starts.back() = quint32(at + 1);
        else
            starts.push_back(quint32(at + 1));
        return true;
    };
    bool ended = false;
    qsizetype block = 0;
    for (; !ended && block + 16 <= end; block += 16) {
        for (std::uint32_t mask = stopsIn16(data + block); mask != 0; mask &= mask - 1) {
            const qsizetype at = block + __builtin_ctz(mask);
            if (!atBreak(at)) {
                end = at;
                ended = true;
                break;
            }
        }
    }
    for (qsizetype at = block; !ended && at < end; ++at) {
        const char c = data[at];
        if ((c == '\r' || c == '\n' || c == '\0') && !atBreak(at))
            end = at;
    }
    while (starts.size() > 0 && starts.back() >= quint64(end))
        starts.pop_back();
    text->starts.push_back(quint32(end));
    bytes.truncate(end);
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
