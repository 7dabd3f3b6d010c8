// The three fixed frame buffers: allocated zero-filled once at start-up, freed at the end.
#pragma once

bool AllocPreviewBuffers();
void FreePreviewBuffers();
bool AllocThumbnailBuffer();
void FreeThumbnailBuffer();
