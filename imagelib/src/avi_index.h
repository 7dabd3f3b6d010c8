// The movie's layout on disk: the fixed headers, the table of RIFF segments with their frame counts,
// and the indexes (idx1 for the first segment, one ix00 per segment and the super index in the
// extended form). It knows where every frame chunk lies; the frame writer only fills them.
//
// Whatever went wrong before, seal() leaves a movie that readers take as it is: an open segment is
// closed if its index fits, otherwise the first segment keeps its frames with the has-index flag
// cleared (readers scan it) and a later one gives up frames from its end until its index fits, or
// goes back to the last closed segment. Every size and count it patches lies in space the file
// already has.
#pragma once

#include <cstddef>
#include <cstdint>

namespace zrk::image {

// A segment (the first RIFF 'AVI ' or an 'AVIX') is closed before it would grow past this.
constexpr uint64_t kAviSegmentLimit = uint64_t{1} << 30;
// Entries reserved for the super index: with 1 GiB segments, far more than a 4 GiB data file needs.
constexpr unsigned kAviMaxSegments = 128;
// Alignment of every frame chunk (direct I/O).
constexpr uint64_t kAviBlock = 4096;

struct AviFormat {
    unsigned width;      // pixels per row (a multiple of 4)
    unsigned height;     // rows
    uint32_t frameBytes; // width * 3 * height
    uint32_t rate;       // frames per second, at least 1
};

// The movie file's descriptor and the append position; every write retries interruptions.
struct AviOut {
    int fd = -1;
    uint64_t pos = 0; // where the next appended byte goes

    bool put(const void* data, std::size_t length); // at pos, moving it on
    bool putAt(uint64_t position, const void* data, std::size_t length) const;
    bool put32At(uint64_t position, uint32_t value) const;
    // A JUNK chunk from pos so that the next chunk starts on a boundary.
    bool putJunkTo(uint64_t boundary);
    // Ends the file at end (freeing what lies beyond) and appends from there.
    bool cutTo(uint64_t end);
};

class AviIndex {
public:
    // Frame chunks are stride bytes apart (4 KiB multiples); segments stay below limit.
    void start(const AviFormat& format, uint64_t stride, uint64_t limit);

    // Writes the headers and opens the first segment's movi list; out.pos ends 4 KiB aligned.
    bool writeHeaders(AviOut& out);

    // Where the next frame's chunk goes, and whether a new segment must be opened for it first.
    uint64_t nextChunk() const;
    bool segmentFull() const;
    // Closes the current segment in the extended form and opens the next AVIX at out.pos.
    bool nextSegment(AviOut& out);
    // The frame at nextChunk() is on its way in whole.
    void frameWritten();
    uint32_t frames() const { return total_; }

    // Finishes the movie as described above; true when it is complete, with every index.
    bool seal(AviOut& out);

private:
    struct Segment {
        uint64_t riff;    // position of the RIFF chunk header
        uint64_t movi;    // position of the movi LIST header
        uint64_t chunks;  // position of its first frame chunk (4 KiB aligned)
        uint64_t ix;      // position of its ix00 chunk (extended files)
        uint32_t ixBytes; // ix00 chunk size including its header
        uint32_t first;   // first frame of the segment
        uint32_t frames;  // frames in the segment
        bool closed;      // index and sizes written
    };

    uint64_t chunkPosition(const Segment& s, uint32_t k) const { return s.chunks + uint64_t{k} * stride_; }
    uint64_t segmentBytesWith(const Segment& s, uint32_t frames) const;
    bool writeIx00(AviOut& out, Segment& s) const;
    bool writeIdx1(AviOut& out, const Segment& s) const;
    bool closeSegment(AviOut& out, Segment& s, bool extended);
    bool patchCounts(const AviOut& out, bool hasIndex) const;

    AviFormat format_{};
    uint64_t stride_ = 0;
    uint64_t limit_ = kAviSegmentLimit;
    uint32_t total_ = 0;
    unsigned segments_ = 0;
    uint64_t avihFlags_ = 0; // positions of the header fields patched at the end
    uint64_t avihFrames_ = 0;
    uint64_t strhLength_ = 0;
    uint64_t superIndex_ = 0;
    uint64_t dmlhFrames_ = 0;
    Segment segment_[kAviMaxSegments]{};
};

} // namespace zrk::image
