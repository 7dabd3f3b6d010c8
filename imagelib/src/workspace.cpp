#include "workspace.h"

namespace zrk::image {
namespace {

// Zero-initialised static storage: the dynamic loader maps it, zero-filled, when the library is loaded
// (a load that cannot map it fails) and unmaps it when the library is unloaded. Nothing is
// allocated per call.
alignas(64) uint8_t g_frame[kFrameBufferSize];
// Declared with the word sizes of what the scaler keeps in them once a picture is reconstructed.
alignas(64) uint16_t g_red[kColourPlaneSize / 2];
alignas(64) uint16_t g_green[kColourPlaneSize / 2];
alignas(64) uint32_t g_blue[kColourPlaneSize / 4];
alignas(64) uint8_t g_bitmap[kBitmapFileSize];
// Direct I/O takes the movie frames straight from here: page-aligned.
alignas(4096) uint8_t g_movieSlot[2][kMovieSlotSize];

const Workspace g_workspace{g_frame,
                            reinterpret_cast<uint8_t*>(g_red),
                            reinterpret_cast<uint8_t*>(g_green),
                            reinterpret_cast<uint8_t*>(g_blue),
                            g_bitmap,
                            {g_movieSlot[0], g_movieSlot[1]}};

} // namespace

const Workspace& workspace() {
    return g_workspace;
}

} // namespace zrk::image
