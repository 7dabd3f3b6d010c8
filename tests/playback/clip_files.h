// Data files for the player's tests: the two headers from zrk_data_file.h and frame records whose
// header fields and pictures vary from frame to frame.
#pragma once

#include "imagelib/include/zrk_data_file.h"
#include "imagelib/include/zrk_frame_header.h"

#include <QString>
#include <cstdint>
#include <functional>

struct ClipShape {
    unsigned width = 256, height = 256;
    int frames = 5;
    int16_t idNumber = 7;
    int32_t triggerFrame = -1;
    // Changes to the headers as written (after the right values are filled in).
    std::function<void(ZRK_DATA_FILE_HEADER&, ZRK_DATA_INFO_HEADER&)> headers = {};
    // Changes to frame i's header.
    std::function<void(ZRK_FRAME_HEADER&, int i)> frame = {};
};

// Writes the clip; returns the path.
QString WriteClip(const QString& path, const ClipShape& shape = {});

// A folder removed with its files at the end of the test.
class ClipDir {
public:
    ClipDir();
    ~ClipDir();
    QString file(const QString& name) const { return m_path + u'/' + name; }
    const QString& path() const { return m_path; }

private:
    QString m_path;
};

QByteArray ReadAll(const QString& path);
