#include "playback/export_movie.h"

#include "base/file_utils.h"
#include "base/image_library.h"
#include "base/open_windows.h"
#include "base/shared_state.h"
#include "base/ui_port.h"
#include "movie/movie_export.h"
#include "playback/playback_state.h"
#include "protocol/code_tables.h"

#include <QCoreApplication>
#include <QDateTime>
#include <sys/stat.h>

using zrk::movie::Codec;
using zrk::movie::Result;

namespace {

bool g_running = false;
bool g_cancelRequested = false;

QString Title(Codec codec) {
    return codec == Codec::H264 ? QStringLiteral("MP4 File Conversion")
                                : QStringLiteral("MKV File Conversion");
}

class RunningMovie {
public:
    RunningMovie() {
        g_running = true;
        g_cancelRequested = false;
    }
    ~RunningMovie() {
        Ui().CloseExportProgress();
        g_running = false;
    }
};

bool SameFile(const QString& a, const QString& b) {
    struct stat one {
    }, other{};
    return ::stat(a.toLocal8Bit().constData(), &one) == 0 &&
           ::stat(b.toLocal8Bit().constData(), &other) == 0 && one.st_dev == other.st_dev &&
           one.st_ino == other.st_ino;
}

void Message(const QString& title, const QString& text) {
    Ui().MessageBox(title, text, MsgIcon::Information, MsgButtons::Ok);
}

// Says why a movie stopped; a cancel needs no words.
void ReportOutcome(const QString& title, const zrk::movie::MovieOutcome& out) {
    const QString detail = QString::fromStdString(out.detail);
    QString text;
    switch (out.result) {
    case Result::Ok:
    case Result::Cancelled:
        return;
    case Result::SourceFailed:
        if (ReportImageLibraryUnavailable(static_cast<int16_t>(out.drawStatus), title)) return;
        text = out.drawStatus == ZRK_STATUS_MAGIC ? QStringLiteral("No header in ZRK data.")
                                                  : QStringLiteral("Cannot read ZRK file.");
        if (out.fileLeft)
            text += QStringLiteral("\r\nThe movie holds the %1 frames before it.").arg(out.frames);
        break;
    case Result::BadArguments:
        text = QStringLiteral("Cannot set format of stream.");
        break;
    case Result::NoEncoder:
        text = QStringLiteral("Cannot start the movie encoder (%1).").arg(detail);
        break;
    case Result::CannotOpen:
        text = QStringLiteral("Cannot open movie file (%1).").arg(detail);
        break;
    case Result::WriteFailed:
        text = QStringLiteral("Cannot write the movie file (%1); the disk may be full. No movie was kept.")
                   .arg(detail);
        break;
    }
    Message(title, text);
}

} // namespace

double RecordingRate(const ZRK_FRAME_HEADER& header) {
    const int32_t size = header.imageSizeCode, code = header.recordSpeed;
    if (size < 0 || size >= static_cast<int32_t>(kImageSizes.size()) || code < 0) return 0;
    // The codes count in the size's base rate: code + 1 base periods per frame.
    return static_cast<double>(kImageSizes[static_cast<std::size_t>(size)].baseRate) / (double(code) + 1);
}

QString SlowMotionCaption(int32_t start, int32_t end, int32_t rate) {
    if (end < start) return {};
    const std::string text =
        zrk::movie::SlowMotionText(int64_t{end} - start + 1, rate, RecordingRate(Playback().file.first));
    return QString::fromStdString(text);
}

bool MovieExportRunning() {
    return g_running;
}

void RequestMovieExportCancel() {
    if (g_running) g_cancelRequested = true;
}

void ExportMovie(Codec codec, int32_t start, int32_t end, int32_t rate, int32_t quality) {
    if (g_running) return;
    const PlaybackState& state = Playback();
    const PlayFile& file = state.file;
    const QString title = Title(codec);
    const bool mp4 = codec == Codec::H264;
    const QString proposed = g_strAppPath +
                             QDateTime::currentDateTime().toString(QStringLiteral("yyMMddHHmmss")) +
                             (mp4 ? QStringLiteral(".mp4") : QStringLiteral(".mkv"));
    const QString filter =
        mp4 ? QStringLiteral("MP4 File (*.MP4)|*.mp4") : QStringLiteral("MKV File (*.MKV)|*.mkv");
    const QString target = Ui().SaveFileDialogProposing(QString(), filter, proposed);
    if (target.isEmpty()) return;
    // Everything is checked before the movie file is created.
    if (start > end || !file.FrameInFile(start) || !file.FrameInFile(end)) {
        Message(title, QStringLiteral("Cannot read ZRK file."));
        return;
    }
    if (SameFile(target, file.path)) {
        Message(title, QStringLiteral("Cannot open movie file (it is the data file)."));
        return;
    }
    zrk::movie::MovieRun run;
    run.path = target.toLocal8Bit().toStdString();
    run.settings.codec = codec;
    run.settings.width = file.width();
    run.settings.height = file.height();
    run.settings.rate = rate;
    run.settings.quality = quality;
    run.settings.recordingRate = RecordingRate(file.first);
    run.first = static_cast<uint32_t>(start);
    run.last = static_cast<uint32_t>(end);

    const QByteArray data = file.path.toLocal8Bit();
    const int32_t width = file.width(), height = file.height();
    const auto draw = [&](uint32_t frame, uint8_t* pixels, int stride) -> int {
        const ZRK_SURFACE surface{pixels, width, height, stride};
        int16_t status = 0;
        if (ImageLib().combRgbPlay(&surface, data.constData(), width, height, width, height, &state.enhance,
                                   nullptr, file.dataOffset, static_cast<int32_t>(frame), &status))
            return 0;
        return status != 0 ? status : ZRK_STATUS_READ;
    };
    const auto cancelled = [](uint32_t done, uint32_t total) {
        if (done > 0 && total > 0) {
            const auto percent = static_cast<int>(uint64_t{done} * 100 / total);
            Ui().SetExportProgress(static_cast<int>(done), QStringLiteral("%1% completed.").arg(percent));
        }
        QCoreApplication::processEvents();
        const bool pressed = Ui().ExportCancelled();
        return pressed || g_cancelRequested;
    };
    zrk::movie::MovieOutcome out;
    {
        RunningMovie running;
        Ui().ShowExportProgress(Windows().frmPlay, title, QStringLiteral(" 0% completed."), end - start + 1);
        out = zrk::movie::MakeMovie(run, draw, cancelled);
    }
    // The message comes once the progress window is down.
    ReportOutcome(title, out);
}
