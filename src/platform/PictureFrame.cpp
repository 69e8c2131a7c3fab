#include "platform/PictureFrame.h"

#include <cstdlib>

#include <sys/mman.h>

namespace korvane {

namespace {

constexpr size_t kHugePageBytes = size_t(2) << 20;

void releaseFrame(void *memory)
{
    std::free(memory);
}

} // namespace

QImage allocatePictureFrame(int width, int height, QImage::Format format)
{
    if (qint64(width) * height < kLargePicturePixels)
        return QImage(width, height, format);

    // A fresh 48 MB frame in 4 KiB pages takes 12,000 page faults, a large
    // share of the time a 12 MP photo takes to decode. Aligned to 2 MiB and
    // advised, it is backed by huge pages where the kernel's transparent huge
    // pages are "always" or "madvise": 23 faults. Elsewhere the advice is
    // ignored and the frame is an ordinary one.
    const qsizetype bytesPerLine = ((qsizetype(width) * QImage::toPixelFormat(format).bitsPerPixel() + 31) >> 5) << 2;
    const size_t bytes = size_t(bytesPerLine) * size_t(height);
    const size_t rounded = (bytes + kHugePageBytes - 1) / kHugePageBytes * kHugePageBytes;
    void *memory = nullptr;
    if (posix_memalign(&memory, kHugePageBytes, rounded) != 0)
        return QImage();
    madvise(memory, rounded, MADV_HUGEPAGE);
    // The image owns the memory from here: the last copy to go frees it. A
    // copy that is written to detaches into memory of its own, as usual.
    QImage frame(static_cast<uchar *>(memory), width, height, bytesPerLine, format, releaseFrame, memory);
    if (frame.isNull())
        std::free(memory);
    return frame;
}

} // namespace korvane
