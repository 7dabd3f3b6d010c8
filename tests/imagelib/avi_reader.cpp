#include "avi_reader.h"

#include <cstdio>
#include <cstring>
#include <memory>

namespace testsupport {
namespace {

struct FileCloser {
    void operator()(FILE* f) const { std::fclose(f); }
};
using File = std::unique_ptr<FILE, FileCloser>;

uint32_t u32(const uint8_t* p) {
    return uint32_t{p[0]} | uint32_t{p[1]} << 8 | uint32_t{p[2]} << 16 | uint32_t{p[3]} << 24;
}
uint16_t u16(const uint8_t* p) {
    return static_cast<uint16_t>(p[0] | p[1] << 8);
}
uint64_t u64(const uint8_t* p) {
    return uint64_t{u32(p)} | uint64_t{u32(p + 4)} << 32;
}

class Walker {
public:
    Walker(FILE* f, AviFacts& facts) : f_(f), facts_(facts) {}

    bool readAt(uint64_t pos, void* out, std::size_t n) {
        return ::fseeko(f_, static_cast<off_t>(pos), SEEK_SET) == 0 && std::fread(out, 1, n, f_) == n;
    }

    bool fail(const std::string& why) {
        if (facts_.error.empty()) facts_.error = why;
        return false;
    }

    // A '00db' chunk of the frame size at header position pos.
    bool frameChunkAt(uint64_t pos, uint32_t size) {
        uint8_t h[8];
        return readAt(pos, h, 8) && std::memcmp(h, "00db", 4) == 0 && u32(h + 4) == size;
    }

    bool walk(uint64_t fileSize) {
        uint64_t pos = 0;
        while (pos < fileSize) {
            uint8_t h[12];
            if (!readAt(pos, h, 12) || std::memcmp(h, "RIFF", 4) != 0)
                return fail("no RIFF at " + std::to_string(pos));
            const char* want = facts_.riffSegments == 0 ? "AVI " : "AVIX";
            if (std::memcmp(h + 8, want, 4) != 0) return fail("RIFF type is not " + std::string(want));
            const uint64_t end = pos + 8 + u32(h + 4);
            if (end > fileSize) return fail("RIFF runs past the end of the file");
            ++facts_.riffSegments;
            if (!children(pos + 12, end, "RIFF")) return false;
            pos = end;
        }
        return pos == fileSize || fail("trailing bytes after the last RIFF");
    }

    bool children(uint64_t pos, uint64_t end, const std::string& parent) {
        while (pos < end) {
            uint8_t h[8];
            if (end - pos < 8 || !readAt(pos, h, 8)) return fail("truncated chunk header in " + parent);
            const std::string id(reinterpret_cast<char*>(h), 4);
            const uint32_t size = u32(h + 4);
            const uint64_t next = pos + 8 + size + (size & 1);
            if (next > end) return fail("chunk " + id + " runs past its " + parent);
            if (id == "LIST") {
                uint8_t type[4];
                if (size < 4 || !readAt(pos + 8, type, 4)) return fail("LIST without a type");
                const std::string t(reinterpret_cast<char*>(type), 4);
                if (t == "movi" && facts_.riffSegments == 1) firstMovi_ = pos;
                if (!children(pos + 12, next, t)) return false;
            } else if (!chunk(id, parent, pos + 8, size)) {
                return false;
            }
            pos = next;
        }
        return true;
    }

    bool chunk(const std::string& id, const std::string& parent, uint64_t data, uint32_t size) {
        std::vector<uint8_t> b;
        auto load = [&](uint32_t n) { return size >= n && (b.resize(n), readAt(data, b.data(), n)); };
        if (id == "avih" && parent == "hdrl") {
            if (!load(56)) return fail("short avih");
            facts_.usPerFrame = u32(&b[0]);
            facts_.avihFlags = u32(&b[12]);
            facts_.avihFrames = u32(&b[16]);
            facts_.streams = u32(&b[24]);
            facts_.width = u32(&b[32]);
            facts_.height = u32(&b[36]);
        } else if (id == "strh") {
            if (!load(56)) return fail("short strh");
            facts_.streamType.assign(reinterpret_cast<char*>(&b[0]), 4);
            facts_.handler.assign(reinterpret_cast<char*>(&b[4]), 4);
            facts_.scale = u32(&b[20]);
            facts_.rate = u32(&b[24]);
            facts_.length = u32(&b[32]);
            facts_.suggestedBuffer = u32(&b[36]);
            for (int i = 0; i < 4; ++i)
                facts_.rect[i] = static_cast<int16_t>(u16(&b[48 + 2 * i]));
        } else if (id == "strf") {
            if (!load(40)) return fail("short strf");
            facts_.bihSize = u32(&b[0]);
            facts_.bihWidth = u32(&b[4]);
            facts_.bihHeight = static_cast<int32_t>(u32(&b[8]));
            facts_.bihBitCount = u16(&b[14]);
            facts_.bihCompression = u32(&b[16]);
            facts_.bihSizeImage = u32(&b[20]);
        } else if (id == "dmlh") {
            if (!load(4)) return fail("short dmlh");
            facts_.hasDmlh = true;
            facts_.dmlhFrames = u32(&b[0]);
        } else if (id == "indx") {
            superIndex_ = data;
            superSize_ = size;
        } else if (id == "idx1") {
            idx1_ = data;
            idx1Size_ = size;
            facts_.hasIdx1 = true;
        } else if (id == "00db") {
            if (parent != "movi") return fail("frame chunk outside movi");
            facts_.framePositions.push_back(data);
            facts_.frameSizes.push_back(size);
        }
        return true;
    }

