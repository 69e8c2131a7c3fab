#include "platform/PictureFrame.h"

#include <cstdlib>
#include <mutex>
#include <new>
#include <utility>

#include <sys/mman.h>

namespace korvane {

namespace {

constexpr size_t kHugePageBytes = size_t(2) << 20;

struct FrameMemory
{
    void *memory = nullptr;
    size_t bytes = 0;
};

// The frame of the large picture let go last, kept for the next one: a model
// change replaces one 12 MP picture by another, and a fresh 48 MB frame costs
// the kernel 48 MB of zeroing (4 ms here), a kept one nothing. Its pages are
// handed back lazily (MADV_FREE): the kernel takes them, without writing them
// anywhere, when it runs short of memory, and until then the next frame
// reuses them. Frames up to a 16 MP photo's are kept; one at a time.
constexpr size_t kMostKeptBytes = size_t(64) << 20;
std::mutex keptLock;
FrameMemory kept;

void releaseFrame(void *info)
{
    const auto *frame = static_cast<const FrameMemory *>(info);
    void *memory = frame->memory;
    const size_t bytes = frame->bytes;
    delete frame;
    if (bytes <= kMostKeptBytes) {
        const std::lock_guard<std::mutex> lock(keptLock);
        if (!kept.memory) {
            ::madvise(memory, bytes, MADV_FREE);
            kept = {memory, bytes};
            return;
        }
    }
    std::free(memory);
}

// The kept frame, if it fits this many bytes without wasting half of itself.
FrameMemory takeKeptFrame(size_t bytes)
{
    const std::lock_guard<std::mutex> lock(keptLock);
    if (!kept.memory || kept.bytes < bytes || kept.bytes / 2 > bytes)
        return {};
    return std::exchange(kept, FrameMemory{});
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
    FrameMemory frame = takeKeptFrame(rounded);
    if (!frame.memory) {
        if (posix_memalign(&frame.memory, kHugePageBytes, rounded) != 0)
            return QImage();
        frame.bytes = rounded;
        madvise(frame.memory, rounded, MADV_HUGEPAGE);
    }
    // The image owns the memory from here: the last copy to go lets it go. A
    // copy that is written to detaches into memory of its own, as usual.
    auto *owner = new (std::nothrow) FrameMemory(frame);
    if (!owner) {
        std::free(frame.memory);
        return QImage();
    }
    QImage image(static_cast<uchar *>(frame.memory), width, height, bytesPerLine, format, releaseFrame, owner);
    if (image.isNull())
        releaseFrame(owner);
    return image;
}

} // namespace korvane
