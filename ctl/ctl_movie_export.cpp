#include "ctl/ctl_movie_export.h"

#include "ctl/ctl_commands.h"
#include "playback/export_movie.h"
#include "playback/playback_state.h"

#include <QCommandLineParser>
#include <QFileInfo>
#include <cstdio>

namespace {

bool ToInt(const QString& text, int& out) {
    bool ok = false;
    out = text.toInt(&ok);
    return ok;
}

bool Names(const QString& arg, const char* option) {
    const QString name = QStringLiteral("--") + QLatin1String(option);
    return arg == name || arg.startsWith(name + u'=');
}

} // namespace

bool IsMovieExport(const QStringList& args) {
    for (const QString& arg : args)
        if (Names(arg, "mp4") || Names(arg, "mkv")) return true;
    return false;
}

int CmdExportMovie(ConsoleUi& ui, const QStringList& args) {
    using namespace zrk::movie;
    QCommandLineParser parser;
    const QCommandLineOption mp4(QStringLiteral("mp4"), QStringLiteral("Writes an H.264 MP4 movie to share."),
                                 QStringLiteral("OUT"));
    const QCommandLineOption mkv(QStringLiteral("mkv"),
                                 QStringLiteral("Writes a lossless FFV1 Matroska movie to archive."),
                                 QStringLiteral("OUT"));
    const QCommandLineOption rate(QStringLiteral("rate"),
                                  QStringLiteral("Playback frames per second (default 30)."),
                                  QStringLiteral("N"), QString::number(kDefaultRate));
    const QCommandLineOption quality(QStringLiteral("quality"),
                                     QStringLiteral("H.264 rate factor, 0 best to 51 (default 18)."),
                                     QStringLiteral("Q"), QString::number(kDefaultQuality));
    const QCommandLineOption range(QStringLiteral("range"),
                                   QStringLiteral("Frames A to B of the file (default all)."),
                                   QStringLiteral("A:B"));
    parser.addOptions({mp4, mkv, rate, quality, range});
    parser.addPositionalArgument(QStringLiteral("FILE"), QStringLiteral("The data file."));
    int status = kExitOk;
    if (!ParseCommandOptions(parser, CommandNamed("export"), args, 1, 1, status)) return status;
    if (parser.isSet(mp4) == parser.isSet(mkv)) {
        std::fprintf(stderr, "zrkctl export: give one of --avi OUT, --mp4 OUT, --mkv OUT or --bmp DIR\n");
        return kExitUsage;
    }
    int movieRate = 0, factor = 0;
    if (!ToInt(parser.value(rate), movieRate) || movieRate < kMinRate || movieRate > kMaxRate) {
        std::fprintf(stderr, "zrkctl export: --rate takes %d to %d frames per second\n", kMinRate, kMaxRate);
        return kExitUsage;
    }
    if (!ToInt(parser.value(quality), factor) || factor < kMinQuality || factor > kMaxQuality) {
        std::fprintf(stderr, "zrkctl export: --quality takes %d (best) to %d\n", kMinQuality, kMaxQuality);
        return kExitUsage;
    }

    int first = 0, last = 0;
    if (const int opened = OpenExportSource(parser, range, ui, first, last); opened != kExitOk) return opened;
    std::printf("%s\n", qPrintable(SlowMotionCaption(first, last, movieRate)));
    std::fflush(stdout);
    const int failuresBefore = ui.failures();
    ui.fileAnswer = QFileInfo(parser.value(parser.isSet(mp4) ? mp4 : mkv)).absoluteFilePath();
    ExportMovie(parser.isSet(mp4) ? Codec::H264 : Codec::Ffv1, first, last, movieRate, factor);
    return ui.failures() == failuresBefore ? kExitOk : kExitFailed;
}
