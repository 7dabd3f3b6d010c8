// What the download suites expect of a data file, and the full disk they write it onto.
#pragma once

#include "zrk_data_file.h"

#include <QByteArray>
#include <QFile>
#include <QString>
#include <csignal>
#include <sys/resource.h>

// The two headers a download writes ahead of dataBytes of frame records.
inline QByteArray ExpectedHeaders(int32_t dataBytes, int32_t frames, int32_t trigger, int16_t id) {
    ZRK_DATA_FILE_HEADER file{};
    file.signature[0] = 'Z';
    file.signature[1] = 'R';
    file.fileSize = dataBytes + 32;
    file.dataOffset = 32;
    ZRK_DATA_INFO_HEADER info{};
    info.headerSize = 22;
    info.frameCount = frames;
    info.triggerFrame = trigger;
    info.idNumber = id;
    return QByteArray(reinterpret_cast<const char*>(&file), sizeof file) +
           QByteArray(reinterpret_cast<const char*>(&info), sizeof info);
}

inline QByteArray ReadFile(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// The file-size limit stands in for a full disk while it lives.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes) {
        getrlimit(RLIMIT_FSIZE, &saved_);
        previous_ = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit = saved_;
        limit.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FileSizeLimit() {
        setrlimit(RLIMIT_FSIZE, &saved_);
        std::signal(SIGXFSZ, previous_);
    }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

private:
    rlimit saved_{};
    void (*previous_)(int) = nullptr;
};
