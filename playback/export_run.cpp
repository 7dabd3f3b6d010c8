#include "playback/export_run.h"

#include "base/file_utils.h"
#include "base/image_library.h"
#include "base/open_windows.h"
#include "base/shared_state.h"
#include "base/status_line.h"
#include "base/ui_port.h"
#include "playback/export_frame_data.h"
#include "playback/export_movie.h"
#include "playback/playback_state.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QFileInfo>
#include <sys/stat.h>

namespace {

bool g_running = false;
bool g_cancelRequested = false;

const QString kBitmapTitle = QStringLiteral("DIB Sequences Conversion");
const QString kAviTitle = QStringLiteral("AVI File Conversion");

// Marks the export as running for one scope.
class RunningExport {
public:
    RunningExport() {
        g_running = true;
        g_cancelRequested = false;
    }
    ~RunningExport() {
        Ui().CloseExportProgress();
        g_running = false;
    }
};

bool Cancelled() {
    const bool pressed = Ui().ExportCancelled(); // first, so that a close it brings about counts now
    return pressed || g_cancelRequested;
}

// Whether target is the data file itself under another name (a link or another path).
bool IsDataFile(const QString& target) {
    struct stat data {
    }, other{};
    return ::stat(Playback().file.path.toLocal8Bit().constData(), &data) == 0 &&
           ::stat(target.toLocal8Bit().constData(), &other) == 0 && data.st_dev == other.st_dev &&
           data.st_ino == other.st_ino;
}

void Message(const QString& title, const QString& text) {
    Ui().MessageBox(title, text, MsgIcon::Information, MsgButtons::Ok);
}

QString BitmapName(int32_t frame) {
    return Playback().exportFolder + QStringLiteral("%1.bmp").arg(frame, 5, 10, QLatin1Char('0'));
}

// The first bitmap of the run that is there already; empty when there is none.
QString FirstExistingBitmap(int32_t start, int32_t end, int32_t interval) {
    for (int64_t frame = start; frame <= end; frame += interval) {
        const QString name = BitmapName(static_cast<int32_t>(frame));
        if (QFileInfo::exists(name)) return name;
    }
    return {};
}

void ReportBitmapFailure(int16_t status) {
    if (ReportImageLibraryUnavailable(status, kBitmapTitle)) return;
    switch (status) {
    case ZRK_STATUS_READ:
        Message(kBitmapTitle, QStringLiteral("Cannot read ZRK file."));
        break;
    case ZRK_STATUS_WRITE:
        Message(kBitmapTitle, QStringLiteral("Cannot write to file."));
        break;
    case ZRK_STATUS_MAGIC:
        Message(kBitmapTitle, QStringLiteral("No header in ZRK data."));
        break;
    default:
        break;
    }
}

void ReportAviFailure(int16_t status) {
    if (ReportImageLibraryUnavailable(status, kAviTitle)) return;
    QString text;
    switch (status) {
    case ZRK_STATUS_READ: // a frame that cannot be read is said, not silently cut off
        text = QStringLiteral("Cannot read ZRK file.");
        break;
    case ZRK_STATUS_MAGIC:
        text = QStringLiteral("No header in ZRK data.");
        break;
    case ZRK_STATUS_DIALOG:
        text = QStringLiteral("Cannot display progress dialog box.");
        break;
    case ZRK_STATUS_AVI_LIBRARY:
        text = QStringLiteral("Cannot initialize AVIFile library.");
        break;
    case ZRK_STATUS_AVI_OPEN:
        text = QStringLiteral("Cannot open AVI file.");
        break;
    case ZRK_STATUS_AVI_STREAM:
        text = QStringLiteral("Cannot create new stream.");
        break;
    case ZRK_STATUS_AVI_FORMAT:
        text = QStringLiteral("Cannot set format of stream.");
        break;
    case ZRK_STATUS_AVI_WRITE:
        text = QStringLiteral("Cannot data to stream.");
        break;
    default: // 7: the operator cancelled
        return;
    }
    Message(kAviTitle, text);
}

// The movie's progress: the window's bar and text, the events that make Cancel work.
int32_t ReportAviProgress(void*, uint32_t done, uint32_t total) {
    if (done > 0 && total > 0) {
        const auto percent = static_cast<int>(uint64_t{done} * 100 / total);
        Ui().SetExportProgress(static_cast<int>(done), QStringLiteral("%1% completed.").arg(percent));
    }
    QCoreApplication::processEvents();
    return Cancelled() ? 1 : 0;
}

} // namespace

bool ExportRunning() {
    return g_running || MovieExportRunning();
}

