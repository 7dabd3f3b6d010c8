// An AVI reader of the tests' own: walks every RIFF and LIST of a movie, checks their sizes, and
// follows both index forms (idx1 and the extended super index with its ix00 chunks) to the frames.
// Reads with seeks only, so that a movie of any size is checked without holding it in memory.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace testsupport {

struct AviFacts {
    std::string error; // empty when the whole file walked cleanly
    // Main header.
    uint32_t usPerFrame = 0, avihFrames = 0, streams = 0, width = 0, height = 0, avihFlags = 0;
    // Stream header and format.
    std::string streamType, handler;
    uint32_t scale = 0, rate = 0, length = 0, suggestedBuffer = 0;
    int16_t rect[4] = {};
    uint32_t bihWidth = 0, bihSize = 0, bihCompression = 0, bihSizeImage = 0;
    int32_t bihHeight = 0;
    uint16_t bihBitCount = 0;
    // Extended form.
    bool hasDmlh = false;
    uint32_t dmlhFrames = 0;
    unsigned riffSegments = 0;  // 'AVI ' plus every 'AVIX'
    unsigned superEntries = 0;  // entries of the super index in use (0 without one)
    uint64_t indexedByIx00 = 0; // frames reached through the super index
    uint32_t idx1Entries = 0;   // every entry a key frame at a '00db' chunk of the frame size
    bool hasIdx1 = false;
    // Every '00db' chunk in file order: position of its data, and its size.
    std::vector<uint64_t> framePositions;
    std::vector<uint32_t> frameSizes;
};

AviFacts walkAvi(const std::string& path);

// Bytes of frame k (its chunk data), read from the walked positions.
std::vector<uint8_t> aviFrame(const std::string& path, const AviFacts& facts, std::size_t k);

} // namespace testsupport
