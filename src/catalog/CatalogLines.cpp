#include "catalog/CatalogLines.h"

#include "catalog/Win1251.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <limits>
#include <new>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace korvane {

namespace {

struct Masks
{
    std::uint32_t cr = 0;
    std::uint32_t lf = 0;
    std::uint32_t nul = 0;
};

// The CR, LF and NUL bytes among the sixteen at data, one bit each, the
// processor comparing all sixteen at once where it can: the scan runs at the
// speed of memchr, not byte by byte.
Masks masksOf16(const char *data)
{
    Masks masks;
#if defined(__SSE2__)
    const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i *>(data));
    masks.cr = std::uint32_t(_mm_movemask_epi8(_mm_cmpeq_epi8(bytes, _mm_set1_epi8('\r'))));
    masks.lf = std::uint32_t(_mm_movemask_epi8(_mm_cmpeq_epi8(bytes, _mm_set1_epi8('\n'))));
    masks.nul = std::uint32_t(_mm_movemask_epi8(_mm_cmpeq_epi8(bytes, _mm_setzero_si128())));
#else
    for (int i = 0; i < 16; ++i) {
        masks.cr |= std::uint32_t(data[i] == '\r') << i;
        masks.lf |= std::uint32_t(data[i] == '\n') << i;
        masks.nul |= std::uint32_t(data[i] == '\0') << i;
    }
#endif
    return masks;
}

} // namespace

void CatalogLines::Starts::grow()
{
    m_memory.resize(qsizetype(std::max<size_t>(1024, m_capacity * 2) * sizeof(quint32)));
    m_data = reinterpret_cast<quint32 *>(m_memory.data());
    m_capacity = size_t(m_memory.capacity()) / sizeof(quint32);
}

void CatalogLines::Starts::shrink_to_fit()
{
    m_memory.resize(qsizetype(m_size * sizeof(quint32)));
    m_memory.shrinkToFit();
    m_data = reinterpret_cast<quint32 *>(m_memory.data());
    m_capacity = size_t(m_memory.capacity()) / sizeof(quint32);
}

// Every CR and every LF ends a line, but an LF right after a CR, which
// belongs to that CR's line break; so CR LF, CR and LF each end one line while
// LF CR ends two. Catalog lists are taken as C strings: the first NUL ends the
// text, and nothing after it counts. A line starts after each break; one that
// would start at the end of the text is none.
CatalogLines::Builder::Builder() : m_text(std::make_shared<Text>())
{
    m_text->starts.push_back(0);
}

bool CatalogLines::Builder::scan(const char *data, qsizetype size)
{
    if (m_end >= 0)
        return false;
    Starts &starts = m_text->starts;
    for (; m_scanned + 16 <= size; m_scanned += 16) {
        const qsizetype block = m_scanned;
        Masks masks = masksOf16(data + block);
        std::uint32_t below = 0xFFFF;
        if (masks.nul != 0)
            below = (std::uint32_t(1) << __builtin_ctz(masks.nul)) - 1;
        // The LFs that complete a CR LF, the CR possibly the last byte of the
        // block before.
        const std::uint32_t carriedCr = block > 0 && data[block - 1] == '\r' ? 1 : 0;
        const std::uint32_t completing = masks.lf & ((masks.cr << 1) | carriedCr) & below;
        if (completing & 1)
            starts.back() = quint32(block + 1);
        for (std::uint32_t stops = (masks.cr | masks.lf) & ~completing & below; stops != 0; stops &= stops - 1) {
            const int at = __builtin_ctz(stops);
            const bool pair = (completing >> (at + 1)) & 1;
            starts.push_back(quint32(block + at + 1 + (pair ? 1 : 0)));
        }
        if (masks.nul != 0) {
            m_end = block + __builtin_ctz(masks.nul);
            return false;
        }
    }
    return true;
}

CatalogLines CatalogLines::Builder::finish(MappedBuffer bytes)
{
    const char *data = bytes.constData();
    qsizetype end = m_end >= 0 ? m_end : bytes.size();
    if (quint64(end) >= quint64(std::numeric_limits<quint32>::max()))
        throw std::bad_alloc();
    Starts &starts = m_text->starts;
    // The bytes after the last whole block, one by one.
    for (qsizetype at = m_scanned; m_end < 0 && at < end; ++at) {
        const char c = data[at];
        if (c == '\0') {
            end = at;
        } else if (c == '\n' && at > 0 && data[at - 1] == '\r') {
            starts.back() = quint32(at + 1);
        } else if (c == '\r' || c == '\n') {
            starts.push_back(quint32(at + 1));
        }
    }
    while (starts.size() > 0 && starts.back() >= quint64(end))
        starts.pop_back();
    starts.push_back(quint32(end));
    starts.shrink_to_fit();
    bytes.resize(end);
    bytes.shrinkToFit();
    m_text->bytes = std::move(bytes);

    CatalogLines lines;
    lines.m_text = std::move(m_text);
    return lines;
}

CatalogLines CatalogLines::fromText(QByteArrayView bytes)
{
    MappedBuffer text;
    text.resize(bytes.size());
    if (!bytes.isEmpty())
        std::memcpy(text.data(), bytes.data(), size_t(bytes.size()));
    Builder builder;
    builder.scan(text.constData(), text.size());
    return builder.finish(std::move(text));
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
