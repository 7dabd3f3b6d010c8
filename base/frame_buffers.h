// The three fixed frame buffers: allocated zero-filled once at start-up, freed at the end.
#pragma once

#include <cstddef>

bool AllocPreviewBuffers();
void FreePreviewBuffers();
bool AllocThumbnailBuffer();
void FreeThumbnailBuffer();

// Where the blocks come from (calloc unless a test puts a failing one in); nullptr restores calloc.
using BlockAllocator = void* (*)(std::size_t count, std::size_t size);
void SetBlockAllocator(BlockAllocator allocator);
