#include "base/frame_buffers.h"

#include "base/shared_state.h"

#include <cstdlib>

namespace {

BlockAllocator g_allocate = std::calloc;

// One block of the largest frame record plus spare bytes, zero-filled; address 0 on failure.
void Alloc(FrameBuffer& buffer) {
    buffer.inUse = 0;
    buffer.handle = g_allocate(1, kFrameBufferBytes);
    buffer.address = static_cast<uint8_t*>(buffer.handle);
}

void Free(FrameBuffer& buffer) {
    if (buffer.handle || buffer.address) std::free(buffer.handle);
    buffer.handle = nullptr;
    buffer.address = nullptr;
}

} // namespace

bool AllocPreviewBuffers() {
    for (auto& b : g_PreviewBuf)
        Alloc(b);
    if (!g_PreviewBuf[0].address || !g_PreviewBuf[1].address) {
        FreePreviewBuffers();
        return false;
    }
    return true;
}

void FreePreviewBuffers() {
    for (auto& b : g_PreviewBuf)
        Free(b);
}

bool AllocThumbnailBuffer() {
    Alloc(g_ThumbBuf);
    if (!g_ThumbBuf.address) {
        FreeThumbnailBuffer();
        return false;
    }
    return true;
}

void FreeThumbnailBuffer() {
    Free(g_ThumbBuf);
}

void SetBlockAllocator(BlockAllocator allocator) {
    g_allocate = allocator ? allocator : std::calloc;
}
