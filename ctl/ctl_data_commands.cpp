// live and export.
#include "base/shared_state.h"
#include "ctl/ctl_commands.h"
#include "ctl/ctl_movie_export.h"
#include "ctl/ctl_signals.h"
#include "playback/export_run.h"
#include "playback/playback_state.h"
#include "protocol/command_set.h"
#include "transfer/live_stats.h"

#include <QCommandLineParser>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <cstdio>

namespace {
bool ToInt(const QString& text, int& out) {
    bool ok = false;
    out = text.toInt(&ok);
    return ok;
}

int Seconds(const QCommandLineParser& parser, const QCommandLineOption& option, int& seconds) {
    if (!ToInt(parser.value(option), seconds) || seconds < 1) {
        std::fprintf(stderr, "zrkctl: --timeout takes a number of seconds\n");
        return kExitUsage;
    }
    return kExitOk;
}
} // namespace

int CmdLive(CtlSession& session, ConsoleUi&, const QStringList& args) {
    QCommandLineParser parser;
    const QCommandLineOption frames(QStringLiteral("frames"), QStringLiteral("Frames to receive."),
                                    QStringLiteral("N"));
    const QCommandLineOption timeout(QStringLiteral("timeout"),
                                     QStringLiteral("Seconds to wait for them (default 60)."),
                                     QStringLiteral("S"), QStringLiteral("60"));
    parser.addOptions({frames, timeout});
    int status = kExitOk;
    if (!ParseCommandOptions(parser, CommandNamed("live"), args, 0, 0, status)) return status;
    int count = 0, seconds = 0;
    if (!ToInt(parser.value(frames), count) || count < 1) {
        std::fprintf(stderr, "zrkctl live: --frames takes a number of frames\n");
        return kExitUsage;
    }
    if ((status = Seconds(parser, timeout, seconds)) != kExitOk) return status;
    if ((status = session.Connect()) != kExitOk) return status;
    if (g_lngRunState == 1) {
        std::fprintf(stderr, "Live: the camera is recording\n");
        return kExitFailed;
    }
    if (!session.Run([] { SendMODE(1); })) return session.FailureStatus();
    const LiveStats before = LiveCounters();
    QElapsedTimer clock;
    clock.start();
    SendLVST();
    const bool got = session.WaitFor(
        [&] { return LiveCounters().framesCompleted - before.framesCompleted >= uint64_t(count); },
        seconds * 1000);
    const double elapsed = std::max<qint64>(clock.elapsed(), 1) / 1000.0;
    const LiveStats after = LiveCounters();
    const bool timedOut = session.timedOut();
    // Live output is ended however the count went (a signal included), unless the camera is gone.
    const bool stopped = session.Tidy([] {
        SendLVSP();
        SendMODE(0);
    });
    const uint64_t shown = after.framesCompleted - before.framesCompleted;
    std::printf("frames %llu in %.2f s: %.1f frames/s, %.2f MB/s, %llu dropped\n",
                static_cast<unsigned long long>(shown), elapsed, shown / elapsed,
                (after.bytesReceived - before.bytesReceived) / elapsed / 1e6,
                static_cast<unsigned long long>(after.framesDropped - before.framesDropped));
    std::fflush(stdout);
    if (const int signal = StopSignal()) {
        std::fprintf(stderr, "interrupted: live output %s after %llu frames\n",
                     stopped ? "stopped" : "left running", static_cast<unsigned long long>(shown));
        return StopStatus(signal);
    }
    if (!got) {
        if (timedOut && session.Clean()) {
            std::fprintf(stderr, "Live: %d frames did not arrive within %d s\n", count, seconds);
            return kExitTimedOut;
        }
        return session.FailureStatus();
    }
    return stopped ? kExitOk : session.FailureStatus();
}

int OpenExportSource(const QCommandLineParser& parser, const QCommandLineOption& range, ConsoleUi& ui,
                     int& first, int& last) {
    PlaybackState& state = Playback();
    ui.subject = QFileInfo(parser.positionalArguments()[0]).absoluteFilePath();
    const OpenCheck check = ReadDataFile(parser.positionalArguments()[0], state.file);
    if (!check.message.isEmpty()) {
        ui.MessageBox(QStringLiteral("Play Control"), check.message, MsgIcon::Information, MsgButtons::Ok);
        return kExitFailed;
    }
    first = state.file.firstFrame;
    last = state.file.lastFrame;
    if (parser.isSet(range)) {
        const QStringList ends = parser.value(range).split(QLatin1Char(':'));
        if (ends.size() != 2 || !ToInt(ends[0], first) || !ToInt(ends[1], last)) {
            std::fprintf(stderr, "zrkctl export: --range takes A:B\n");
            return kExitUsage;
        }
    }
    if (first < state.file.firstFrame || last > state.file.lastFrame || first > last) {
        std::fprintf(stderr, "Export: the file holds frames %d to %d; %d to %d is not a range of them\n",
                     state.file.firstFrame, state.file.lastFrame, first, last);
        return kExitFailed;
    }
    return kExitOk;
}

