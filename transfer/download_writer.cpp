// Downloads: every chunk goes straight into the data file behind its two headers, with no
// buffering and no conversion. The file is created anew, never written beyond the size the
// camera announced, and a download is only finished once every byte is safely written and closed.
#include "base/blocking_wait.h"
#include "base/shared_state.h"
#include "base/status_line.h"
#include "base/trace.h"
#include "base/ui_port.h"
#include "protocol/command_channel.h"
#include "protocol/command_ids.h"
#include "protocol/main_control.h"
#include "protocol/main_supervisor.h"
#include "transfer/data_receiver.h"
#include "transfer/download_owner.h"
#include "zrk_data_file.h"

#include <QFile>
#include <QLocale>
#include <QPointer>
#include <QWidget>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "transfer/receiver_internals.h"

namespace {

int g_fd = -1;
DataSync g_sync = ::fdatasync;
int16_t g_lastPercent = 0;
bool g_progressShown = false;
QPointer<QWidget> g_owner;

int64_t TotalFileBytes() {
    return static_cast<int64_t>(g_lngDlSize) + ZRK_DATA_OFFSET;
}

int64_t BytesWritten() {
    return static_cast<int64_t>(g_lngFilePos) - 1;
}

bool WriteAll(const char* data, int64_t length) {
    while (length > 0) {
        const ssize_t n = ::write(g_fd, data, static_cast<size_t>(length));
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        data += n;
        length -= n;
    }
    return true;
}

bool WriteHeaders() {
    ZRK_DATA_FILE_HEADER file{};
    file.signature[0] = 'Z';
    file.signature[1] = 'R';
    file.fileSize = g_lngDlSize + ZRK_DATA_OFFSET; // the "150" handler made sure this fits
    file.dataOffset = ZRK_DATA_OFFSET;
    ZRK_DATA_INFO_HEADER info{};
    info.headerSize = ZRK_DATA_INFO_HEADER_SIZE;
    info.frameCount = g_lngDlInfo;
    info.triggerFrame = g_lngTrigOffset;
    info.idNumber = g_intIDNumber;
    char bytes[ZRK_DATA_OFFSET];
    std::memcpy(bytes, &file, sizeof file);
    std::memcpy(bytes + sizeof file, &info, sizeof info);
    return WriteAll(bytes, sizeof bytes);
}

// A file that cannot be opened or written ends the connection. The transfer is aborted first
// (file closed and kept, progress closed, state cleared), so nothing that runs while the message
// is up can reach this download again.
void FileError(const QString& text) {
    AbortTransfer();
    if (MainSupervisor* s = Supervisor()) {
        s->CloseCmdPort();
        BlockingWait(500);
        s->CloseDataPort();
    }
    Ui().MessageBox(QStringLiteral("Save"), text, MsgIcon::None, MsgButtons::Ok);
    CloseTCPCom();
}

void ShowProgress() {
    const double ratio = static_cast<double>(g_lngFilePos) / static_cast<double>(TotalFileBytes());
    const auto percent = static_cast<int16_t>(std::min(100.0, std::nearbyint(ratio * 100.0)));
    if (percent <= g_lastPercent) return;
    g_lastPercent = percent;
    const QLocale locale = QLocale::system();
    Ui().SetProgressCaption(QString::number(percent) + QStringLiteral("% download completed"));
    Ui().SetProgress(percent, locale.toString(static_cast<double>(BytesWritten()) / 1024.0, 'f', 1) +
                                  QStringLiteral(" KB copied from ") +
                                  locale.toString(static_cast<double>(TotalFileBytes()) / 1024.0, 'f', 1) +
                                  QStringLiteral(" KB."));
}

bool SyncDataFile() {
    int result;
    do {
        result = g_sync(g_fd);
    } while (result != 0 && errno == EINTR);
    return result == 0;
}

bool OpenFile() {
    receiver::CloseDataFile();
    const QByteArray path = QFile::encodeName(g_strSaveFile);
    // Only a regular file: a FIFO would block the program, a device might act on being opened. Refused
    // before opening, and again on what was opened (without waiting for a reader).
    struct stat st {};
    if (::stat(path.constData(), &st) == 0 && !S_ISREG(st.st_mode)) return false;
    g_fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_CLOEXEC | O_NOCTTY | O_NONBLOCK, 0666);
    if (g_fd < 0) return false;
    // Emptied only now: an older, longer file of that name must not keep its tail behind the new data.
    const int flags = ::fcntl(g_fd, F_GETFL);
    if (::fstat(g_fd, &st) != 0 || !S_ISREG(st.st_mode) || ::ftruncate(g_fd, 0) != 0 || flags < 0 ||
        ::fcntl(g_fd, F_SETFL, flags & ~O_NONBLOCK) != 0) {
        receiver::CloseDataFile();
        return false;
    }
    return true;
}

} // namespace

