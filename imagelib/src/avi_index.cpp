#include "avi_index.h"

#include <cerrno>
#include <cstring>
#include <unistd.h>

#include "bitmap_file.h"
#include "little_endian.h"

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

constexpr uint64_t roundUp(uint64_t v, uint64_t to) {
    return (v + to - 1) / to * to;
}

void fourcc(uint8_t* p, const char* code) {
    std::memcpy(p, code, 4);
}

// Appends the fixed headers into a stack buffer and remembers where the patched fields are.
class HeaderBuilder {
public:
    uint8_t bytes[2 * kAviBlock]{};
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
    uint64_t at(const uint8_t* p) const { return static_cast<uint64_t>(p - bytes); }
    void closeList(uint32_t sizeField) { le32(bytes + sizeField, size - sizeField - 4); }
};

} // namespace

bool AviOut::putAt(uint64_t position, const void* data, std::size_t length) const {
    const auto* p = static_cast<const uint8_t*>(data);
    while (length > 0) {
        const ssize_t n = ::pwrite(fd, p, length, static_cast<off_t>(position));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        p += n;
        length -= static_cast<std::size_t>(n);
        position += static_cast<uint64_t>(n);
    }
    return true;
}

bool AviOut::put(const void* data, std::size_t length) {
    if (!putAt(pos, data, length)) return false;
    pos += length;
    return true;
}

bool AviOut::put32At(uint64_t position, uint32_t value) const {
    uint8_t b[4];
    le32(b, value);
    return putAt(position, b, 4);
}

bool AviOut::putJunkTo(uint64_t boundary) {
    const uint64_t end = roundUp(pos + kChunkHeader, boundary);
    uint8_t junk[kAviBlock + kChunkHeader]{};
    fourcc(junk, "JUNK");
    le32(junk + 4, static_cast<uint32_t>(end - pos - kChunkHeader));
    return put(junk, static_cast<std::size_t>(end - pos));
}

bool AviOut::cutTo(uint64_t end) {
    pos = end;
    return ::ftruncate(fd, static_cast<off_t>(end)) == 0;
}

void AviIndex::start(const AviFormat& format, uint64_t stride, uint64_t limit) {
    format_ = format;
    stride_ = stride;
    limit_ = limit;
    total_ = 0;
    segments_ = 0;
}

bool AviIndex::writeHeaders(AviOut& out) {
    HeaderBuilder h;
    const AviFormat& format = format_;
    const uint32_t riff = h.list("RIFF", "AVI ");
    const uint32_t hdrl = h.list("LIST", "hdrl");
    uint8_t* avih = h.chunk("avih", 56);
    le32(avih, (1000000 + format.rate / 2) / format.rate); // microseconds per frame
    const uint64_t bytesPerSecond = uint64_t{format.frameBytes} * format.rate;
    le32(avih + 4, bytesPerSecond > 0xFFFFFFFFu ? 0xFFFFFFFFu : static_cast<uint32_t>(bytesPerSecond));
    le32(avih + 12, kHasIndex);
    avihFlags_ = h.at(avih + 12);
    avihFrames_ = h.at(avih + 16);
    le32(avih + 24, 1); // streams
    le32(avih + 28, format.frameBytes);
    le32(avih + 32, format.width);
    le32(avih + 36, format.height);

    const uint32_t strl = h.list("LIST", "strl");
    uint8_t* strh = h.chunk("strh", 56);
    fourcc(strh, "vids"); // handler 0: uncompressed
    le32(strh + 20, 1);   // scale: one frame lasts 1 / rate seconds
    le32(strh + 24, format.rate);
    strhLength_ = h.at(strh + 32);
    le32(strh + 36, format.frameBytes);
    le16(strh + 52, format.width); // frame rectangle 0, 0, width, height
    le16(strh + 54, format.height);
    writeBitmapInfoHeader(h.chunk("strf", 40), format.width, format.height, format.frameBytes);
    // Room for the super index; stays filler unless the file goes past its first segment.
    superIndex_ = h.size;
    h.chunk("JUNK", kSuperHeader - kChunkHeader + 16 * kAviMaxSegments);
    h.closeList(strl);

    const uint32_t odml = h.list("LIST", "odml");
    dmlhFrames_ = h.at(h.chunk("dmlh", kDmlhBytes));
    h.closeList(odml);
    h.closeList(hdrl);
    // Filler up to where the movi list's header ends on a 4 KiB boundary.
    const uint32_t fill = static_cast<uint32_t>(roundUp(h.size + kChunkHeader + kMoviHeader, kAviBlock)) -
                          h.size - kChunkHeader - kMoviHeader;
    h.chunk("JUNK", fill);

    Segment& first = segment_[0];
    first = {};
    first.riff = riff - 4;
    first.movi = h.size;
    h.list("LIST", "movi");
    first.chunks = h.size;
    segments_ = 1;
    out.pos = 0;
    return out.put(h.bytes, h.size);
}

uint64_t AviIndex::segmentBytesWith(const Segment& s, uint32_t frames) const {
    uint64_t bytes = s.chunks - s.riff + uint64_t{frames} * stride_;
    bytes += kIx00Header + 8 * uint64_t{frames};
    if (&s == &segment_[0]) bytes += kChunkHeader + 16 * uint64_t{frames};
    return bytes;
}

uint64_t AviIndex::nextChunk() const {
    const Segment& s = segment_[segments_ - 1];
    return chunkPosition(s, s.frames);
}

bool AviIndex::segmentFull() const {
    const Segment& s = segment_[segments_ - 1];
    return s.frames > 0 && segmentBytesWith(s, s.frames + 1) > limit_;
}

