// The movie tests' data file of patterned frames, the bitmap each frame should become, and both
// write paths of the movie writer.
#pragma once

#include <cstdlib>
#include <functional>
#include <gtest/gtest.h>
#include <string>
#include <vector>

#include "tests/imagelib/test_support.h"

namespace testsupport {

// A data file of count frames of width x height whose gains, gamma and pixels differ frame by frame.
struct Clip {
    TempDir dir;
    std::string data = dir.file("clip.dat"), avi = dir.file("movie.avi");
    unsigned w, h, frames;
    Clip(unsigned width, unsigned height, unsigned count) : w(width), h(height), frames(count) {
        std::vector<std::vector<uint8_t>> records;
        for (unsigned i = 0; i < count; ++i) {
            auto r = frameRecord(w, h, 0, static_cast<uint16_t>(120 + i), 128, 140, i % 2 ? 77 : 100);
            fillPattern(r, i);
            records.push_back(std::move(r));
        }
        writeDataFile(data, records);
    }
    uint32_t frameBytes() const { return w * 3 * h; }
};

// Frame frame of the clip as CombRGB_File writes it: the bitmap's pixel rows; empty on failure.
inline std::vector<uint8_t> bitmapPixels(const Clip& clip, unsigned frame,
                                         const ZRK_ENHANCE* sharpen = nullptr) {
    const std::string bmp = clip.dir.file("frame.bmp");
    int16_t status = -1;
    if (!CombRGB_File(clip.data.c_str(), bmp.c_str(), static_cast<int32_t>(clip.w),
                      static_cast<int32_t>(clip.h), sharpen, 32, static_cast<int32_t>(frame), &status))
        return {};
    const auto file = readFile(bmp);
    return {file.begin() + 54, file.end()};
}

// Runs body once with direct I/O and once with page-cache writes.
inline void inBothWriteModes(const std::function<void()>& body) {
    for (const char* direct : {"1", "0"}) {
        SCOPED_TRACE(std::string("ZRKIMAGE_AVI_DIRECT=") + direct);
        ::setenv("ZRKIMAGE_AVI_DIRECT", direct, 1);
        body();
    }
    ::unsetenv("ZRKIMAGE_AVI_DIRECT");
}

} // namespace testsupport
