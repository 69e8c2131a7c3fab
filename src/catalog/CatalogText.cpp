#include "catalog/CatalogText.h"

#include "catalog/Failure.h"
#include "catalog/Win1251.h"
#include "platform/FileLookup.h"

#include <QFile>
#include <QSaveFile>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <optional>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace korvane {

namespace {

class FileDescriptor
{
public:
    explicit FileDescriptor(int fd) : m_fd(fd) { }
    ~FileDescriptor()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    FileDescriptor(const FileDescriptor &) = delete;
    FileDescriptor &operator=(const FileDescriptor &) = delete;

    int get() const { return m_fd; }

private:
    int m_fd;
};

// The whole file, or nothing when it is not a regular file or reading fails.
std::optional<QByteArray> readRegularFile(const QString &name)
{
    // O_NONBLOCK: opening a FIFO for reading would otherwise wait for a writer
    // forever. It is harmless for the regular files that get past fstat.
    const FileDescriptor fd(::open(QFile::encodeName(name).constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    if (fd.get() < 0)
        return std::nullopt;
    struct stat info;
    if (::fstat(fd.get(), &info) != 0 || !S_ISREG(info.st_mode))
        return std::nullopt;

    // One byte more than the size, so the read that finds the end needs no
    // growth; the file may still grow meanwhile, and is then read to its end.
    QByteArray data(qsizetype(info.st_size) + 1, Qt::Uninitialized);
    qsizetype used = 0;
    for (;;) {
        if (used == data.size())
            data.resize(data.size() * 2);
        const ssize_t got = ::read(fd.get(), data.data() + used, size_t(data.size() - used));
        if (got < 0) {
            if (errno == EINTR)
                continue;
            return std::nullopt;
        }
        if (got == 0)
            break;
        used += got;
    }
    data.truncate(used);
    return data;
}

bool isExistingFolder(const QString &name)
{
    struct stat info;
    return ::stat(QFile::encodeName(name).constData(), &info) == 0 && S_ISDIR(info.st_mode);
}

} // namespace

QStringList splitCatalogLines(QByteArrayView bytes)
{
    // An empty view may hold no pointer at all, and memchr must not be given one.
    if (bytes.isEmpty())
        return {};
    const char *const begin = bytes.data();
    const char *end = begin + bytes.size();
    // Catalog lists are taken as C strings: nothing after a NUL counts.
    if (const void *nul = std::memchr(begin, '\0', size_t(bytes.size())))
        end = static_cast<const char *>(nul);

    QStringList lines;
    // Part lists reach a million lines; one reservation avoids regrowing.
    lines.reserve(std::count(begin, end, '\n') + 1);
    const char *pos = begin;
    while (pos < end) {
        const char *stop = pos;
        while (stop < end && *stop != '\r' && *stop != '\n')
            ++stop;
        lines.append(decodeWin1251(QByteArrayView(pos, stop - pos)));
        pos = stop;
        if (pos < end && *pos == '\r')
            ++pos;
        if (pos < end && *pos == '\n')
            ++pos;
    }
    return lines;
}

QByteArray readCatalogFile(const QString &path)
{
    // When no entry matches, the composed name is tried as it stands and the
    // failure names it as the user's text built it.
    const QString actual = resolveCaseInsensitive(path).value_or(path);
    std::optional<QByteArray> data = readRegularFile(actual);
    if (!data)
        throw Failure::cannotOpen(path);
    return std::move(*data);
}

QStringList readCatalogLines(const QString &path)
{
    return splitCatalogLines(readCatalogFile(path));
}

QByteArray joinCatalogLines(const QStringList &lines)
{
    QByteArray bytes;
    qsizetype total = 0;
    for (const QString &line : lines)
        total += line.size() + 2;
    bytes.reserve(total);
    for (const QString &line : lines) {
        bytes.append(encodeWin1251(line));
        bytes.append("\r\n", 2);
    }
    return bytes;
}

void writeCatalogFile(const QString &path, const QByteArray &bytes)
{
    const std::optional<QString> target = resolveForWriting(path);
    if (!target || isExistingFolder(*target))
        throw Failure::cannotCreate(path);
    // Written beside the target and renamed over it at the end, so a full disk
    // or a refused folder leaves the previous list whole.
    QSaveFile file(*target);
    if (!file.open(QIODevice::WriteOnly))
        throw Failure::cannotCreate(path);
    // A short write is only reported by the flush: commit() on its own would
    // happily rename a truncated temporary over the old list.
    if (file.write(bytes) != bytes.size() || !file.flush()) {
        file.cancelWriting();
        throw Failure::cannotCreate(path);
    }
    if (!file.commit())
        throw Failure::cannotCreate(path);
}

void writeCatalogLines(const QString &path, const QStringList &lines)
{
    writeCatalogFile(path, joinCatalogLines(lines));
}

QString groupNameFromListedFile(const QString &fileName)
{
    // The name passes through a 255-character buffer before its extension is
    // dropped, so a longer name loses its tail first.
    const QString cut = fileName.left(255);
    return cut.size() <= 4 ? QString() : cut.chopped(4);
}

QStringList groupNamesFromListedFiles(const QStringList &fileNames)
{
    QStringList names;
    names.reserve(fileNames.size());
    for (const QString &fileName : fileNames)
        names.append(groupNameFromListedFile(fileName));
    return names;
}

} // namespace korvane