int CmdExport(CtlSession&, ConsoleUi& ui, const QStringList& args) {
    if (IsMovieExport(args)) return CmdExportMovie(ui, args);
    QCommandLineParser parser;
    const QCommandLineOption avi(QStringLiteral("avi"), QStringLiteral("Writes one AVI movie."),
                                 QStringLiteral("OUT"));
    const QCommandLineOption rate(QStringLiteral("rate"),
                                  QStringLiteral("Movie frames per second (default 30)."),
                                  QStringLiteral("N"), QStringLiteral("30"));
    const QCommandLineOption bmp(QStringLiteral("bmp"),
                                 QStringLiteral("Writes numbered bitmaps into a folder."),
                                 QStringLiteral("DIR"));
    const QCommandLineOption interval(QStringLiteral("interval"),
                                      QStringLiteral("Every Nth frame (bitmaps, default 1)."),
                                      QStringLiteral("N"), QStringLiteral("1"));
    const QCommandLineOption range(QStringLiteral("range"),
                                   QStringLiteral("Frames A to B of the file (default all)."),
                                   QStringLiteral("A:B"));
    parser.addOptions({avi, rate, bmp, interval, range});
    parser.addPositionalArgument(QStringLiteral("FILE"), QStringLiteral("The data file."));
    int status = kExitOk;
    if (!ParseCommandOptions(parser, CommandNamed("export"), args, 1, 1, status)) return status;
    if (parser.isSet(avi) == parser.isSet(bmp)) {
        std::fprintf(stderr, "zrkctl export: give either --avi OUT or --bmp DIR\n");
        return kExitUsage;
    }
    if (parser.isSet(avi) && parser.isSet(interval)) {
        std::fprintf(stderr, "zrkctl export: --interval is for bitmaps; a movie takes every frame\n");
        return kExitUsage;
    }
    if (parser.isSet(bmp) && parser.isSet(rate)) {
        std::fprintf(stderr, "zrkctl export: --rate is for movies\n");
        return kExitUsage;
    }
    int movieRate = 0, step = 0;
    if (!ToInt(parser.value(rate), movieRate) || !ToInt(parser.value(interval), step)) {
        std::fprintf(stderr, "zrkctl export: --rate and --interval take whole numbers\n");
        return kExitUsage;
    }

    int first = 0, last = 0;
    if (const int opened = OpenExportSource(parser, range, ui, first, last); opened != kExitOk) return opened;
    const int failuresBefore = ui.failures();
    if (parser.isSet(avi)) {
        if (movieRate < 1) {
            std::fprintf(stderr, "zrkctl export: --rate must be at least 1\n");
            return kExitUsage;
        }
        ui.fileAnswer = QFileInfo(parser.value(avi)).absoluteFilePath();
        ui.subject = ui.fileAnswer;
        ExportAvi(first, last, movieRate);
    } else {
        if (step < 1) {
            std::fprintf(stderr, "zrkctl export: --interval must be at least 1\n");
            return kExitUsage;
        }
        const QString folder = QFileInfo(parser.value(bmp)).absoluteFilePath();
        if (!QDir().mkpath(folder)) {
            ui.MessageBox(QStringLiteral("DIB Sequences Conversion"), QStringLiteral("Cannot write to file."),
                          MsgIcon::Information, MsgButtons::Ok);
            return kExitFailed;
        }
        Playback().exportFolder = QDir(folder).absolutePath() + QDir::separator();
        ui.subject = folder;
        ExportBitmapSequence(first, last, step);
    }
    // A stop signal is the export's Cancel: a movie is finished with the frames written so far.
    if (const int signal = StopSignal()) {
        ui.EndLine();
        std::fprintf(stderr, "interrupted: %s holds the frames written so far\n", qPrintable(ui.subject));
        return StopStatus(signal);
    }
    return ui.failures() == failuresBefore ? kExitOk : kExitFailed;
}
