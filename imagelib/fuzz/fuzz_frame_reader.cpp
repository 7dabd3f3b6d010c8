// Data files of any content read with any size, offset and index, through CombRGB_Play and CombRGB_File.
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <sys/mman.h>
#include <unistd.h>
#include <vector>

#include "zrkimage.h"

namespace {

struct Params {
    uint8_t mode;
    uint16_t w, h;
    uint32_t offset, index;
    int16_t dispW, dispH;
    int16_t radius, strength;
};

// A file that lives in memory only; its /proc path works wherever a file name is expected.
struct MemFile {
    int fd;
    std::string path;
    explicit MemFile(const char* name) : fd(::memfd_create(name, MFD_CLOEXEC)) {
        path = "/proc/self/fd/" + std::to_string(fd);
    }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static MemFile input("zrk-data"), output("zrk-bitmap");
    static std::vector<uint32_t> pixels(1024 * 1024);
    Params p{};
    if (size < sizeof p) return 0;
    std::memcpy(&p, data, sizeof p);
    data += sizeof p;
    size -= sizeof p;
    if (p.mode & 1) {
        // Mostly sizes the pipeline takes, records that start right after the data file's headers.
        p.w = static_cast<uint16_t>(8 * (1 + p.w % 64));
        p.h = static_cast<uint16_t>(2 * (1 + p.h % 256));
        p.offset %= 64;
        p.index %= 4;
    }
    if (p.mode & 2) {
        p.dispW = static_cast<int16_t>(p.dispW % 1025);
        p.dispH = static_cast<int16_t>(p.dispH % 1025);
    }
    if (::ftruncate(input.fd, 0) != 0 || ::pwrite(input.fd, data, size, 0) != static_cast<ssize_t>(size))
        return 0;
    const ZRK_SURFACE surface{reinterpret_cast<uint8_t*>(pixels.data()), 1024, 1024, 4096};
    const ZRK_ENHANCE sharpen{static_cast<int16_t>(p.radius % 4), p.strength};
    ZRK_FRAME_HEADER header;
    int16_t status = -1;
    const int32_t shown =
        CombRGB_Play(&surface, input.path.c_str(), p.w, p.h, p.dispW, p.dispH, &sharpen, &header,
                     static_cast<int32_t>(p.offset), static_cast<int32_t>(p.index), &status);
    if ((shown == 1) != (status == 0)) __builtin_trap();
    status = -1;
    const int32_t written =
        CombRGB_File(input.path.c_str(), output.path.c_str(), p.w, p.h, &sharpen,
                     static_cast<int32_t>(p.offset), static_cast<int32_t>(p.index), &status);
    if ((written == 1) != (status == 0)) __builtin_trap();
    if (written == 1) {
        // The bitmap file is exactly header plus pixels.
        const off_t length = ::lseek(output.fd, 0, SEEK_END);
        if (length != static_cast<off_t>(54 + 3 * std::size_t{p.w} * p.h)) __builtin_trap();
    }
    return 0;
}
