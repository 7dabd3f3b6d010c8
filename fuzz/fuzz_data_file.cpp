// Data files as the player opens them: the open checks on any content (or on headers that pass the
// first checks, with any numbers), then the header captions and frame reads the player does for
// the first, the last and any frame, at the player's two display sizes, into a surface of exactly
// that size.
#include "base/image_library.h"
#include "fuzz/fuzz_support.h"
#include "playback/header_captions.h"
#include "playback/play_file.h"
#include "protocol/code_tables.h"

#include <QFile>
#include <cstring>
#include <vector>

namespace {

// Headers that get past the signature and layout checks, with the input's numbers in them.
QByteArray Headers(fuzz::Input& in) {
    ZRK_DATA_FILE_HEADER file{};
    file.signature[0] = 'Z';
    file.signature[1] = 'R';
    file.dataOffset = ZRK_DATA_OFFSET;
    ZRK_DATA_INFO_HEADER info{};
    info.headerSize = ZRK_DATA_INFO_HEADER_SIZE;
    ZRK_FRAME_HEADER frame{};
    const uint32_t pick = in.Byte();
    const auto& size = kImageSizes[pick % kImageSizes.size()];
    const QByteArray raw = in.Bytes(sizeof frame);
    std::memcpy(&frame, raw.constData(), static_cast<size_t>(raw.size()));
    std::memcpy(frame.magic, "ZRK", 4);
    if (!(pick & 0x80)) {
        frame.width = static_cast<uint16_t>(size.width);
        frame.height = static_cast<uint16_t>(size.height);
    }
    const int64_t record = int64_t{frame.width} * frame.height + ZRK_FRAME_HEADER_SIZE;
    info.frameCount = (pick & 0x40) ? static_cast<int32_t>(in.Number(4)) : 1 + in.Byte() % 4;
    info.triggerFrame = static_cast<int32_t>(in.Number(4));
    file.fileSize = (pick & 0x20) ? static_cast<int32_t>(in.Number(4))
                                  : static_cast<int32_t>(ZRK_DATA_OFFSET + info.frameCount * record);
    QByteArray out(reinterpret_cast<const char*>(&file), sizeof file);
    out.append(reinterpret_cast<const char*>(&info), sizeof info);
    out.append(reinterpret_cast<const char*>(&frame), sizeof frame);
    // Frame bytes behind the first header: the rest of the input, padded to any length up to two
    // of the largest records.
    const qsizetype length = in.Number(3) % (2 * 262272);
    out.append(in.Bytes(in.Left()));
    if (out.size() < length) out.resize(length, '\x37');
    return out;
}

void Draw(const PlayFile& file, int64_t index, int scale) {
    if (!file.FrameInFile(index)) return;
    const int32_t w = scale * file.width(), h = scale * file.height();
    std::vector<uint8_t> pixels(static_cast<size_t>(w) * static_cast<size_t>(h) * 4);
    const ZRK_SURFACE surface{pixels.data(), w, h, w * 4};
    const ZRK_ENHANCE enhance{static_cast<int16_t>(index % 6), 50};
    const QByteArray path = QFile::encodeName(file.path);
    ZRK_FRAME_HEADER header{};
    int16_t status = ZRK_STATUS_READ;
    ImageLib().combRgbPlay(&surface, path.constData(), file.width(), file.height(), w, h, &enhance, &header,
                           file.dataOffset, static_cast<int32_t>(index), &status);
    (void)RecordDateText(header);
    (void)SizeCaption(header.imageSizeCode);
    (void)RecordSpeedCaption(header.recordSpeed, header.imageSizeCode);
    (void)ShutterCaption(header.shutterCode);
    (void)GainCaption(header.gainCode);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const QString path = fuzz::Start() + QStringLiteral("play.dat");
    fuzz::Input in(data, size);
    const uint8_t mode = in.Byte();
    const uint32_t anyFrame = in.Number(4);
    {
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate)) fuzz::Fail("cannot write the scratch file");
        f.write((mode & 1) ? Headers(in) : in.Bytes(in.Left()));
    }
    PlayFile file;
    const OpenCheck check = ReadDataFile(path, file);
    if (!check.message.isEmpty()) return 0;
    // What the checks let through is what the camera writes.
    if (file.lastFrame < 0 || file.dataOffset != ZRK_DATA_OFFSET || file.recordBytes() > 262272 ||
        file.fileSize < ZRK_DATA_OFFSET + file.recordBytes())
        fuzz::Fail("the open checks let an impossible file through");
    (void)TriggerFrameText(file.info.triggerFrame);
    const int scale = (mode & 2) ? 2 : 1;
    for (int64_t index : {int64_t{0}, int64_t{file.lastFrame}, int64_t{anyFrame % (file.lastFrame + 1)}})
        Draw(file, index, scale);
    return 0;
}
