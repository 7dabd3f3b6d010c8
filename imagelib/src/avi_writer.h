// AVI (RIFF) writer for one uncompressed 24-bit bottom-up video stream, streamed to disk frame by
// frame. Every frame chunk starts on a 4 KiB boundary and is padded to one with a JUNK chunk, so that
// frames go to the disk straight from the caller's frame slots (direct I/O) where the file system
// allows it, without a copy through the page cache; with two slots one frame is written (kernel
// asynchronous I/O into space reserved up front) while the next is built. Up to the segment limit the file is
// a plain AVI with an idx1 index; past it the file goes on in the extended form (AVIX segments, a super index
// in the stream header, one ix00 index per segment). Nothing is allocated: the writer keeps a fixed table of
// segments and builds the indexes from the frame positions when it finishes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <linux/aio_abi.h>

namespace zrk::image {

// A segment (the first RIFF 'AVI ' or an 'AVIX') is closed before it would grow past this.
constexpr uint64_t kAviSegmentLimit = uint64_t{1} << 30;
// Entries reserved for the super index: with 1 GiB segments, far more than a 4 GiB data file needs.
constexpr unsigned kAviMaxSegments = 128;

struct AviFormat {
    unsigned width;      // pixels per row (a multiple of 4)
    unsigned height;     // rows
    uint32_t frameBytes; // width * 3 * height
    uint32_t rate;       // frames per second, at least 1
};

class AviWriter {
public:
    AviWriter() = default;
    ~AviWriter();
    AviWriter(const AviWriter&) = delete;
    AviWriter& operator=(const AviWriter&) = delete;

    // Whether frames frames of format fit in the segment table at this limit.
    static bool fits(const AviFormat& format, uint64_t frames, uint64_t segmentLimit);

    // Bytes of the frame slot a format needs: chunk header, pixels, padding to the next 4 KiB.
    static std::size_t slotBytes(uint32_t frameBytes);

    // Creates path anew (an older file is truncated) and writes the headers; expectedFrames sizes the
    // space reserved for it. slots (two, 4 KiB aligned, slotBytes long, the caller's) hold the frames
    // on their way out, in turn. ZRK_STATUS_OK, ZRK_STATUS_AVI_OPEN when the file cannot be created,
    // ZRK_STATUS_AVI_STREAM when the headers cannot be written (the file is then removed: it holds
    // nothing readable).
    // allowDirect false keeps every write in the page cache.
    int create(const char* path, const AviFormat& format, uint8_t* const slots[2], uint64_t expectedFrames,
               uint64_t segmentLimit = kAviSegmentLimit, bool allowDirect = true);

    // Where the next frame's pixels (format.frameBytes bytes) go before writeFrame().
    uint8_t* framePixels() const { return slots_[current_] + 8; }

    // Appends the frame in the current slot as a key frame; it may still be on its way when this
    // returns. ZRK_STATUS_OK or ZRK_STATUS_AVI_WRITE (for this frame or the one before it); after a
    // failure the file is cut back to the whole frames written before.
    int writeFrame();

    // Writes the indexes and every size field and closes the file: a valid movie of the frames
    // written. ZRK_STATUS_OK or ZRK_STATUS_AVI_WRITE. Safe to call once after create succeeded.
    int finish();

private:
    struct Segment {
        uint64_t riff;    // position of the RIFF chunk header
        uint64_t movi;    // position of the movi LIST header
        uint64_t chunks;  // position of its first frame chunk (4 KiB aligned)
        uint64_t ix;      // position of its ix00 chunk (extended files)
        uint32_t ixBytes; // ix00 chunk size including its header
        uint32_t first;   // first frame of the segment
        uint32_t frames;  // frames in the segment
    };

    bool put(const void* data, std::size_t length);
    bool putJunkTo(uint64_t boundaryAfter);
    bool writeSlotNow(const uint8_t* slot, uint64_t start);
    bool submit(const uint8_t* slot, uint64_t start);
    int completePending();
    void frameDone();
    void setDirect(bool on);
    bool putAt(uint64_t position, const void* data, std::size_t length);
    bool put32At(uint64_t position, uint32_t value);
    uint64_t chunkPosition(const Segment& s, uint32_t k) const;
    bool openAvix();
    bool writeIx00(Segment& s);
    bool writeIdx1(const Segment& s);
    bool closeSegment(Segment& s, bool extended);
    uint64_t segmentBytesWith(const Segment& s, uint32_t frames) const;
    void streamToDisk();

    int fd_ = -1;
    bool direct_ = false;   // frames are written with direct I/O now
    bool directOk_ = false; // the file system takes direct I/O
    uint8_t* slots_[2] = {};
    unsigned current_ = 0;
    aio_context_t aio_ = 0; // 0: frames are written synchronously
    iocb request_{};
    bool pending_ = false; // the frame at pendingStart_ is being written
    uint64_t pendingStart_ = 0;
    uint64_t stride_ = 0; // bytes from one frame chunk to the next
    AviFormat format_{};
    uint64_t limit_ = kAviSegmentLimit;
    uint64_t pos_ = 0;
    uint32_t total_ = 0;
    // Ends of the stretches on their way to the disk, oldest first; the file below the first is on it.
    static constexpr unsigned kStretchesInFlight = 4;
    uint64_t stretchEnd_[kStretchesInFlight + 1]{};
    unsigned stretches_ = 0;
    unsigned segments_ = 0;
    uint64_t avihFrames_ = 0; // positions of the header fields patched at the end
    uint64_t strhLength_ = 0;
    uint64_t superIndex_ = 0;
    uint64_t dmlhFrames_ = 0;
    Segment segment_[kAviMaxSegments]{};
};

} // namespace zrk::image
