#include "catalog/CatalogText.h"

#include "catalog/Failure.h"
#include "catalog/Win1251.h"

#include <QFile>
#include <QSaveFile>

#include <cerrno>
#include <cstring>
#include <new>
#include <optional>
#include <utility>

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
    FileDescriptor(FileDescriptor &&other) noexcept : m_fd(std::exchange(other.m_fd, -1)) { }
    FileDescriptor(const FileDescriptor &) = delete;
    FileDescriptor &operator=(const FileDescriptor &) = delete;

    int get() const { return m_fd; }
    int release() { return std::exchange(m_fd, -1); }

private:
    int m_fd;
};

// The file opened for reading, or -1 when it cannot be or is not a regular file.
FileDescriptor openRegularFile(const CatalogFile &file, struct stat &info)
{
    // Opening a device has effects of its own (a watchdog starts counting, a
    // tape rewinds), and a catalog entry may be a link to one: what the name
    // is, links followed, is looked at first, and only a regular file opened.
    const char *name = file.native.isEmpty() ? "." : file.native.constData();
    // Within a folder a walk holds open, by the name's last piece alone: the
    // system need not walk the whole name again.
    const int folder = file.folder ? file.folder->fd() : AT_FDCWD;
    if (file.folder)
        name = static_cast<const char *>(::memrchr(name, '/', size_t(file.native.size()))) + 1;
    struct stat seen
    {
    };
    if (!file.seenRegular && (::fstatat(folder, name, &seen, 0) != 0 || !S_ISREG(seen.st_mode)))
        return FileDescriptor(-1);
    // O_NONBLOCK and O_NOCTTY: should a FIFO or a terminal take the file's
    // place meanwhile, the open neither waits for a writer forever nor makes
    // it this process's terminal; it is then refused like any other swap.
    FileDescriptor fd(::openat(folder, name, O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY));
    if (fd.get() >= 0
        && (::fstat(fd.get(), &info) != 0 || !S_ISREG(info.st_mode)
            || (!file.seenRegular && (info.st_dev != seen.st_dev || info.st_ino != seen.st_ino))))
        return FileDescriptor(-1);
    return fd;
}

// The file's bytes, or nothing when it is not a regular file or reading fails.
// After every part read, endOfText(data, before, used) may say that the text
// ended inside it (a catalog text ends at its first NUL): reading stops
// there, so a file that is mostly NULs (a sparse file of gigabytes, say)
// costs what its text costs.
template <typename Buffer, typename EndOfText>
std::optional<Buffer> readRegularFile(const CatalogFile &file, EndOfText endOfText)
{
    struct stat info;
    const FileDescriptor fd = openRegularFile(file, info);
    if (fd.get() < 0)
        return std::nullopt;

    // Read in parts into a buffer that grows with what was read, not with
    // what the file claims. One byte more than the size, so that an ordinary
    // file fits its first buffer and the read that finds the end needs no
    // growth; a file that grows meanwhile is read to its end.
    constexpr qsizetype kPart = qsizetype(1) << 20;
    constexpr qsizetype kFirstBuffer = qsizetype(64) << 20;
    Buffer data;
    data.resize(std::min<qsizetype>(qsizetype(info.st_size) + 1, kFirstBuffer));
    qsizetype used = 0;
    for (;;) {
        if (used == data.size())
            data.resize(data.size() * 2);
        const size_t wanted = size_t(std::min(data.size() - used, kPart));
        const ssize_t got = ::read(fd.get(), data.data() + used, wanted);
        if (got < 0) {
            if (errno == EINTR)
                continue;
            return std::nullopt;
        }
        if (got == 0)
            break;
        const qsizetype before = used;
        used += got;
        if (const qsizetype end = endOfText(data, before, used); end >= 0) {
            used = end;
            break;
        }
    }
    data.resize(used);
    return data;
}

template <typename Buffer>
qsizetype noEnd(const Buffer &, qsizetype, qsizetype)
{
    return -1;
}

// What stands where a write is to go. A catalog photo and the dump are plain
// files. A link as the last piece of the name would carry the write to
// wherever it points (QSaveFile writes to a link's target), outside the
// catalog as likely as not; a device or FIFO would take the bytes itself.
// Folders on the way may be links: a catalog kept on a shared folder is.
enum class WriteTarget { Missing, RegularFile, Refused };

