#include "catalog/CatalogLines.h"

#include "catalog/LineBreaks.h"
#include "catalog/Win1251.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <new>

namespace korvane {

void CatalogLines::Starts::grow(size_t atLeast)
{
    const size_t bytes = std::max({size_t(1024), m_capacity * 2, atLeast}) * sizeof(quint32);
    m_memory.resize(qsizetype(bytes));
    m_data = reinterpret_cast<quint32 *>(m_memory.data());
    m_capacity = size_t(m_memory.capacity()) / sizeof(quint32);
}

void CatalogLines::Starts::shrink_to_fit()
{
    const size_t bytes = m_size * sizeof(quint32);
    m_memory.resize(qsizetype(bytes));
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

namespace {

// Indexes whole blocks from scanned on, as far as size allows, with the
// given block scan: the starts are written through a pointer of its own,
// room asked for before each block. Returns where the text ends if a NUL
// ended it, or -1; scanned is left after the last block scanned.
template <lineBreaks::BlockMasks (*ScanBlock)(const char *), typename Starts>
[[gnu::always_inline]] inline qsizetype scanBlocks(const char *data, qsizetype size, qsizetype &scanned, Starts &starts)
{
    quint32 *next = starts.end();
    quint32 *room = starts.roomEnd();
    qsizetype block = scanned;
    qsizetype end = -1;
    // A block's last CR needs the byte after the block.
    for (; block + lineBreaks::kBlockBytes < size; block += lineBreaks::kBlockBytes) {
        const lineBreaks::BlockMasks masks = ScanBlock(data + block);
        quint64 ends = masks.ends;
        if (masks.nuls != 0)
            ends &= (quint64(1) << __builtin_ctzll(masks.nuls)) - 1;
        if (room - next < lineBreaks::kBlockBytes) {
            starts.setEnd(next);
            starts.makeRoom(lineBreaks::kBlockBytes);
            next = starts.end();
            room = starts.roomEnd();
        }
        for (; ends != 0; ends &= ends - 1)
            *next++ = quint32(block + __builtin_ctzll(ends) + 1);
        if (masks.nuls != 0) {
            end = block + __builtin_ctzll(masks.nuls);
            break;
        }
    }
    scanned = block;
    starts.setEnd(next);
    return end;
}

template <typename Starts>
qsizetype scanBlocksPortably(const char *data, qsizetype size, qsizetype &scanned, Starts &starts)
{
    return scanBlocks<lineBreaks::scanBlock>(data, size, scanned, starts);
}

#if defined(KORVANE_LINE_BREAKS_AVX2)
template <typename Starts>
__attribute__((target("avx2"))) qsizetype scanBlocksWithAvx2(const char *data, qsizetype size, qsizetype &scanned,
                                                             Starts &starts)
{
    return scanBlocks<lineBreaks::scanBlockAvx2>(data, size, scanned, starts);
}
#endif

} // namespace

bool CatalogLines::Builder::scan(const char *data, qsizetype size)
{
    if (m_end >= 0)
        return false;
#if defined(KORVANE_LINE_BREAKS_AVX2)
    if (lineBreaks::processorHasAvx2())
        m_end = scanBlocksWithAvx2(data, size, m_scanned, m_text->starts);
    else
        m_end = scanBlocksPortably(data, size, m_scanned, m_text->starts);
#else
    m_end = scanBlocksPortably(data, size, m_scanned, m_text->starts);
#endif
    return m_end < 0;
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
        if (c == '\0')
            end = at;
        else if (c == '\n' || (c == '\r' && (at + 1 == end || data[at + 1] != '\n')))
            starts.push_back(quint32(at + 1));
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
