// Frames in memory with arbitrary sizes, display sizes, surfaces, gains and sharpening; and WriteImageBuf.
#include <cstdint>
#include <cstring>
#include <vector>

#include "zrkimage.h"

namespace {

struct Params {
    uint8_t mode;
    int32_t w, h, dispW, dispH;
    uint16_t gains[3];
    uint16_t gamma;
    int16_t radius, strength;
    uint16_t surfaceW, surfaceH;
    uint8_t extraStride;
    int32_t position, length;
};

constexpr int kSurfaceSide = 1100;
constexpr int kSurfaceStride = kSurfaceSide * 4 + 16;

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // The caller's buffers are the size the program uses: one largest record, nothing spare.
    static std::vector<uint8_t> frame(ZRK_MAX_FRAME_RECORD);
    static std::vector<uint8_t> surfaceMemory(static_cast<size_t>(kSurfaceStride) * kSurfaceSide);
    Params p{};
    if (size < sizeof p) return 0;
    std::memcpy(&p, data, sizeof p);
    data += sizeof p;
    size -= sizeof p;

    std::memset(frame.data(), 0, frame.size());
    std::memcpy(frame.data(), data, size < frame.size() ? size : frame.size());
    if (p.mode & 1) {
        std::memcpy(frame.data(), "ZRK", 4);
        p.w = 8 * (1 + (p.w & 0x3f));
        p.h = 2 * (1 + (p.h & 0xff));
    }
    if (p.mode & 2) {
        p.dispW %= 1200;
        p.dispH %= 1200;
    }
    const int width = 1 + p.surfaceW % kSurfaceSide, height = 1 + p.surfaceH % kSurfaceSide;
    const ZRK_SURFACE surface{surfaceMemory.data(), width, height, width * 4 + 4 * (p.extraStride % 5)};
    const ZRK_ENHANCE sharpen{static_cast<int16_t>(p.radius % 6), p.strength};
    ZRK_FRAME_HEADER header;
    int16_t status = -1;
    int32_t result = CombRGB_Live(&surface, frame.data(), p.w, p.h, p.dispW, p.dispH, p.gains, p.gamma,
                                  &sharpen, &header, &status);
    if ((result == 1) != (status == 0)) __builtin_trap();
    status = -1;
    result = CombRGB_ThumbNail(&surface, frame.data(), p.w, p.h, p.dispW, p.dispH,
                               (p.mode & 4) ? nullptr : &sharpen, &header, &status);
    if ((result == 1) != (status == 0)) __builtin_trap();

    // The piece comes from a buffer as large as the frame buffer, so any length the call accepts is readable.
    static std::vector<uint8_t> piece(ZRK_MAX_FRAME_RECORD);
    std::memcpy(piece.data(), data, size < piece.size() ? size : piece.size());
    const int32_t next =
        WriteImageBuf(frame.data(), static_cast<int32_t>(frame.size()), piece.data(), p.position,
                      (p.mode & 8) ? p.length : static_cast<int32_t>(size) & 0xffff);
    if (next != -1 && (next < 0 || next > static_cast<int32_t>(frame.size()))) __builtin_trap();
    return 0;
}