WriteTarget writeTargetOf(const QByteArray &native)
{
    struct stat info;
    if (::lstat(native.constData(), &info) != 0)
        return errno == ENOENT ? WriteTarget::Missing : WriteTarget::Refused;
    return S_ISREG(info.st_mode) ? WriteTarget::RegularFile : WriteTarget::Refused;
}

// Cuts the existing file and writes it anew, as Windows writes a file. Not
// through a link put in its place since it was looked at (O_NOFOLLOW), and
// nothing but a regular file is cut.
bool writeInPlace(const QByteArray &native, const QByteArray &bytes)
{
    FileDescriptor fd(::open(native.constData(), O_WRONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY));
    struct stat info;
    if (fd.get() < 0 || ::fstat(fd.get(), &info) != 0 || !S_ISREG(info.st_mode) || ::ftruncate(fd.get(), 0) != 0)
        return false;
    for (qsizetype done = 0; done < bytes.size();) {
        const ssize_t wrote = ::write(fd.get(), bytes.constData() + done, size_t(bytes.size() - done));
        if (wrote > 0)
            done += wrote;
        else if (wrote == 0 || errno != EINTR)
            return false;
    }
    // A file system that writes back late reports a failed write at the close.
    return ::close(fd.release()) == 0;
}

template <typename Buffer, typename EndOfText>
Buffer readFile(const CatalogFile &file, EndOfText endOfText)
{
    std::optional<Buffer> data;
    try {
        data = readRegularFile<Buffer>(file, endOfText);
    } catch (const std::bad_alloc &) {
        throw Failure::outOfMemoryReading(file.composed.text());
    }
    if (!data)
        throw Failure::cannotOpen(file.composed.text());
    return std::move(*data);
}

} // namespace

bool catalogFileOpens(const CatalogFile &file)
{
    struct stat info;
    return openRegularFile(file, info).get() >= 0;
}

QByteArray readCatalogFile(const CatalogFile &file)
{
    return readFile<QByteArray>(file, &noEnd<QByteArray>);
}

QByteArray readCatalogFile(const ComposedPath &path)
{
    return readCatalogFile(locateCatalogFile(path));
}

CatalogLines readCatalogLines(const CatalogFile &file)
{
    // The text is indexed part by part as it is read, each part while it is
    // still in the processor's cache; the NUL that ends it is found on the way.
    CatalogLines::Builder builder;
    MappedBuffer text
        = readFile<MappedBuffer>(file, [&builder](const MappedBuffer &data, qsizetype, qsizetype used) -> qsizetype {
              return builder.scan(data.constData(), used) ? -1 : builder.endIn(used);
          });
    try {
        return builder.finish(std::move(text));
    } catch (const std::bad_alloc &) {
        throw Failure::outOfMemoryReading(file.composed.text());
    }
}

void writeCatalogFile(const ComposedPath &path, const QByteArray &bytes)
{
    const std::optional<QByteArray> target = resolveForWriting(path);
    const WriteTarget existing = target ? writeTargetOf(*target) : WriteTarget::Refused;
    if (existing == WriteTarget::Refused)
        throw Failure::cannotCreate(path.text());
    // The toolkit names files in UTF-8; a folder named in another code page
    // cannot be written through it and is reported like any refused write.
    const QString targetName = QFile::decodeName(*target);
    if (QFile::encodeName(targetName) != *target)
        throw Failure::cannotCreate(path.text());
    // Written beside the target and renamed over it at the end, so a full disk
    // leaves the previous file whole. A folder that takes no new files has no
    // room for that; a file that may be written is then written in place, as
    // Windows writes it, and only there can a failed write leave it cut short.
    // That is done here, not by QSaveFile's own fallback, which would follow
    // a link put in the file's place meanwhile.
    QSaveFile file(targetName);
    if (!file.open(QIODevice::WriteOnly)) {
        if (existing == WriteTarget::RegularFile && writeInPlace(*target, bytes))
            return;
        throw Failure::cannotCreate(path.text());
    }
    // A short write is only reported by the flush: commit() on its own would
    // happily rename a truncated temporary over the old list.
    if (file.write(bytes) != bytes.size() || !file.flush()) {
        file.cancelWriting();
        throw Failure::cannotCreate(path.text());
    }
    if (!file.commit())
        throw Failure::cannotCreate(path.text());
}

void writeCatalogLines(const ComposedPath &path, const CatalogLines &lines)
{
    writeCatalogFile(path, lines.joined());
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
