#include "frame_file.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "zrkimage.h"

namespace zrk::image {
namespace {

// Closes the descriptor on every return path.
class FileDescriptor {
public:
    explicit FileDescriptor(int fd) : fd_(fd) {}
    ~FileDescriptor() {
        if (fd_ >= 0) ::close(fd_);
    }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    int get() const { return fd_; }

private:
    int fd_;
};

bool readAll(int fd, uint8_t* dest, std::size_t length, off_t position) {
    while (length > 0) {
        const ssize_t n = ::pread(fd, dest, length, position);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        dest += n;
        length -= static_cast<std::size_t>(n);
        position += n;
    }
    return true;
}

} // namespace

bool hasFrameMagic(const uint8_t* record) {
    return record[0] == 'Z' && record[1] == 'R' && record[2] == 'K' && record[3] == 0;
}

int readFrameRecord(const char* path, uint32_t dataOffset, uint32_t frameIndex, unsigned w, unsigned h,
                    uint8_t* dest, std::size_t destCapacity) {
    if (!path || !dest) return ZRK_STATUS_READ;
    // 64-bit arithmetic: with a 32-bit index and a record of at most 256 KiB nothing here can wrap.
    const uint64_t recordSize = uint64_t{w} * h + ZRK_FRAME_HEADER_SIZE;
    const uint64_t position = uint64_t{dataOffset} + uint64_t{frameIndex} * recordSize;
    const uint64_t end = position + recordSize;
    constexpr uint64_t kFileLimit = uint64_t{1} << 32;
    if (recordSize > destCapacity || end >= kFileLimit) return ZRK_STATUS_READ;

    // Non-blocking open so that a FIFO named as a data file cannot hang the caller; reading is shared.
    FileDescriptor file(::open(path, O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    if (file.get() < 0) return ZRK_STATUS_READ;
    struct stat info {};
    if (::fstat(file.get(), &info) != 0 || !S_ISREG(info.st_mode)) return ZRK_STATUS_READ;
    const auto size = static_cast<uint64_t>(info.st_size);
    if (size >= kFileLimit || size < end) return ZRK_STATUS_READ;
    // Playback reads the file front to back, one record per call.
    ::posix_fadvise(file.get(), 0, 0, POSIX_FADV_SEQUENTIAL);
    if (!readAll(file.get(), dest, static_cast<std::size_t>(recordSize), static_cast<off_t>(position)))
        return ZRK_STATUS_READ;
    return hasFrameMagic(dest) ? ZRK_STATUS_OK : ZRK_STATUS_MAGIC;
}

} // namespace zrk::image
