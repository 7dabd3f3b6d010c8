#include "bitmap_file.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "little_endian.h"
#include "zrkimage.h"

namespace zrk::image {

void writeBitmapInfoHeader(uint8_t* dest, unsigned width4, unsigned h, uint32_t imageSize) {
    le32(dest, 40);
    le32(dest + 4, width4);
    le32(dest + 8, h); // positive: rows stored bottom-up
    le16(dest + 12, 1);
    le16(dest + 14, 24);
    le32(dest + 16, 0); // no compression
    le32(dest + 20, imageSize);
    for (int offset = 24; offset < 40; offset += 4) // resolutions and colour counts
        le32(dest + offset, 0);
}

void writeBitmapHeaders(uint8_t* dest, unsigned width4, unsigned h) {
    dest[0] = 'B';
    dest[1] = 'M';
    le32(dest + 2, width4 * 3 * h + 54);
    le16(dest + 6, 0);
    le16(dest + 8, 0);
    le32(dest + 10, 54);
    writeBitmapInfoHeader(dest + 14, width4, h, 0);
}

int openRegularForWriting(const char* path, bool* created) {
    if (created) *created = false;
    if (!path || !*path) return -1;
    struct stat st {};
    if (::stat(path, &st) == 0 && !S_ISREG(st.st_mode)) return -1;
    constexpr int kFlags = O_WRONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK; // never waits for a reader
    bool made = true;
    int fd = ::open(path, kFlags | O_CREAT | O_EXCL, 0666);
    if (fd < 0 && errno == EEXIST) {
        made = false;
        fd = ::open(path, kFlags);
    }
    if (fd < 0) return -1;
    // The name may have changed hands since it was looked at: the descriptor is checked again.
    // Emptied only now, so that an older, longer file leaves no tail behind the new one.
    const int flags = ::fcntl(fd, F_GETFL);
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || (!made && ::ftruncate(fd, 0) != 0) || flags < 0 ||
        ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) != 0) {
        ::close(fd);
        return -1;
    }
    if (created) *created = made;
    return fd;
}

int writeWholeFile(const char* path, const uint8_t* data, std::size_t length) {
    const int fd = openRegularForWriting(path, nullptr);
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
