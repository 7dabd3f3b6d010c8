#include "avi_writer.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/syscall.h>
#include <unistd.h>

#include "bitmap_file.h"
#include "zrkimage.h"

namespace zrk::image {
namespace {

constexpr uint32_t kChunkHeader = 8; // fourcc + size
constexpr uint64_t kWriteBackStretch = uint64_t{32} << 20;

constexpr uint64_t roundUp(uint64_t v, uint64_t to) {
    return (v + to - 1) / to * to;
}

void le32(uint8_t* p, uint32_t v) {
    for (int i = 0; i < 4; ++i)
        p[i] = static_cast<uint8_t>(v >> (8 * i));
}

} // namespace

AviWriter::~AviWriter() {
    completePending(); // the slot and the descriptor stay valid until the kernel is done with them
    if (aio_) ::syscall(SYS_io_destroy, aio_);
    if (out_.fd >= 0) ::close(out_.fd);
}

bool AviWriter::fits(const AviFormat& format, uint64_t frames, uint64_t segmentLimit) {
    if (format.frameBytes == 0 || format.frameBytes % 2 != 0 || format.rate == 0) return false;
    const uint64_t perFrame = AviWriter::slotBytes(format.frameBytes) + 8 + 16;
    // Frames per segment under the limit; at least one, since a segment always takes its first frame.
    uint64_t perSegment = segmentLimit > 8192 ? (segmentLimit - 8192) / perFrame : 0;
    if (perSegment == 0) perSegment = 1;
    return (frames + perSegment - 1) / perSegment <= kAviMaxSegments;
}

std::size_t AviWriter::slotBytes(uint32_t frameBytes) {
    // Room for the padding chunk's own header behind the pixels.
    return static_cast<std::size_t>(roundUp(kChunkHeader + uint64_t{frameBytes} + kChunkHeader, kAviBlock));
}

void AviWriter::setDirect(bool on) {
    on = on && directOk_;
    if (on == direct_) return;
    const int flags = ::fcntl(out_.fd, F_GETFL);
    if (flags >= 0 && ::fcntl(out_.fd, F_SETFL, on ? flags | O_DIRECT : flags & ~O_DIRECT) == 0) {
        direct_ = on;
    } else if (on) {
        directOk_ = false; // this file system does not take it: stay with the page cache
    }
}

int AviWriter::create(const char* path, const AviFormat& format, uint8_t* const slots[2],
                      uint64_t expectedFrames, uint64_t segmentLimit, bool direct) {
    if (!path || !slots || !slots[0] || !slots[1] || out_.fd >= 0) return ZRK_STATUS_AVI_OPEN;
    frameBytes_ = format.frameBytes;
    slots_[0] = slots[0];
    slots_[1] = slots[1];
    stride_ = slotBytes(format.frameBytes);
    // Index offsets inside a segment are 32-bit.
    const uint64_t limit = segmentLimit > (uint64_t{1} << 31) ? (uint64_t{1} << 31) : segmentLimit;
    index_.start(format, stride_, limit);
    path_ = path;
    out_.fd = openRegularForWriting(path, &created_);
    if (out_.fd < 0) return ZRK_STATUS_AVI_OPEN;
    if (!index_.writeHeaders(out_)) {
        ::close(out_.fd);
        out_.fd = -1;
        if (created_) ::unlink(path); // only the file this call made, never what was there before
        return ZRK_STATUS_AVI_STREAM;
    }
    directOk_ = direct;
    setDirect(true);
    if (direct_) {
        // Writes into reserved space complete in the background; appending ones would wait. The
        // reservation is cut back to the movie's end when it is finished.
        const uint64_t frames = expectedFrames * stride_;
        const uint64_t expected =
            out_.pos + frames + (expectedFrames + 1) * 32 + (frames / limit + 1) * 2 * kAviBlock;
        const bool reserved = ::fallocate(out_.fd, 0, 0, static_cast<off_t>(expected)) == 0;
        if (!reserved || ::syscall(SYS_io_setup, 1, &aio_) != 0) aio_ = 0;
    }
    return ZRK_STATUS_OK;
}

int AviWriter::writeFrame() {
    if (out_.fd < 0) return ZRK_STATUS_AVI_WRITE;
    if (const int code = completePending(); code != ZRK_STATUS_OK) return code;
    if (index_.segmentFull()) {
        setDirect(false); // indexes and headers are small and unaligned
        if (!index_.nextSegment(out_)) return ZRK_STATUS_AVI_WRITE;
        setDirect(true);
    }
    // The slot: chunk header, the pixels already in place, then a JUNK chunk to the 4 KiB boundary.
    uint8_t* slot = slots_[current_];
    std::memcpy(slot, "00db", 4);
    le32(slot + 4, frameBytes_);
    uint8_t* junk = slot + kChunkHeader + frameBytes_;
    const auto junkBytes = static_cast<std::size_t>(stride_ - kChunkHeader - frameBytes_);
    std::memset(junk, 0, junkBytes);
    std::memcpy(junk, "JUNK", 4);
    le32(junk + 4, static_cast<uint32_t>(junkBytes - kChunkHeader));

    const uint64_t start = index_.nextChunk();
    if (submit(slot, start)) {
        current_ ^= 1; // the next frame is built in the other slot meanwhile
        return ZRK_STATUS_OK;
    }
    if (!writeSlotNow(slot, start)) return ZRK_STATUS_AVI_WRITE;
    frameDone();
    return ZRK_STATUS_OK;
}

bool AviWriter::submit(const uint8_t* slot, uint64_t start) {
    if (!aio_ || !direct_) return false;
    request_ = {};
    request_.aio_lio_opcode = IOCB_CMD_PWRITE;
    request_.aio_fildes = static_cast<uint32_t>(out_.fd);
    request_.aio_buf = reinterpret_cast<uint64_t>(slot);
    request_.aio_nbytes = stride_;
    request_.aio_offset = static_cast<int64_t>(start);
    iocb* list[1] = {&request_};
    if (::syscall(SYS_io_submit, aio_, 1, list) != 1) return false;
    pending_ = true;
    pendingStart_ = start;
    out_.pos = start + stride_;
    return true;
}

// Waits for the frame in flight; on a failure the file is cut back to where that frame began.
int AviWriter::completePending() {
    if (!pending_) return ZRK_STATUS_OK;
    pending_ = false;
    io_event event{};
    long got = 0;
    do {
        got = ::syscall(SYS_io_getevents, aio_, 1, 1, &event, nullptr);
    } while (got < 0 && errno == EINTR);
    if (got == 1 && event.res == static_cast<int64_t>(stride_)) {
        frameDone();
        return ZRK_STATUS_OK;
    }
    // Refused or cut short: once more through the page cache, which also takes what direct I/O
    // does not (a short write near a size limit, say).
    const uint8_t* slot = reinterpret_cast<const uint8_t*>(request_.aio_buf);
    setDirect(false);
    directOk_ = false;
    if (!writeSlotNow(slot, pendingStart_)) return ZRK_STATUS_AVI_WRITE;
    frameDone();
    return ZRK_STATUS_OK;
}

void AviWriter::frameDone() {
    index_.frameWritten();
    if (!direct_) streamToDisk();
}

bool AviWriter::writeSlotNow(const uint8_t* slot, uint64_t start) {
    std::size_t done = 0;
    while (done < stride_) {
        const ssize_t n = ::pwrite(out_.fd, slot + done, static_cast<std::size_t>(stride_ - done),
                                   static_cast<off_t>(start + done));
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 && errno == EINVAL && direct_) {
            // Direct I/O refused after all (alignment this file system wants): use the page cache.
            setDirect(false);
            directOk_ = false;
            continue;
        }
        if (n <= 0) {
            // Cut the partial frame off so that the file ends with whole frames.
            setDirect(false);
            out_.cutTo(start);
            return false;
        }
        done += static_cast<std::size_t>(n);
        // A short write leaves an unaligned rest, which only the page cache takes.
        if (done < stride_ && done % kAviBlock != 0) setDirect(false);
    }
    out_.pos = start + stride_;
    return true;
}

