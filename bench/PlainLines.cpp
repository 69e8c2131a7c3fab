#include "PlainLines.h"

#include "BenchData.h"

#include "catalog/LineBreaks.h"

#include <QFile>

#include <algorithm>
#include <cerrno>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace bench {

namespace {

using korvane::lineBreaks::kBlockBytes;

// Indexes whole blocks of data up to size, as CatalogLines::Builder::scan
// does, with the same block scan; false once a NUL has ended the text at end.
template <korvane::lineBreaks::BlockMasks (*ScanBlock)(const char *)>
[[gnu::always_inline]] inline bool scanBlocksWith(const char *data, qsizetype size, qsizetype &scanned, qsizetype &end,
                                                  std::vector<quint32> &starts)
{
    for (; scanned + kBlockBytes < size; scanned += kBlockBytes) {
        const korvane::lineBreaks::BlockMasks masks = ScanBlock(data + scanned);
        quint64 ends = masks.ends;
        if (masks.nuls != 0)
            ends &= (quint64(1) << __builtin_ctzll(masks.nuls)) - 1;
        for (; ends != 0; ends &= ends - 1)
            starts.push_back(quint32(scanned + __builtin_ctzll(ends) + 1));
        if (masks.nuls != 0) {
            end = scanned + __builtin_ctzll(masks.nuls);
            return false;
        }
    }
    return true;
}

#if defined(KORVANE_LINE_BREAKS_AVX2)
__attribute__((target("avx2"))) bool scanBlocksWithAvx2(const char *data, qsizetype size, qsizetype &scanned,
                                                        qsizetype &end, std::vector<quint32> &starts)
{
    return scanBlocksWith<korvane::lineBreaks::scanBlockAvx2>(data, size, scanned, end, starts);
}
#endif

bool scanBlocks(const char *data, qsizetype size, qsizetype &scanned, qsizetype &end, std::vector<quint32> &starts)
{
#if defined(KORVANE_LINE_BREAKS_AVX2)
    if (korvane::lineBreaks::processorHasAvx2())
        return scanBlocksWithAvx2(data, size, scanned, end, starts);
#endif
    return scanBlocksWith<korvane::lineBreaks::scanBlock>(data, size, scanned, end, starts);
}

} // namespace

PlainLines readPlainLines(const QString &path)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
    struct stat info;
    if (fd < 0 || ::fstat(fd, &info) != 0)
        fail(QStringLiteral("cannot open %1").arg(path));
    // Read in parts into a buffer that starts at the file's size (64 MiB at
    // most) and doubles, as readCatalogLines reads.
    constexpr qsizetype kPart = qsizetype(1) << 20;
    constexpr qsizetype kFirstBuffer = qsizetype(64) << 20;
    PlainLines lines;
    QByteArray &data = lines.bytes;
    data.resize(std::min<qsizetype>(qsizetype(info.st_size) + 1, kFirstBuffer));
    lines.starts.push_back(0);
    qsizetype used = 0;
    qsizetype scanned = 0;
    qsizetype end = -1;
    for (;;) {
        if (used == data.size())
            data.resize(data.size() * 2);
        const ssize_t got = ::read(fd, data.data() + used, size_t(std::min(data.size() - used, kPart)));
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            fail(QStringLiteral("cannot read %1").arg(path));
        if (got == 0)
            break;
        used += got;
        if (!scanBlocks(data.constData(), used, scanned, end, lines.starts))
            break;
    }
    ::close(fd);
    // The bytes after the last whole block, one by one.
    if (end < 0) {
        end = used;
        for (qsizetype at = scanned; at < end; ++at) {
            const char c = data[at];
            if (c == '\0')
                end = at;
            else if (c == '\n' || (c == '\r' && (at + 1 == end || data[at + 1] != '\n')))
                lines.starts.push_back(quint32(at + 1));
        }
    }
    while (!lines.starts.empty() && lines.starts.back() >= quint64(end))
        lines.starts.pop_back();
    lines.starts.push_back(quint32(end));
    lines.starts.shrink_to_fit();
    data.resize(end);
    data.squeeze();
    return lines;
}

} // namespace bench
