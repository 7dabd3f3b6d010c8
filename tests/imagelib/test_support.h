// Frames, data files and surfaces for the entry-point tests.
#pragma once

#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

#include "imagelib/include/zrk_data_file.h"
#include "imagelib/include/zrkimage.h"

namespace testsupport {

// A frame record: header with the magic, the given gains and gamma, then w * h raw bytes + 8 spare.
std::vector<uint8_t> frameRecord(unsigned w, unsigned h, uint8_t fill, uint16_t redGain = 128,
                                 uint16_t greenGain = 128, uint16_t blueGain = 128, uint16_t gamma = 100);

// Raw bytes that vary across the frame, so that misplaced rows or columns show.
void fillPattern(std::vector<uint8_t>& record, unsigned seed);

// The two data-file headers for frameCount records of frameDataBytes in all (trigger -1, ID 0).
void writeDataHeaders(std::ostream& out, int32_t frameCount, int64_t frameDataBytes);

// A data file: 10-byte file header, 22-byte info header, then the records as given.
void writeDataFile(const std::string& path, const std::vector<std::vector<uint8_t>>& records);

// A fresh folder under the system's temporary folder, removed with its files on destruction.
class TempDir {
public:
    TempDir();
    ~TempDir();
    std::string file(const std::string& name) const { return path_ + "/" + name; }

private:
    std::string path_;
};

struct Surface {
    std::vector<uint32_t> pixels;
    ZRK_SURFACE s;
    Surface(int w, int h);
    uint32_t at(int x, int y) const { return pixels[static_cast<std::size_t>(y) * (s.stride / 4) + x]; }
    bool untouched() const;
};

constexpr uint32_t kSentinel = 0xDEADBEEF;

std::vector<uint8_t> readFile(const std::string& path);

} // namespace testsupport
