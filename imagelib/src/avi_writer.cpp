#include "avi_writer.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/syscall.h>
#include <sys/uio.h>
#include <unistd.h>

#include "bitmap_file.h"
#include "zrkimage.h"

namespace zrk::image {
namespace {

constexpr uint32_t kKeyFrame = 0x10;     // AVIIF_KEYFRAME
constexpr uint32_t kHasIndex = 0x10;     // AVIF_HASINDEX
constexpr uint32_t kMoviHeader = 12;     // "LIST" size "movi"
constexpr uint32_t kChunkHeader = 8;     // fourcc + size
constexpr uint32_t kIx00Header = 32;     // standard index: chunk header + 24 bytes
constexpr uint32_t kSuperHeader = 32;    // super index: chunk header + 24 bytes
constexpr uint32_t kDmlhBytes = 248;     // extended header: total frames + reserved
constexpr std::size_t kIndexBatch = 256; // index entries built per write
constexpr uint64_t kWriteBackStretch = uint64_t{32} << 20;
constexpr uint64_t kBlock = 4096; // alignment of every frame chunk (direct I/O)

constexpr uint64_t roundUp(uint64_t v, uint64_t to) {
    return (v + to - 1) / to * to;
}

void le16(uint8_t* p, uint32_t v) {
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
}
void le32(uint8_t* p, uint32_t v) {
    for (int i = 0; i < 4; ++i)
        p[i] = static_cast<uint8_t>(v >> (8 * i));
}
void le64(uint8_t* p, uint64_t v) {
    le32(p, static_cast<uint32_t>(v));
    le32(p + 4, static_cast<uint32_t>(v >> 32));
}
void fourcc(uint8_t* p, const char* code) {
    std::memcpy(p, code, 4);
}

// Appends the fixed headers into a stack buffer and remembers where the patched fields are.
class HeaderBuilder {
public:
    uint8_t bytes[2 * kBlock]{};
    uint32_t size = 0;
    uint8_t* take(uint32_t n) {
        uint8_t* p = bytes + size;
        size += n;
        return p;
    }
    // "LIST"/"RIFF" header with its type; returns the position of the size field.
    uint32_t list(const char* kind, const char* type) {
        uint8_t* p = take(12);
        fourcc(p, kind);
        fourcc(p + 8, type);
        return size - 8;
    }
    uint8_t* chunk(const char* id, uint32_t length) {
        uint8_t* p = take(kChunkHeader + length);
        fourcc(p, id);
        le32(p + 4, length);
        return p + kChunkHeader;
    }
    void closeList(uint32_t sizeField) { le32(bytes + sizeField, size - sizeField - 4); }
};

} // namespace

AviWriter::~AviWriter() {
    completePending(); // the slot and the descriptor stay valid until the kernel is done with them
    if (aio_) ::syscall(SYS_io_destroy, aio_);
    if (fd_ >= 0) ::close(fd_);
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
    return static_cast<std::size_t>(roundUp(kChunkHeader + uint64_t{frameBytes} + kChunkHeader, kBlock));
}

void AviWriter::setDirect(bool on) {
    on = on && directOk_;
    if (on == direct_) return;
    const int flags = ::fcntl(fd_, F_GETFL);
    if (flags >= 0 && ::fcntl(fd_, F_SETFL, on ? flags | O_DIRECT : flags & ~O_DIRECT) == 0) {
        direct_ = on;
    } else if (on) {
        directOk_ = false; // this file system does not take it: stay with the page cache
    }
}

// A JUNK chunk from pos_ so that the next chunk starts at a 4 KiB boundary.
bool AviWriter::putJunkTo(uint64_t boundaryAfter) {
    const uint64_t end = roundUp(pos_ + kChunkHeader, boundaryAfter);
    uint8_t junk[kBlock + kChunkHeader]{};
    fourcc(junk, "JUNK");
    le32(junk + 4, static_cast<uint32_t>(end - pos_ - kChunkHeader));
    return put(junk, static_cast<std::size_t>(end - pos_));
}

bool AviWriter::put(const void* data, std::size_t length) {
    const auto* p = static_cast<const uint8_t*>(data);
    while (length > 0) {
        const ssize_t n = ::pwrite(fd_, p, length, static_cast<off_t>(pos_));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        p += n;
        length -= static_cast<std::size_t>(n);
        pos_ += static_cast<uint64_t>(n);
    }
    return true;
}

bool AviWriter::putAt(uint64_t position, const void* data, std::size_t length) {
    const auto* p = static_cast<const uint8_t*>(data);
    while (length > 0) {
        const ssize_t n = ::pwrite(fd_, p, length, static_cast<off_t>(position));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        p += n;
        length -= static_cast<std::size_t>(n);
        position += static_cast<uint64_t>(n);
    }
    return true;
}

bool AviWriter::put32At(uint64_t position, uint32_t value) {
    uint8_t b[4];
    le32(b, value);
    return putAt(position, b, 4);
}

int AviWriter::create(const char* path, const AviFormat& format, uint8_t* const slots[2],
                      uint64_t expectedFrames, uint64_t segmentLimit, bool allowDirect) {
    if (!path || !slots || !slots[0] || !slots[1] || fd_ >= 0) return ZRK_STATUS_AVI_OPEN;
    format_ = format;
    slots_[0] = slots[0];
    slots_[1] = slots[1];
    stride_ = slotBytes(format.frameBytes);
    // Index offsets inside a segment are 32-bit.
    limit_ = segmentLimit > (uint64_t{1} << 31) ? (uint64_t{1} << 31) : segmentLimit;
    fd_ = ::open(path, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd_ < 0) return ZRK_STATUS_AVI_OPEN;

    HeaderBuilder h;
    const uint32_t riff = h.list("RIFF", "AVI ");
    const uint32_t hdrl = h.list("LIST", "hdrl");
    uint8_t* avih = h.chunk("avih", 56);
    le32(avih, (1000000 + format.rate / 2) / format.rate); // microseconds per frame
    const uint64_t bytesPerSecond = uint64_t{format.frameBytes} * format.rate;
    le32(avih + 4, bytesPerSecond > 0xFFFFFFFFu ? 0xFFFFFFFFu : static_cast<uint32_t>(bytesPerSecond));
    le32(avih + 12, kHasIndex);
    avihFrames_ = static_cast<uint64_t>(avih + 16 - h.bytes);
    le32(avih + 24, 1); // streams
    le32(avih + 28, format.frameBytes);
    le32(avih + 32, format.width);
    le32(avih + 36, format.height);

    const uint32_t strl = h.list("LIST", "strl");
    uint8_t* strh = h.chunk("strh", 56);
    fourcc(strh, "vids"); // handler 0: uncompressed
    le32(strh + 20, 1);   // scale: one frame lasts 1 / rate seconds
    le32(strh + 24, format.rate);
    strhLength_ = static_cast<uint64_t>(strh + 32 - h.bytes);
    le32(strh + 36, format.frameBytes);
    le16(strh + 52, format.width); // frame rectangle 0, 0, width, height
    le16(strh + 54, format.height);
    writeBitmapInfoHeader(h.chunk("strf", 40), format.width, format.height, format.frameBytes);
    // Room for the super index; stays filler unless the file goes past its first segment.
    superIndex_ = h.size;
    h.chunk("JUNK", kSuperHeader - kChunkHeader + 16 * kAviMaxSegments);
    h.closeList(strl);

    const uint32_t odml = h.list("LIST", "odml");
    dmlhFrames_ = static_cast<uint64_t>(h.chunk("dmlh", kDmlhBytes) - h.bytes);
    h.closeList(odml);
    h.closeList(hdrl);
    // Filler up to where the movi list's header ends on a 4 KiB boundary.
    const uint32_t fill = static_cast<uint32_t>(roundUp(h.size + kChunkHeader + kMoviHeader, kBlock)) -
                          h.size - kChunkHeader - kMoviHeader;
    h.chunk("JUNK", fill);

    Segment& first = segment_[0];
    first = {};
    first.riff = riff - 4;
    first.movi = h.size;
    h.list("LIST", "movi");
    first.chunks = h.size;
    segments_ = 1;
    pos_ = 0;
    if (!put(h.bytes, h.size)) {
        ::close(fd_);
        fd_ = -1;
        ::unlink(path);
        return ZRK_STATUS_AVI_STREAM;
    }
    directOk_ = allowDirect;
    setDirect(true);
    if (direct_) {
        // Writes into reserved space complete in the background; appending ones would wait. The
        // reservation is cut back to the movie's end when it is finished.
        const uint64_t frames = expectedFrames * stride_;
        const uint64_t expected =
            h.size + frames + (expectedFrames + 1) * 32 + (frames / limit_ + 1) * 2 * kBlock;
        const bool reserved = ::fallocate(fd_, 0, 0, static_cast<off_t>(expected)) == 0;
        if (!reserved || ::syscall(SYS_io_setup, 1, &aio_) != 0) aio_ = 0;
    }
    return ZRK_STATUS_OK;
}

uint64_t AviWriter::segmentBytesWith(const Segment& s, uint32_t frames) const {
    uint64_t bytes = s.chunks - s.riff + uint64_t{frames} * stride_;
    bytes += kIx00Header + 8 * uint64_t{frames};
    if (&s == &segment_[0]) bytes += kChunkHeader + 16 * uint64_t{frames};
    return bytes;
}

uint64_t AviWriter::chunkPosition(const Segment& s, uint32_t k) const {
    return s.chunks + uint64_t{k} * stride_;
}

bool AviWriter::openAvix() {
    if (segments_ >= kAviMaxSegments) return false;
    Segment& s = segment_[segments_];
    s = {};
    s.riff = pos_;
    s.movi = pos_ + 12;
    s.first = total_;
    uint8_t h[24];
    fourcc(h, "RIFF");
    le32(h + 4, 0);
    fourcc(h + 8, "AVIX");
    fourcc(h + 12, "LIST");
    le32(h + 16, 0);
    fourcc(h + 20, "movi");
    if (!put(h, sizeof h) || !putJunkTo(kBlock)) return false;
    s.chunks = pos_;
    ++segments_;
    return true;
}

int AviWriter::writeFrame() {
    if (fd_ < 0) return ZRK_STATUS_AVI_WRITE;
    if (const int code = completePending(); code != ZRK_STATUS_OK) return code;
    Segment* s = &segment_[segments_ - 1];
    if (s->frames > 0 && segmentBytesWith(*s, s->frames + 1) > limit_) {
        setDirect(false); // indexes and headers are small and unaligned
        if (!closeSegment(*s, true) || !openAvix()) return ZRK_STATUS_AVI_WRITE;
        setDirect(true);
    }
    // The slot: chunk header, the pixels already in place, then a JUNK chunk to the 4 KiB boundary.
    uint8_t* slot = slots_[current_];
    fourcc(slot, "00db");
    le32(slot + 4, format_.frameBytes);
    uint8_t* junk = slot + kChunkHeader + format_.frameBytes;
    const auto junkBytes = static_cast<std::size_t>(stride_ - kChunkHeader - format_.frameBytes);
    std::memset(junk, 0, junkBytes);
    fourcc(junk, "JUNK");
    le32(junk + 4, static_cast<uint32_t>(junkBytes - kChunkHeader));

    const uint64_t start = pos_;
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
    request_.aio_fildes = static_cast<uint32_t>(fd_);
    request_.aio_buf = reinterpret_cast<uint64_t>(slot);
    request_.aio_nbytes = stride_;
    request_.aio_offset = static_cast<int64_t>(start);
    iocb* list[1] = {&request_};
    if (::syscall(SYS_io_submit, aio_, 1, list) != 1) return false;
    pending_ = true;
    pendingStart_ = start;
    pos_ = start + stride_;
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
    pos_ = pendingStart_;
    setDirect(false);
    directOk_ = false;
    if (!writeSlotNow(slot, pendingStart_)) return ZRK_STATUS_AVI_WRITE;
    frameDone();
    return ZRK_STATUS_OK;
}

void AviWriter::frameDone() {
    ++segment_[segments_ - 1].frames;
    ++total_;
    if (!direct_) streamToDisk();
}

bool AviWriter::writeSlotNow(const uint8_t* slot, uint64_t start) {
    std::size_t done = 0;
    while (done < stride_) {
        const ssize_t n = ::pwrite(fd_, slot + done, static_cast<std::size_t>(stride_ - done),
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
            if (::ftruncate(fd_, static_cast<off_t>(start)) == 0)
                ::lseek(fd_, static_cast<off_t>(start), SEEK_SET);
            pos_ = start;
            return false;
        }
        done += static_cast<std::size_t>(n);
        // A short write leaves an unaligned rest, which only the page cache takes.
        if (done < stride_ && done % kBlock != 0) setDirect(false);
    }
    pos_ = start + stride_;
    ::lseek(fd_, static_cast<off_t>(pos_), SEEK_SET);
    return true;
}

void AviWriter::streamToDisk() {
    uint64_t* end = stretchEnd_ + 1; // stretchEnd_[0]: where the oldest stretch in flight begins
    const uint64_t started = stretches_ ? end[stretches_ - 1] : stretchEnd_[0];
    if (pos_ - started < kWriteBackStretch) return;
    // Start the newest stretch on its way. Once enough are in flight, wait for the oldest and let its
    // pages go. Errors here are not final: the data stays dirty and the flush in finish() reports them.
    ::sync_file_range(fd_, static_cast<off_t>(started), static_cast<off_t>(pos_ - started),
                      SYNC_FILE_RANGE_WRITE);
    end[stretches_++] = pos_;
    if (stretches_ < kStretchesInFlight) return;
    const auto from = static_cast<off_t>(stretchEnd_[0]),
               length = static_cast<off_t>(end[0] - stretchEnd_[0]);
    ::sync_file_range(fd_, from, length,
                      SYNC_FILE_RANGE_WAIT_BEFORE | SYNC_FILE_RANGE_WRITE | SYNC_FILE_RANGE_WAIT_AFTER);
    ::posix_fadvise(fd_, from, length, POSIX_FADV_DONTNEED);
    for (unsigned k = 0; k < stretches_; ++k)
        stretchEnd_[k] = stretchEnd_[k + 1];
    --stretches_;
}

bool AviWriter::writeIx00(Segment& s) {
    s.ix = pos_;
    s.ixBytes = kIx00Header + 8 * s.frames;
    uint8_t h[kIx00Header]{};
    fourcc(h, "ix00");
    le32(h + 4, s.ixBytes - kChunkHeader);
    le16(h + 8, 2); // longs per entry
    h[10] = 0;      // sub type
    h[11] = 1;      // index of chunks
    le32(h + 12, s.frames);
    fourcc(h + 16, "00db");
    le64(h + 20, s.movi); // base: entries count from the segment's movi list
    if (!put(h, sizeof h)) return false;
    uint8_t batch[kIndexBatch * 8];
    for (uint32_t k = 0; k < s.frames;) {
        std::size_t n = 0;
        for (; n < kIndexBatch && k < s.frames; ++n, ++k) {
            // Offsets point at the frame data, past its chunk header.
            le32(batch + 8 * n, static_cast<uint32_t>(chunkPosition(s, k) + kChunkHeader - s.movi));
            le32(batch + 8 * n + 4, format_.frameBytes); // high bit clear: key frame
        }
        if (!put(batch, 8 * n)) return false;
    }
    return true;
}

bool AviWriter::writeIdx1(const Segment& s) {
    uint8_t h[kChunkHeader];
    fourcc(h, "idx1");
    le32(h + 4, 16 * s.frames);
    if (!put(h, sizeof h)) return false;
    uint8_t batch[kIndexBatch * 16];
    const uint64_t base = s.movi + 8; // offsets count from the "movi" type code
    for (uint32_t k = 0; k < s.frames;) {
        std::size_t n = 0;
        for (; n < kIndexBatch && k < s.frames; ++n, ++k) {
            uint8_t* e = batch + 16 * n;
            fourcc(e, "00db");
            le32(e + 4, kKeyFrame);
            le32(e + 8, static_cast<uint32_t>(chunkPosition(s, k) - base));
            le32(e + 12, format_.frameBytes);
        }
        if (!put(batch, 16 * n)) return false;
    }
    return true;
}

bool AviWriter::closeSegment(Segment& s, bool extended) {
    if (extended && !writeIx00(s)) return false;
    if (!put32At(s.movi + 4, static_cast<uint32_t>(pos_ - s.movi - 8))) return false;
    if (&s == &segment_[0] && !writeIdx1(s)) return false;
    return put32At(s.riff + 4, static_cast<uint32_t>(pos_ - s.riff - 8));
}

int AviWriter::finish() {
    if (fd_ < 0) return ZRK_STATUS_AVI_WRITE;
    // A frame that fails here is cut off; the movie is still finished, but not as a success.
    const bool lastFrameWritten = completePending() == ZRK_STATUS_OK;
    setDirect(false);
    ::lseek(fd_, static_cast<off_t>(pos_), SEEK_SET);
    const bool extended = segments_ > 1;
    bool ok = closeSegment(segment_[segments_ - 1], extended);
    if (ok && extended) {
        uint8_t h[kSuperHeader]{};
        fourcc(h, "indx");
        le32(h + 4, kSuperHeader - kChunkHeader + 16 * kAviMaxSegments);
        le16(h + 8, 4); // longs per entry
        h[11] = 0;      // index of indexes
        le32(h + 12, segments_);
        fourcc(h + 16, "00db");
        ok = putAt(superIndex_, h, sizeof h);
        for (unsigned i = 0; ok && i < segments_; ++i) {
            uint8_t e[16];
            le64(e, segment_[i].ix);
            le32(e + 8, segment_[i].ixBytes);
            le32(e + 12, segment_[i].frames);
            ok = putAt(superIndex_ + kSuperHeader + 16 * i, e, sizeof e);
        }
    }
    // A plain reader sees the first segment's frames; the stream length and the extended header
    // count them all.
    ok = ok && put32At(avihFrames_, extended ? segment_[0].frames : total_);
    ok = ok && put32At(strhLength_, total_) && put32At(dmlhFrames_, total_);
    // The space reserved beyond the movie goes, whatever else failed.
    if (::ftruncate(fd_, static_cast<off_t>(pos_)) != 0) ok = false;
    // The movie is finished only once it is on the disk: a write-back failure is reported, not lost.
    if (ok && ::fdatasync(fd_) != 0) ok = false;
    if (::close(fd_) != 0) ok = false;
    fd_ = -1;
    return ok && lastFrameWritten ? ZRK_STATUS_OK : ZRK_STATUS_AVI_WRITE;
}

} // namespace zrk::image
