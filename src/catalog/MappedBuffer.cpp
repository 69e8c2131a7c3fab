#include "catalog/MappedBuffer.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <new>
#include <utility>

#include <sys/mman.h>
#include <unistd.h>

namespace korvane {

namespace {

constexpr qsizetype kHugePage = qsizetype(2) << 20;

// Pages of its own pay where they come as huge pages, from 2 MiB: a list of
// 100,000 lines is read and indexed in 0.4 to 0.65 of the time it takes in a
// QByteArray and a std::vector, one of 5M lines in under a third (the
// benchmark's storage rows). Below that a heap block does as well, and
// tens of thousands of small lists read on several threads at once (a whole
// catalog checked) do not wait on each other's unmapping.
constexpr qsizetype kHeapLimit = kHugePage;

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
    release();
}

void MappedBuffer::release()
{
    if (m_mapped)
        ::munmap(m_data, size_t(m_capacity));
    else
        std::free(m_data);
}

MappedBuffer::MappedBuffer(MappedBuffer &&other) noexcept
    : m_data(std::exchange(other.m_data, nullptr)), m_size(std::exchange(other.m_size, 0)),
      m_capacity(std::exchange(other.m_capacity, 0)), m_mapped(std::exchange(other.m_mapped, false))
{
}

MappedBuffer &MappedBuffer::operator=(MappedBuffer &&other) noexcept
{
    if (this != &other) {
        release();
        m_data = std::exchange(other.m_data, nullptr);
        m_size = std::exchange(other.m_size, 0);
        m_capacity = std::exchange(other.m_capacity, 0);
        m_mapped = std::exchange(other.m_mapped, false);
    }
    return *this;
}

void MappedBuffer::reserve(qsizetype bytes)
{
    if (bytes <= m_capacity)
        return;
    const qsizetype grown = std::max(bytes, m_capacity * 2);
    if (!m_mapped && grown <= kHeapLimit) {
        void *block = std::realloc(m_data, size_t(grown));
        if (!block)
            throw std::bad_alloc();
        m_data = static_cast<char *>(block);
        m_capacity = grown;
        return;
    }
    // Doubling, in whole huge pages: Linux (6.7 on) places a mapping of
    // whole huge pages on a huge page boundary, where every page of it can
    // be a huge one, and keeps it there as it grows.
    const qsizetype wanted = (grown + kHugePage - 1) / kHugePage * kHugePage;
    void *mapped = m_mapped
                       ? ::mremap(m_data, size_t(m_capacity), size_t(wanted), MREMAP_MAYMOVE)
                       : ::mmap(nullptr, size_t(wanted), PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (mapped == MAP_FAILED)
        throw std::bad_alloc();
    // Advised before anything is written there, or the pages written first
    // would come in 4 KiB.
    ::madvise(mapped, size_t(wanted), MADV_HUGEPAGE);
    if (!m_mapped) {
        // What the heap block held so far; resize() sets the new size after.
        if (m_size > 0)
            std::memcpy(mapped, m_data, size_t(m_size));
        std::free(m_data);
        m_mapped = true;
    }
    m_data = static_cast<char *>(mapped);
    m_capacity = wanted;
}

void MappedBuffer::shrinkToFit()
{
    if (!m_mapped) {
        if (m_size > 0 && m_size < m_capacity) {
            if (void *block = std::realloc(m_data, size_t(m_size))) {
                m_data = static_cast<char *>(block);
                m_capacity = m_size;
            }
        }
        return;
    }
    const qsizetype used = roundUpToPages(m_size);
    if (used >= m_capacity)
        return;
    if (::mremap(m_data, size_t(m_capacity), size_t(used), 0) != MAP_FAILED)
        m_capacity = used;
}

} // namespace korvane
