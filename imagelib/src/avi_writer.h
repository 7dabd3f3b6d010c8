// AVI (RIFF) writer for one uncompressed 24-bit bottom-up video stream, streamed to disk frame by
// frame: the frame-slot I/O. Every frame chunk starts on a 4 KiB boundary and is padded to one with a
// JUNK chunk, so that frames can go to the disk straight from the caller's frame slots (direct I/O)
// where the file system allows it; with two slots one frame is written (kernel asynchronous I/O into
// space reserved up front) while the next is built. By default frames go through the page cache, which
// the writer streams to the disk itself as it goes. Where the chunks lie, the segments and the
// indexes are AviIndex's (avi_index.h). Nothing is allocated.
#pragma once

#include <cstddef>
#include <cstdint>
#include <linux/aio_abi.h>

#include "avi_index.h"

namespace zrk::image {

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

    // Creates path anew (an older regular file is emptied; anything else is refused unopened) and
    // writes the headers; expectedFrames sizes the space reserved for direct I/O. slots (two, 4 KiB
    // aligned, slotBytes long, the caller's) hold the frames on their way out, in turn.
    // ZRK_STATUS_OK, ZRK_STATUS_AVI_OPEN when the file cannot be created, ZRK_STATUS_AVI_STREAM when
    // the headers cannot be written (a file this call created is then removed: it holds nothing
    // readable). direct true writes the frames with direct I/O where the file system takes it.
    // path must stay valid until finish(), which removes a file this call made that got no frame.
    int create(const char* path, const AviFormat& format, uint8_t* const slots[2], uint64_t expectedFrames,
               uint64_t segmentLimit = kAviSegmentLimit, bool direct = false);

    // Where the next frame's pixels (format.frameBytes bytes) go before writeFrame().
    uint8_t* framePixels() const { return slots_[current_] + 8; }

    // Appends the frame in the current slot as a key frame; it may still be on its way when this
    // returns. ZRK_STATUS_OK or ZRK_STATUS_AVI_WRITE (for this frame or the one before it); after a
    // failure the file is cut back to the whole frames written before.
    int writeFrame();

    // Writes the indexes and every size field, puts the file on the disk and closes it: a valid movie
    // of the frames written, whatever failed before. ZRK_STATUS_OK only when every frame handed in
    // and every index made it, else ZRK_STATUS_AVI_WRITE. Safe to call once after create succeeded.
    // A movie without a single frame is no movie: a file this writer made is removed then.
    int finish();

private:
    bool writeSlotNow(const uint8_t* slot, uint64_t start);
    bool submit(const uint8_t* slot, uint64_t start);
    int completePending();
    void frameDone();
    void setDirect(bool on);
    void streamToDisk();

    AviOut out_;
    const char* path_ = nullptr;
    bool created_ = false; // this writer made the file at path_
    AviIndex index_;
    bool direct_ = false;   // frames are written with direct I/O now
    bool directOk_ = false; // direct I/O wanted and taken by the file system
    uint8_t* slots_[2] = {};
    unsigned current_ = 0;
    aio_context_t aio_ = 0; // 0: frames are written synchronously
    iocb request_{};
    bool pending_ = false; // the frame at pendingStart_ is being written
    uint64_t pendingStart_ = 0;
    uint64_t stride_ = 0; // bytes from one frame chunk to the next
    uint32_t frameBytes_ = 0;
    // Ends of the stretches on their way to the disk, oldest first; the file below the first is on it.
    static constexpr unsigned kStretchesInFlight = 4;
    uint64_t stretchEnd_[kStretchesInFlight + 1]{};
    unsigned stretches_ = 0;
};

} // namespace zrk::image
