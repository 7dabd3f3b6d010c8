#include "bitmap_file.h"

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

#include "zrkimage.h"

namespace zrk::image {
namespace {

void put16(uint8_t* p, uint16_t v) {
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
}

void put32(uint8_t* p, uint32_t v) {
    for (int i = 0; i < 4; ++i)
        p[i] = static_cast<uint8_t>(v >> (8 * i));
}

} // namespace

void writeBitmapInfoHeader(uint8_t* dest, unsigned width4, unsigned h, uint32_t imageSize) {
    put32(dest, 40);
    put32(dest + 4, width4);
    put32(dest + 8, h); // positive: rows stored bottom-up
    put16(dest + 12, 1);
    put16(dest + 14, 24);
    put32(dest + 16, 0); // no compression
    put32(dest + 20, imageSize);
    for (int offset = 24; offset < 40; offset += 4) // resolutions and colour counts
        put32(dest + offset, 0);
}

void writeBitmapHeaders(uint8_t* dest, unsigned width4, unsigned h) {
    dest[0] = 'B';
    dest[1] = 'M';
    put32(dest + 2, width4 * 3 * h + 54);
    put16(dest + 6, 0);
    put16(dest + 8, 0);
    put32(dest + 10, 54);
    writeBitmapInfoHeader(dest + 14, width4, h, 0);
}

int writeWholeFile(const char* path, const uint8_t* data, std::size_t length) {
    if (!path) return ZRK_STATUS_WRITE;
    // O_TRUNC: an older, longer file must not leave its tail behind the new picture.
    const int fd = ::open(path, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd < 0) return ZRK_STATUS_WRITE;
    bool ok = true;
    while (ok && length > 0) {
        const ssize_t n = ::write(fd, data, length);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            ok = false;
            break;
        }
        data += n;
        length -= static_cast<std::size_t>(n);
    }
    // A failed close can be the first report of a failed write (full disk on a network drive).
    if (::close(fd) != 0) ok = false;
    return ok ? ZRK_STATUS_OK : ZRK_STATUS_WRITE;
}

} // namespace zrk::image
