// A data file as the player keeps it while it is open, and the checks that open it.
#pragma once

#include "imagelib/include/zrk_data_file.h"
#include "imagelib/include/zrk_frame_header.h"
#include "imagelib/include/zrkimage.h"

#include <QString>
#include <cstdint>

struct PlayFile {
    QString path;
    int32_t fileSize = 0;
    int32_t dataOffset = 0;
    ZRK_DATA_INFO_HEADER info{};
    ZRK_FRAME_HEADER first{}; // its width and height are every frame's
    int32_t firstFrame = 0;
    int32_t lastFrame = 0; // FrameCount - 1

    int32_t width() const { return first.width; }
    int32_t height() const { return first.height; }
    int64_t recordBytes() const { return int64_t{first.width} * first.height + ZRK_FRAME_HEADER_SIZE; }
    // Frame index lies inside FileSize; a frame past it counts as missing.
    bool FrameInFile(int64_t index) const;
};

// Outcome of reading a data file's headers: the operator's message, empty when it opened.
struct OpenCheck {
    QString message;
};

// Steps 2 to 10 of opening: reads and checks both headers and the first frame header. Besides
// the stored-format checks, refuses what the camera never writes (not a regular file; a size,
// frame count, data offset or frame size outside the camera's) before anything reaches memory.
OpenCheck ReadDataFile(const QString& path, PlayFile& out);