void AviWriter::streamToDisk() {
    const int fd = out_.fd;
    const uint64_t pos = out_.pos;
    uint64_t* end = stretchEnd_ + 1; // stretchEnd_[0]: where the oldest stretch in flight begins
    const uint64_t started = stretches_ ? end[stretches_ - 1] : stretchEnd_[0];
    if (pos - started < kWriteBackStretch) return;
    // Start the newest stretch on its way. Once enough are in flight, wait for the oldest and let its
    // pages go. Errors here are not final: the data stays dirty and the flush in finish() reports them.
    ::sync_file_range(fd, static_cast<off_t>(started), static_cast<off_t>(pos - started),
                      SYNC_FILE_RANGE_WRITE);
    end[stretches_++] = pos;
    if (stretches_ < kStretchesInFlight) return;
    const auto from = static_cast<off_t>(stretchEnd_[0]),
               length = static_cast<off_t>(end[0] - stretchEnd_[0]);
    ::sync_file_range(fd, from, length,
                      SYNC_FILE_RANGE_WAIT_BEFORE | SYNC_FILE_RANGE_WRITE | SYNC_FILE_RANGE_WAIT_AFTER);
    ::posix_fadvise(fd, from, length, POSIX_FADV_DONTNEED);
    for (unsigned k = 0; k < stretches_; ++k)
        stretchEnd_[k] = stretchEnd_[k + 1];
    --stretches_;
}

int AviWriter::finish() {
    if (out_.fd < 0) return ZRK_STATUS_AVI_WRITE;
    // A frame that fails here is cut off; the movie is still finished, but not as a success.
    const bool lastFrameWritten = completePending() == ZRK_STATUS_OK;
    setDirect(false);
    bool ok = index_.seal(out_);
    // The movie is finished only once it is on the disk: a write-back failure is reported, not lost.
    // The frames of a movie cut short go there too.
    if (::fdatasync(out_.fd) != 0) ok = false;
    if (::close(out_.fd) != 0) ok = false;
    out_.fd = -1;
    if (index_.frames() == 0 && created_) ::unlink(path_);
    return ok && lastFrameWritten ? ZRK_STATUS_OK : ZRK_STATUS_AVI_WRITE;
}

} // namespace zrk::image
