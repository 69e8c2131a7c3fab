#pragma once

#include <QtGlobal>

#include <cstddef>

namespace korvane {

// Memory of its own, mapped from the system for a large catalog list: it
// grows without copying (its pages move, not their contents), leaves no
// freed copies behind, goes back to the system in one step, and is advised
// for huge pages, which the kernel faults in many times faster than ordinary
// ones: filling hundreds of megabytes is mostly that faulting. A buffer stays
// on the heap until it outgrows 2 MiB, the size of one huge page, and is
// copied into its own pages once then.
class MappedBuffer
{
public:
    MappedBuffer() = default;
    ~MappedBuffer();
    MappedBuffer(MappedBuffer &&other) noexcept;
    MappedBuffer &operator=(MappedBuffer &&other) noexcept;
    MappedBuffer(const MappedBuffer &) = delete;
    MappedBuffer &operator=(const MappedBuffer &) = delete;

    char *data() { return m_data; }
    const char *constData() const { return m_data; }
    qsizetype size() const { return m_size; }
    qsizetype capacity() const { return m_capacity; }

    // Throws std::bad_alloc when the system has no more memory to give.
    void reserve(qsizetype bytes);
    void resize(qsizetype bytes)
    {
        if (bytes > m_capacity)
            reserve(bytes);
        m_size = bytes;
    }
    void shrinkToFit();

private:
    void release();

    char *m_data = nullptr;
    qsizetype m_size = 0;
    qsizetype m_capacity = 0;
    bool m_mapped = false;
};

} // namespace korvane
