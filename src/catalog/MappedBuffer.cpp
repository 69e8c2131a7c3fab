#include "catalog/MappedBuffer.h"

#include <algorithm>
#include <new>
#include <utility>

#include <sys/mman.h>
#include <unistd.h>

namespace korvane {

namespace {

constexpr qsizetype kHugePage = qsizetype(2) << 20;

qsizetype pageSize()
{
    static const qsizetype size = qsizetype(::sysconf(_SC_PAGESIZE));
    return size;
}

qsizetype roundUpToPages(qsizetype bytes)
{
    const qsizetype page = pageSize();
    return std::max(page, (bytes + page - 1) / page * page);
}

} // namespace

MappedBuffer::~MappedBuffer()
{
    if (m_data)
        ::munmap(m_data, size_t(m_capacity));
}

MappedBuffer::MappedBuffer(MappedBuffer &&other) noexcept
    : m_data(std::exchange(other.m_data, nullptr)), m_size(std::exchange(other.m_size, 0)),
      m_capacity(std::exchange(other.m_capacity, 0))
{
}

MappedBuffer &MappedBuffer::operator=(MappedBuffer &&other) noexcept
{
    if (this != &other) {
        if (m_data)
            ::munmap(m_data, size_t(m_capacity));
        m_data = std::exchange(other.m_data, nullptr);
        m_size = std::exchange(other.m_size, 0);
        m_capacity = std::exchange(other.m_capacity, 0);
    }
    return *this;
}

void MappedBuffer::reserve(qsizetype bytes)
{
    if (bytes <= m_capacity)
        return;
    // Doubling, in whole pages.
    const qsizetype wanted = roundUpToPages(std::max(bytes, m_capacity * 2));
    void *mapped = m_data ? ::mremap(m_data, size_t(m_capacity), size_t(wanted), MREMAP_MAYMOVE)
                          : ::mmap(nullptr, size_t(wanted), PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (mapped == MAP_FAILED)
        throw std::bad_alloc();
    m_data = static_cast<char *>(mapped);
    m_capacity = wanted;
    if (m_capacity >= kHugePage)
        ::madvise(m_data, size_t(m_capacity), MADV_HUGEPAGE);
}

void MappedBuffer::shrinkToFit()
{
    const qsizetype used = roundUpToPages(m_size);
    if (!m_data || used >= m_capacity)
        return;
    if (::mremap(m_data, size_t(m_capacity), size_t(used), 0) != MAP_FAILED)
        m_capacity = used;
}

} // namespace korvane