namespace receiver {

bool CloseDataFile() {
    if (g_fd < 0) return true;
    const int fd = g_fd;
    g_fd = -1;
    return ::close(fd) == 0;
}

void CloseDownloadProgress() {
    if (!g_progressShown) return;
    g_progressShown = false;
    Ui().CloseProgress();
}

} // namespace receiver

void SetDownloadSync(DataSync sync) {
    g_sync = sync ? sync : ::fdatasync;
}

void SetDownloadOwner(QWidget* owner) {
    g_owner = owner;
}

void RecvDownloadData(const char* data, int32_t length) {
    if (g_strSaveFile.isEmpty() || !g_blnDlDataWait) receiver::StopDataTimeOut(); // nothing expected
    if (g_strSaveFile.isEmpty()) return;                                          // no download armed
    if (!g_blnDlDataWait) {
        WriteTrace(QStringLiteral("Data after the complete download dropped = ") + QString::number(length));
        return;
    }
    if (g_blnFileFirst) {
        g_blnFileFirst = false;
        if (!OpenFile()) {
            FileError(QStringLiteral("Cannot open file."));
            return;
        }
        g_lngFilePos = 1;
        if (!WriteHeaders()) {
            FileError(QStringLiteral("Cannot write to file."));
            return;
        }
        g_lngFilePos += ZRK_DATA_OFFSET;
        g_lastPercent = 0;
        g_progressShown = true;
        Ui().ShowProgressOver(g_owner, QStringLiteral("0% download completed"), QString(), 100);
    }
    const int64_t room = TotalFileBytes() - BytesWritten();
    const int32_t take = static_cast<int32_t>(std::min<int64_t>(length, room));
    if (take < length)
        WriteTrace(QStringLiteral("Data beyond the announced size dropped = ") +
                   QString::number(length - take));
    if (!WriteAll(data, take)) {
        FileError(QStringLiteral("Cannot write to file."));
        return;
    }
    g_lngFilePos += take;
    ShowProgress();
    if (BytesWritten() < TotalFileBytes()) {
        receiver::StartDataTimeOut();
        return;
    }
    receiver::StopDataTimeOut(); // all data is in
    // Finished means on the disk: operators clear the camera right after a save, and a file
    // still in the page cache would not survive a power cut. A failed close may lose data too.
    if (!SyncDataFile() || !receiver::CloseDataFile()) {
        FileError(QStringLiteral("Cannot write to file."));
        return;
    }
    g_blnDlDataWait = false;
    Ui().ShowStatus(status_text::Saved(g_lngDlInfo, g_strSaveFile));
    EndDownload();
}

void EndDownload() {
    if (g_blnDlDataWait) return; // the data side calls again
    if (g_blnDlReplyWait) {
        receiver::StartCommandTimeOut(); // a missing "226" ends in the command time-out
        return;
    }
    // Only the download in flight is finished, and only once.
    if (!g_blnCmdBusy || g_lngCurCmd != CommandId::RQDL) return;
    g_strSaveFile.clear();
    g_lngDataMode = 0;
    receiver::CloseDownloadProgress();
    FinishCommand();
}
