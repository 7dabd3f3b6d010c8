// download: frames of a region into a data file, written as FILE.part and renamed to FILE only
// on positive evidence (every announced byte written, the file synced, the camera's "226" in,
// no message and no link drop on the way), so FILE exists only when complete and a failed
// download never destroys a good one.
#include "base/shared_state.h"
#include "ctl/ctl_commands.h"
#include "ctl/ctl_signals.h"
#include "protocol/command_set.h"
#include "transfer/image_size.h"
#include "transfer/save_range.h"
#include "transfer/thumbnail_table.h"
#include "zrk_data_file.h"

#include <QCommandLineParser>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace {
bool ToInt(const QString& text, int& out) {
    bool ok = false;
    out = text.toInt(&ok);
    return ok;
}

struct Request {
    int region = 0, first = 0, last = 0, idNumber = 0, seconds = 0;
    bool overwrite = false;
    QString target, part;
};

// "106 of 537 MB"
QString Amount(int64_t written, int64_t total) {
    const int decimals = total < 10'000'000 ? 1 : 0;
    return QStringLiteral("%1 of %2 MB")
        .arg(written / 1e6, 0, 'f', decimals)
        .arg(total / 1e6, 0, 'f', decimals);
}

int64_t SizeOf(const QString& path) {
    const QFileInfo info(path);
    return info.exists() ? info.size() : -1;
}

// What is left of a download that did not finish. The transfer is ended first, so the writer has
// closed the file and its size is final.
void SayKept(CtlSession& session, const Request& r, int64_t total, const char* lead) {
    session.Close();
    const int64_t written = SizeOf(r.part);
    if (written < 0)
        std::fprintf(stderr, "%s: nothing written\n", lead);
    else
        std::fprintf(stderr, "%s: %s kept in %s\n", lead, qPrintable(Amount(written, total)),
                     qPrintable(r.part));
}

// The data file's headers say what was asked for, and the file is exactly that long.
bool FileIsComplete(const QString& path, int64_t total, int count, int triggerOffset) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly) || f.size() != total) return false;
    ZRK_DATA_FILE_HEADER head{};
    ZRK_DATA_INFO_HEADER about{};
    if (f.read(reinterpret_cast<char*>(&head), sizeof head) != qint64(sizeof head) ||
        f.read(reinterpret_cast<char*>(&about), sizeof about) != qint64(sizeof about))
        return false;
    const int64_t fileSize = head.fileSize;
    const int32_t frames = about.frameCount, trigger = about.triggerFrame;
    return std::memcmp(head.signature, "ZR", 2) == 0 && fileSize == total && frames == count &&
           trigger == triggerOffset;
}

bool SyncPath(const QString& path) {
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    const bool ok = ::fsync(fd) == 0;
    return ::close(fd) == 0 && ok;
}

constexpr int kGoOn = -1; // the arguments are good: download

// kGoOn, or the exit status to end with (a --help included).
int ParseDownload(const QStringList& args, Request& r) {
    QCommandLineParser parser;
    const QCommandLineOption id(QStringLiteral("id"),
                                QStringLiteral("The recording's ID number (default 0)."), QStringLiteral("N"),
                                QStringLiteral("0"));
    const QCommandLineOption timeout(QStringLiteral("timeout"),
                                     QStringLiteral("Seconds the download may take (default 600)."),
                                     QStringLiteral("S"), QStringLiteral("600"));
    const QCommandLineOption overwrite(
        QStringLiteral("overwrite"),
        QStringLiteral("Replaces FILE if it exists (once the download is whole)."));
    parser.addOptions({id, timeout, overwrite});
    parser.addPositionalArgument(QStringLiteral("REGION"), QStringLiteral("Region 1 to 4."));
    parser.addPositionalArgument(QStringLiteral("FIRST"), QStringLiteral("First frame, 0 = first recorded."));
    parser.addPositionalArgument(QStringLiteral("LAST"), QStringLiteral("Last frame."));
    parser.addPositionalArgument(QStringLiteral("FILE"), QStringLiteral("The data file to write."));
    int status = kExitOk;
    if (!ParseCommandOptions(parser, CommandNamed("download"), args, 4, 4, status)) return status;
    const QStringList pos = parser.positionalArguments();
    if (!ToInt(pos[0], r.region) || !ToInt(pos[1], r.first) || !ToInt(pos[2], r.last) ||
        !ToInt(parser.value(id), r.idNumber) || r.idNumber < 0 || r.idNumber > 32767) {
        std::fprintf(stderr, "zrkctl download: REGION, FIRST, LAST and --id take whole numbers\n");
        return kExitUsage;
    }
    if (!ToInt(parser.value(timeout), r.seconds) || r.seconds < 1) {
        std::fprintf(stderr, "zrkctl download: --timeout takes a number of seconds\n");
        return kExitUsage;
    }
    if (r.region < 1 || r.region > 4 || r.first < 0 || r.first > r.last) {
        std::fprintf(stderr, "zrkctl download: REGION is 1 to 4, and 0 <= FIRST <= LAST\n");
        return kExitUsage;
    }
    r.overwrite = parser.isSet(overwrite);
    r.target = QFileInfo(pos[3]).absoluteFilePath();
    r.part = r.target + QStringLiteral(".part");
    return kGoOn;
}
} // namespace