void RequestExportCancel() {
    if (g_running) g_cancelRequested = true;
    RequestMovieExportCancel();
}

void ExportBitmapSequence(int32_t start, int32_t end, int32_t interval) {
    if (g_running || interval < 1 || start > end) return;
    const PlaybackState& state = Playback();
    const PlayFile& file = state.file;
    // No bitmap may land on the data file: refused before the first one is written.
    for (int64_t frame = start; frame <= end; frame += interval) {
        if (IsDataFile(BitmapName(static_cast<int32_t>(frame)))) {
            Message(kBitmapTitle, QStringLiteral("Cannot write to file."));
            return;
        }
    }
    // The numbered bitmaps of an earlier export are not replaced without asking.
    if (const QString existing = FirstExistingBitmap(start, end, interval); !existing.isEmpty()) {
        const MsgResult answer = Ui().MessageBox(
            QStringLiteral("DIB Sequence Conversion"),
            QStringLiteral("The folder already holds numbered bitmaps of this range (%1).\r\nReplace them?")
                .arg(QFileInfo(existing).fileName()),
            MsgIcon::Question, MsgButtons::YesNo);
        if (answer != MsgResult::Yes) return;
    }
    RunningExport running;
    const int maximum = (end - start) / interval + 1;
    Ui().ShowExportProgress(Windows().frmPlay, QStringLiteral("DIB Sequence Conversion"), QString(), maximum);
    const QByteArray data = file.path.toLocal8Bit();
    int count = 0, lastPercent = 0;
    QString text;
    for (int64_t frame = start; frame <= end; frame += interval) {
        const QByteArray name = BitmapName(static_cast<int32_t>(frame)).toLocal8Bit();
        QCoreApplication::processEvents();
        int16_t status = ZRK_STATUS_READ;
        const bool written =
            file.FrameInFile(frame) &&
            ImageLib().combRgbFile(data.constData(), name.constData(), file.width(), file.height(),
                                   &state.enhance, file.dataOffset, static_cast<int32_t>(frame), &status);
        if (!written) {
            ReportBitmapFailure(status);
            break;
        }
        ++count;
        const int percent = static_cast<int>(int64_t{count} * 100 / maximum);
        if (percent > lastPercent) {
            lastPercent = percent;
            text = QString::number(percent) + QStringLiteral("% completed.");
        }
        Ui().SetExportProgress(count, text);
        if (Cancelled()) break;
    }
    const QString& folder = Playback().exportFolder;
    if (count == maximum) WriteExportFrameData(FrameDataInFolder(), start, end, interval);
    if (count > 0)
        Ui().ShowStatus(count < maximum ? status_text::ExportCancelled(count, folder)
                                        : status_text::Exported(count, folder));
}

void ExportAvi(int32_t start, int32_t end, int32_t rate) {
    if (g_running) return;
    const PlaybackState& state = Playback();
    const PlayFile& file = state.file;
    const QString proposed = g_strAppPath +
                             QDateTime::currentDateTime().toString(QStringLiteral("yyMMddHHmmss")) +
                             QStringLiteral(".avi");
    const QString target =
        Ui().SaveFileDialogProposing(QString(), QStringLiteral("AVI File (*.AVI)|*.avi"), proposed);
    if (target.isEmpty()) return;
    // Frames past FileSize count as missing. Without the first one there is no movie; a file cut short
    // (an interrupted download) gives the movie of the frames before the cut, and then the message.
    if (start > end || !file.FrameInFile(start)) {
        ReportAviFailure(ZRK_STATUS_READ);
        return;
    }
    int32_t last = end;
    while (!file.FrameInFile(last))
        --last;
    int16_t status = 0;
    {
        RunningExport running;
        Ui().ShowExportProgress(Windows().frmPlay, kAviTitle, QStringLiteral(" 0% completed."),
                                end - start + 1);
        const ZRK_PROGRESS progress{nullptr, &ReportAviProgress};
        const QByteArray data = file.path.toLocal8Bit(), movie = target.toLocal8Bit();
        if (ImageLib().combRgbAvi(&progress, data.constData(), movie.constData(), file.width(), file.height(),
                                  &state.enhance, file.dataOffset, static_cast<uint32_t>(start),
                                  static_cast<uint32_t>(last), rate, &status)) {
            if (last == end) {
                WriteExportFrameData(FrameDataBesideMovie(target), start, end, 1);
                Ui().ShowStatus(status_text::Exported(end - start + 1, target));
                return;
            }
            status = ZRK_STATUS_READ;
        }
    }
    // The message comes once the progress window is down.
    ReportAviFailure(status);
}
