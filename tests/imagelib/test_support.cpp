#include "test_support.h"

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>

namespace testsupport {

std::vector<uint8_t> frameRecord(unsigned w, unsigned h, uint8_t fill, uint16_t redGain, uint16_t greenGain,
                                 uint16_t blueGain, uint16_t gamma) {
    std::vector<uint8_t> record(ZRK_FRAME_HEADER_SIZE + std::size_t{w} * h + 8, fill);
    ZRK_FRAME_HEADER header{};
    header.magic[0] = 'Z';
    header.magic[1] = 'R';
    header.magic[2] = 'K';
    header.width = static_cast<uint16_t>(w);
    header.height = static_cast<uint16_t>(h);
    header.redGain = redGain;
    header.greenGain = greenGain;
    header.blueGain = blueGain;
    header.gamma = gamma;
    std::memcpy(record.data(), &header, sizeof header);
    return record;
}

void fillPattern(std::vector<uint8_t>& record, unsigned seed) {
    for (std::size_t i = ZRK_FRAME_HEADER_SIZE; i < record.size(); ++i)
        record[i] = static_cast<uint8_t>((i * 2654435761u + seed * 97) >> 13);
}

void writeDataHeaders(std::ostream& out, int32_t frameCount, int64_t frameDataBytes) {
    ZRK_DATA_FILE_HEADER file{};
    file.signature[0] = 'Z';
    file.signature[1] = 'R';
    file.fileSize = static_cast<int32_t>(frameDataBytes + ZRK_DATA_OFFSET);
    file.dataOffset = ZRK_DATA_OFFSET;
    ZRK_DATA_INFO_HEADER info{};
    info.headerSize = ZRK_DATA_INFO_HEADER_SIZE;
    info.frameCount = frameCount;
    info.triggerFrame = -1;
    out.write(reinterpret_cast<const char*>(&file), sizeof file);
    out.write(reinterpret_cast<const char*>(&info), sizeof info);
}

void writeDataFile(const std::string& path, const std::vector<std::vector<uint8_t>>& records) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    int64_t bytes = 0;
    for (const auto& r : records)
        bytes += static_cast<int64_t>(r.size() - 8);
    writeDataHeaders(out, static_cast<int32_t>(records.size()), bytes);
    for (const auto& r : records) // the spare bytes behind a frame belong to the buffer, not the file
        out.write(reinterpret_cast<const char*>(r.data()), static_cast<std::streamsize>(r.size() - 8));
}

TempDir::TempDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "zrkimage-test-XXXXXX").string();
    path_ = ::mkdtemp(pattern.data()) ? pattern : std::string{};
}

TempDir::~TempDir() {
    std::error_code ignored;
    if (!path_.empty()) std::filesystem::remove_all(path_, ignored);
}

Surface::Surface(int w, int h) : pixels(static_cast<std::size_t>(w) * h, kSentinel) {
    s = {reinterpret_cast<uint8_t*>(pixels.data()), w, h, w * 4};
}

bool Surface::untouched() const {
    for (uint32_t p : pixels)
        if (p != kSentinel) return false;
    return true;
}

std::vector<uint8_t> readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

} // namespace testsupport