void AviIndex::frameWritten() {
    ++segment_[segments_ - 1].frames;
    ++total_;
}

bool AviIndex::nextSegment(AviOut& out) {
    if (!closeSegment(out, segment_[segments_ - 1], true) || segments_ >= kAviMaxSegments) return false;
    // Counted before its header is written: seal() drops a segment that never got a frame.
    Segment& s = segment_[segments_++];
    s = {};
    s.riff = out.pos;
    s.movi = out.pos + 12;
    s.first = total_;
    s.chunks = 0;
    uint8_t h[24];
    fourcc(h, "RIFF");
    le32(h + 4, 0);
    fourcc(h + 8, "AVIX");
    fourcc(h + 12, "LIST");
    le32(h + 16, 0);
    fourcc(h + 20, "movi");
    if (!out.put(h, sizeof h) || !out.putJunkTo(kAviBlock)) return false;
    s.chunks = out.pos;
    return true;
}

bool AviIndex::writeIx00(AviOut& out, Segment& s) const {
    s.ix = out.pos;
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
    if (!out.put(h, sizeof h)) return false;
    uint8_t batch[kIndexBatch * 8];
    for (uint32_t k = 0; k < s.frames;) {
        std::size_t n = 0;
        for (; n < kIndexBatch && k < s.frames; ++n, ++k) {
            // Offsets point at the frame data, past its chunk header.
            le32(batch + 8 * n, static_cast<uint32_t>(chunkPosition(s, k) + kChunkHeader - s.movi));
            le32(batch + 8 * n + 4, format_.frameBytes); // high bit clear: key frame
        }
        if (!out.put(batch, 8 * n)) return false;
    }
    return true;
}

bool AviIndex::writeIdx1(AviOut& out, const Segment& s) const {
    uint8_t h[kChunkHeader];
    fourcc(h, "idx1");
    le32(h + 4, 16 * s.frames);
    if (!out.put(h, sizeof h)) return false;
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
        if (!out.put(batch, 16 * n)) return false;
    }
    return true;
}

bool AviIndex::closeSegment(AviOut& out, Segment& s, bool extended) {
    if (s.closed) return true; // never twice: a second close would grow movi over its own index
    if (extended && !writeIx00(out, s)) return false;
    if (!out.put32At(s.movi + 4, static_cast<uint32_t>(out.pos - s.movi - 8))) return false;
    if (&s == &segment_[0] && !writeIdx1(out, s)) return false;
    if (!out.put32At(s.riff + 4, static_cast<uint32_t>(out.pos - s.riff - 8))) return false;
    s.closed = true;
    return true;
}

bool AviIndex::seal(AviOut& out) {
    bool complete = true, hasIndex = true;
    // An AVIX that never got a frame (its header or the frame after it failed) goes.
    if (segments_ > 1 && segment_[segments_ - 1].frames == 0) {
        out.cutTo(segment_[segments_ - 1].riff);
        --segments_;
        complete = false;
    }
    Segment& s = segment_[segments_ - 1];
    if (!s.closed) {
        // From the end of its last whole frame: whatever a failed close left behind it goes first.
        uint64_t end = chunkPosition(s, s.frames);
        s.ix = 0;
        s.ixBytes = 0;
        if (!out.cutTo(end) || !closeSegment(out, s, segments_ > 1)) {
            complete = false;
            if (segments_ == 1) {
                // The frames stay, unindexed: the sizes need no new space, and readers scan.
                out.cutTo(end);
                out.put32At(s.movi + 4, static_cast<uint32_t>(end - s.movi - 8));
                out.put32At(s.riff + 4, static_cast<uint32_t>(end - s.riff - 8));
                hasIndex = false;
            } else {
                // An AVIX needs its ix00: frames go from its end until the index fits in the room
                // they leave (one frame's room takes hundreds of entries), else back to the last
                // closed segment.
                bool closed = false;
                while (!closed && s.frames > 0) {
                    --s.frames;
                    end = chunkPosition(s, s.frames);
                    closed = s.frames > 0 && out.cutTo(end) && closeSegment(out, s, true);
                }
                if (!closed) {
                    out.cutTo(s.riff);
                    --segments_;
                }
            }
        }
    }
    total_ = segment_[segments_ - 1].first + segment_[segments_ - 1].frames;
    return patchCounts(out, hasIndex) && complete;
}

bool AviIndex::patchCounts(const AviOut& out, bool hasIndex) const {
    const bool extended = segment_[0].ixBytes > 0; // the first segment was closed with an ix00
    bool ok = true;
    if (extended) {
        uint8_t h[kSuperHeader]{};
        fourcc(h, "indx");
        le32(h + 4, kSuperHeader - kChunkHeader + 16 * kAviMaxSegments);
        le16(h + 8, 4); // longs per entry
        h[11] = 0;      // index of indexes
        le32(h + 12, segments_);
        fourcc(h + 16, "00db");
        ok = out.putAt(superIndex_, h, sizeof h);
        for (unsigned i = 0; ok && i < segments_; ++i) {
            uint8_t e[16];
            le64(e, segment_[i].ix);
            le32(e + 8, segment_[i].ixBytes);
            le32(e + 12, segment_[i].frames);
            ok = out.putAt(superIndex_ + kSuperHeader + 16 * i, e, sizeof e);
        }
    }
    // A plain reader sees the first segment's frames; the stream length and the extended header
    // count them all.
    ok = ok && out.put32At(avihFrames_, extended ? segment_[0].frames : total_);
    ok = ok && out.put32At(strhLength_, total_) && out.put32At(dmlhFrames_, total_);
    if (!hasIndex) ok = out.put32At(avihFlags_, 0) && ok;
    return ok;
}

} // namespace zrk::image
