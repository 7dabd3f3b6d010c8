#include "playback/play_file.h"

#include "protocol/code_tables.h"

#include <QFile>
#include <QFileInfo>
#include <cstring>

namespace {

// What a download from the camera can hold: its largest memory (512 MiB) in one region.
constexpr int32_t kLargestMemoryCode = 2;
constexpr int64_t kLargestMemoryBytes = int64_t{134217728} << kLargestMemoryCode;

const QString kNotWithinSpecifications = QStringLiteral("ZRK file data not within specifications");

// The image size code of a frame size the camera writes, or -1.
int CameraSizeCode(int32_t w, int32_t h) {
    for (std::size_t i = 0; i < kImageSizes.size(); ++i)
        if (kImageSizes[i].width == w && kImageSizes[i].height == h) return static_cast<int>(i);
    return -1;
}

template <typename T> bool ReadWhole(QFile& file, T& out) {
    return file.read(reinterpret_cast<char*>(&out), sizeof out) == static_cast<qint64>(sizeof out);
}

} // namespace

bool PlayFile::FrameInFile(int64_t index) const {
    if (index < 0 || index > lastFrame) return false;
    return int64_t{dataOffset} + (index + 1) * recordBytes() <= int64_t{fileSize};
}

OpenCheck ReadDataFile(const QString& path, PlayFile& out) {
    const QFileInfo info(path);
    QFile file(path);
    // A folder, a pipe or a device is no data file, whatever it is called.
    if (!info.isFile() || !file.open(QIODevice::ReadOnly))
        return {QStringLiteral("Cannot open ZRK data file.")};

    ZRK_DATA_FILE_HEADER fileHeader{};
    if (!ReadWhole(file, fileHeader)) return {QStringLiteral("Cannot read ZRK_DATA_FILE_HEADER.")};
    if (fileHeader.signature[0] != 'Z' || fileHeader.signature[1] != 'R')
        return {QStringLiteral("Selected file not ZRK file.")};
    PlayFile f;
    f.path = path;
    f.fileSize = fileHeader.fileSize;
    f.dataOffset = fileHeader.dataOffset;
    if (!ReadWhole(file, f.info)) return {QStringLiteral("Cannot read ZRK_DATA_INFO_HEADER.")};
    if (f.info.headerSize != ZRK_DATA_INFO_HEADER_SIZE || f.dataOffset != ZRK_DATA_OFFSET)
        return {kNotWithinSpecifications};
    f.firstFrame = 0;
    f.lastFrame = f.info.frameCount - 1;
    if (!ReadWhole(file, f.first)) return {QStringLiteral("Cannot read ZRK file header.")};
    file.close();
    if (std::memcmp(f.first.magic, "ZRK", 4) != 0) return {QStringLiteral("No header in ZRK data.")};

    // Only what a download from the camera can be: one of its frame sizes, at least one frame,
    // and no more frames or bytes than its largest memory holds.
    const int size = CameraSizeCode(f.first.width, f.first.height);
    if (size < 0) return {kNotWithinSpecifications};
    const int32_t capacity = RegionCapacity(kLargestMemoryCode, size, 0);
    const int64_t record = f.recordBytes();
    if (f.info.frameCount < 1 || f.info.frameCount > capacity) return {kNotWithinSpecifications};
    if (f.fileSize < ZRK_DATA_OFFSET + record || f.fileSize > ZRK_DATA_OFFSET + kLargestMemoryBytes)
        return {kNotWithinSpecifications};
    out = f;
    return {};
}
