#include "tests/playback/clip_files.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <cstring>
#include <vector>

namespace {

int16_t SizeCode(unsigned w, unsigned h) {
    if (w == 200) return 0;
    if (w == 256) return 1;
    return h == 256 ? 2 : 3;
}

} // namespace

QString WriteClip(const QString& path, const ClipShape& shape) {
    const std::size_t pixels = std::size_t{shape.width} * shape.height;
    const int64_t recordBytes = static_cast<int64_t>(pixels) + ZRK_FRAME_HEADER_SIZE;
    ZRK_DATA_FILE_HEADER file{};
    file.signature[0] = 'Z';
    file.signature[1] = 'R';
    file.fileSize = static_cast<int32_t>(ZRK_DATA_OFFSET + recordBytes * shape.frames);
    file.dataOffset = ZRK_DATA_OFFSET;
    ZRK_DATA_INFO_HEADER info{};
    info.headerSize = ZRK_DATA_INFO_HEADER_SIZE;
    info.frameCount = shape.frames;
    info.triggerFrame = shape.triggerFrame;
    info.idNumber = shape.idNumber;
    if (shape.headers) shape.headers(file, info);

    QFile out(path);
    if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate)) return {};
    out.write(reinterpret_cast<const char*>(&file), sizeof file);
    out.write(reinterpret_cast<const char*>(&info), sizeof info);
    std::vector<uint8_t> record(static_cast<std::size_t>(recordBytes));
    for (int i = 0; i < shape.frames; ++i) {
        ZRK_FRAME_HEADER h{};
        std::memcpy(h.magic, "ZRK", 4);
        h.width = static_cast<uint16_t>(shape.width);
        h.height = static_cast<uint16_t>(shape.height);
        h.year = 26;
        h.month = 12;
        h.day = 7;
        h.hour = 10;
        h.minute = 20;
        h.second = static_cast<int16_t>(i % 60);
        h.realFrame = static_cast<uint16_t>(100 + i);
        h.trigger = static_cast<int16_t>(i == 2);
        h.analog = static_cast<int16_t>(3 * i - 5);
        h.redGain = h.greenGain = h.blueGain = 128;
        h.gamma = 100;
        h.recordSpeed = 1;
        h.shutterCode = 3;
        h.gainCode = 2;
        h.imageSizeCode = SizeCode(shape.width, shape.height);
        if (shape.frame) shape.frame(h, i);
        std::memcpy(record.data(), &h, sizeof h);
        for (std::size_t k = 0; k < pixels; ++k) // a diagonal pattern that moves with the frame
            record[ZRK_FRAME_HEADER_SIZE + k] =
                static_cast<uint8_t>((k % shape.width + k / shape.width) * 2 + 16 * i);
        out.write(reinterpret_cast<const char*>(record.data()), recordBytes);
    }
    return path;
}

ClipDir::ClipDir() {
    QTemporaryDir dir(QDir::tempPath() + QStringLiteral("/zrk-playback-XXXXXX"));
    dir.setAutoRemove(false);
    m_path = dir.path();
}

ClipDir::~ClipDir() {
    QDir(m_path).removeRecursively();
}

QByteArray ReadAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}
