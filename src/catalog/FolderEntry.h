#pragma once

namespace korvane {

// What an entry is once links are followed: a folder, a regular file,
// something else that is never to be opened (a device, a FIFO, a socket), or
// nothing (missing, or a link to nothing).
enum class EntryKind { Missing, Folder, File, Other };

// A folder held open, so that the files in it are opened relative to it: a
// walk opens tens of thousands of files without walking each whole name
// again. Closed with its last holder.
class OpenFolder
{
public:
    explicit OpenFolder(int fd) : m_fd(fd) { }
    ~OpenFolder();
    OpenFolder(const OpenFolder &) = delete;
    OpenFolder &operator=(const OpenFolder &) = delete;

    int fd() const { return m_fd; }

private:
    int m_fd;
};

} // namespace korvane