int CmdDownload(CtlSession& session, ConsoleUi& ui, const QStringList& args) {
    Request r;
    if (const int status = ParseDownload(args, r); status != kGoOn) return status;
    // The file is looked at before the camera is: a script learns of a clash without a connection.
    if (QFileInfo::exists(r.target) && !r.overwrite) {
        std::fprintf(stderr, "Download: %s exists; give --overwrite to replace it\n", qPrintable(r.target));
        return kExitFailed;
    }
    if (!QFileInfo(QFileInfo(r.target).absolutePath()).isDir()) {
        std::fprintf(stderr, "Download: there is no folder %s\n",
                     qPrintable(QFileInfo(r.target).absolutePath()));
        return kExitFailed;
    }
    if (const int status = session.Connect(); status != kExitOk) return status;

    if (g_lngRunState == 1) {
        std::fprintf(stderr, "Download: the camera at %s is recording\n", qPrintable(session.Where()));
        return kExitFailed;
    }
    // The camera takes no download in LIVE mode: as the windows do, live output ends and REC is set.
    if (g_lngCamMode == 1 && !session.Run([] {
            if (g_lngRunState == 3) SendLVSP();
            SendMODE(0);
        }))
        return session.FailureStatus();
    if (r.region > g_RecMode.Partition + 1) {
        std::fprintf(stderr, "Download: the camera has %d region(s); there is no region %d\n",
                     g_RecMode.Partition + 1, r.region);
        return kExitFailed;
    }
    const int region = r.region - 1;
    // The trigger positions are read anew, as the browser does when it opens.
    if (!session.Run(RequestPTRG)) return session.FailureStatus();
    const int32_t recorded = g_RegionFrames[std::size_t(region)].Recorded;
    if (recorded <= 0 || r.last >= recorded) {
        std::fprintf(stderr, "Download: region %d holds frames 0 to %d; %d to %d is not a range of them\n",
                     r.region, recorded - 1, r.first, r.last);
        return kExitFailed;
    }
    const int count = r.last - r.first + 1;
    const int64_t total = static_cast<int64_t>(GetDownloadSize(g_RecMode.ImageSize, count)) + ZRK_DATA_OFFSET;
    const int32_t trigger = TriggerFrameNumber(recorded, g_lngTrigPos[std::size_t(region)]);
    const int32_t triggerOffset = TriggerOffsetIn(trigger, r.first, r.last);

    QFile::remove(r.part); // a leftover of an earlier try
    ui.fileAnswer = r.part;
    ui.subject = r.part;
    session.Forget226();
    // The offset counts back from the region's end, its last frame being 1.
    const bool queued =
        SaveRange(region, recorded - r.first, count, static_cast<int16_t>(r.idNumber), triggerOffset);
    // The RQDL stays in flight for the whole transfer: --timeout is the script's own limit on it.
    const bool done = queued && session.WaitFor([&] { return !DownloadBusy() && session.ChannelIdle(); },
                                                r.seconds * 1000, false);
    if (const int signal = StopSignal()) {
        ui.EndLine();
        SayKept(session, r, total, "interrupted");
        return StopStatus(signal);
    }
    if (!done) {
        const bool timedOut = session.timedOut();
        if (!queued && session.Clean())
            std::fprintf(stderr, "Download: the request could not be sent to the camera at %s\n",
                         qPrintable(session.Where()));
        const int status = timedOut ? kExitTimedOut : session.FailureStatus();
        if (timedOut) std::fprintf(stderr, "Download: not finished within %d s\n", r.seconds);
        if (status == kExitNoCamera) session.ReportConnection();
        SayKept(session, r, total, "Download");
        return status;
    }
    if (!session.Clean()) {
        const int status = session.FailureStatus();
        if (status == kExitNoCamera) session.ReportConnection();
        SayKept(session, r, total, "Download");
        return status;
    }
    if (!session.Saw226() || !FileIsComplete(r.part, total, count, triggerOffset)) {
        std::fprintf(stderr, "Download: the camera's transfer was incomplete%s\n",
                     session.Saw226() ? "" : " (no closing reply)");
        SayKept(session, r, total, "Download");
        return kExitFailed;
    }
    if (!SyncPath(r.part)) {
        ui.MessageBox(QStringLiteral("Save"), QStringLiteral("Cannot write to file."), MsgIcon::None,
                      MsgButtons::Ok);
        return kExitFailed;
    }
    if (::rename(QFile::encodeName(r.part).constData(), QFile::encodeName(r.target).constData()) != 0) {
        std::fprintf(stderr, "Download: cannot rename %s to %s: %s\n", qPrintable(r.part),
                     qPrintable(r.target), std::strerror(errno));
        return kExitFailed;
    }
    SyncPath(QFileInfo(r.target).absolutePath()); // the new name itself is on disk
    return kExitOk;
}