    bool checkIdx1() {
        if (!facts_.hasIdx1) return true;
        if (idx1Size_ % 16 != 0) return fail("idx1 size not a multiple of 16");
        std::vector<uint8_t> b(idx1Size_);
        if (!readAt(idx1_, b.data(), b.size())) return fail("idx1 unreadable");
        for (uint32_t i = 0; i < idx1Size_ / 16; ++i) {
            const uint8_t* e = &b[16 * i];
            if (std::memcmp(e, "00db", 4) != 0 || !(u32(e + 4) & 0x10))
                return fail("idx1 entry not a key frame");
            if (!frameChunkAt(firstMovi_ + 8 + u32(e + 8), u32(e + 12)))
                return fail("idx1 entry " + std::to_string(i) + " misses its frame");
            ++facts_.idx1Entries;
        }
        return true;
    }

    bool checkSuperIndex() {
        if (!superIndex_) return true;
        uint8_t h[24];
        if (superSize_ < 24 || !readAt(superIndex_, h, 24)) return fail("short indx");
        if (u16(h) != 4 || h[3] != 0 || std::memcmp(h + 8, "00db", 4) != 0)
            return fail("indx is not a super index");
        facts_.superEntries = u32(h + 4);
        if (24 + 16ull * facts_.superEntries > superSize_) return fail("indx entries past its chunk");
        for (unsigned i = 0; i < facts_.superEntries; ++i) {
            uint8_t e[16];
            if (!readAt(superIndex_ + 24 + 16 * i, e, 16)) return fail("indx entry unreadable");
            const uint64_t ix = u64(e);
            uint8_t x[32];
            if (!readAt(ix, x, 32) || std::memcmp(x, "ix00", 4) != 0)
                return fail("super index entry misses ix00");
            if (u32(e + 8) != u32(x + 4) + 8) return fail("super index size differs from ix00");
            if (u16(x + 8) != 2 || x[11] != 1) return fail("ix00 is not a standard index");
            const uint32_t n = u32(x + 12);
            if (n != u32(e + 12)) return fail("super index duration differs from ix00 entries");
            const uint64_t base = u64(x + 20);
            std::vector<uint8_t> entries(8ull * n);
            if (!readAt(ix + 32, entries.data(), entries.size())) return fail("ix00 entries unreadable");
            for (uint32_t k = 0; k < n; ++k) {
                const uint32_t size = u32(&entries[8 * k + 4]);
                if (size & 0x80000000u) return fail("ix00 entry not a key frame");
                if (!frameChunkAt(base + u32(&entries[8 * k]) - 8, size))
                    return fail("ix00 entry misses its frame");
                ++facts_.indexedByIx00;
            }
        }
        return true;
    }

private:
    FILE* f_;
    AviFacts& facts_;
    uint64_t firstMovi_ = 0, idx1_ = 0, superIndex_ = 0;
    uint32_t idx1Size_ = 0, superSize_ = 0;
};

} // namespace

AviFacts walkAvi(const std::string& path) {
    AviFacts facts;
    File f(std::fopen(path.c_str(), "rb"));
    if (!f) {
        facts.error = "cannot open " + path;
        return facts;
    }
    ::fseeko(f.get(), 0, SEEK_END);
    const auto size = static_cast<uint64_t>(::ftello(f.get()));
    Walker w(f.get(), facts);
    if (w.walk(size) && w.checkIdx1()) w.checkSuperIndex();
    return facts;
}

std::vector<uint8_t> aviFrame(const std::string& path, const AviFacts& facts, std::size_t k) {
    std::vector<uint8_t> bytes;
    File f(std::fopen(path.c_str(), "rb"));
    if (!f || k >= facts.framePositions.size()) return bytes;
    bytes.resize(facts.frameSizes[k]);
    if (::fseeko(f.get(), static_cast<off_t>(facts.framePositions[k]), SEEK_SET) != 0 ||
        std::fread(bytes.data(), 1, bytes.size(), f.get()) != bytes.size())
        bytes.clear();
    return bytes;
}

} // namespace testsupport
