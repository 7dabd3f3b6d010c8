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
alignas(4096) uint8_t g_bitmap[kBitmapBufferSize]; // 4 KiB: movie frames leave it by direct I/O

const Workspace g_workspace{g_frame, reinterpret_cast<uint8_t*>(g_red), reinterpret_cast<uint8_t*>(g_green),
                            reinterpret_cast<uint8_t*>(g_blue), g_bitmap};

} // namespace

const Workspace& workspace() {
    return g_workspace;
}

} // namespace zrk::image
