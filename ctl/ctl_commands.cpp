#include "ctl/ctl_commands.h"

#include <QCommandLineParser>
#include <cstdio>

const QList<CtlCommand>& CtlCommands() {
    static const QList<CtlCommand> commands{
        {"info", "[--json]",
         "The camera's read-out: clock, versions, memory, network, record mode, regions, triggers.", CmdInfo},
        {"record-mode",
         "[--rate R] [--size S] [--shutter X] [--strobe D] [--regions N] [--trigger T] [--post N]",
         "Sets the record mode by the record dialog's rules, keeping what is not named; prints it.",
         CmdRecordMode},
        {"start", "", "Starts recording (RCST).", CmdStart},
        {"stop", "", "Stops recording (RCSP).", CmdStop},
        {"trigger", "", "Sends the trigger (TRIG).", CmdTrigger},
        {"clear", "", "Clears the camera's memory (RACL).", CmdClear},
        {"wait", "[--until idle|full] [--region N] [--timeout S]",
         "Waits until the camera is idle, or a region is full.", CmdWait},
        {"download", "REGION FIRST LAST FILE [--id N] [--timeout S] [--overwrite]",
         "Downloads frames FIRST..LAST (0 = first) of region 1-4 via FILE.part, renamed once whole.",
         CmdDownload},
        {"export",
         "FILE (--avi OUT [--rate N] | --mp4 OUT [--rate N] [--quality Q] | --mkv OUT [--rate N] | "
         "--bmp DIR [--interval N]) [--range A:B] [--csv OUT]",
         "Exports frames of a data file as an AVI, MP4 (H.264) or MKV (FFV1) movie or numbered bitmaps, "
         "and/or their frame table.",
         CmdExportWithFrameData},
        {"frames", "FILE [--json] [--range A:B]",
         "Prints the frame table of a data file: frame numbers, clock, time from trigger, analog.",
         CmdFrames},
        {"live", "--frames N [--timeout S]",
         "Runs live output for N frames; reports frames/s, MB/s, dropped frames.", CmdLive},
    };
    return commands;
}

const CtlCommand& CommandNamed(const char* name) {
    for (const CtlCommand& c : CtlCommands())
        if (qstrcmp(c.name, name) == 0) return c;
    return CtlCommands().first();
}

bool ParseCommandOptions(QCommandLineParser& parser, const CtlCommand& command, const QStringList& args,
                         int minPositional, int maxPositional, int& exitStatus) {
    parser.setApplicationDescription(QString::fromLatin1(command.summary));
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")},
                                  QStringLiteral("Shows this help."));
    parser.addOption(help);
    const QString usage = QStringLiteral("Usage: zrkctl %1 %2\n\n")
                              .arg(QLatin1String(command.name), QLatin1String(command.synopsis));
    if (!parser.parse(QStringList{QStringLiteral("zrkctl")} + args)) {
        std::fprintf(stderr, "zrkctl %s: %s\n", command.name, qPrintable(parser.errorText()));
        exitStatus = kExitUsage;
        return false;
    }
    if (parser.isSet(help)) {
        QString text = parser.helpText();
        text = text.mid(text.indexOf(QLatin1Char('\n')) + 1); // our own usage line instead of Qt's
        std::fprintf(stdout, "%s%s", qPrintable(usage), qPrintable(text));
        exitStatus = kExitOk;
        return false;
    }
    const qsizetype n = parser.positionalArguments().size();
    if (n < minPositional || n > maxPositional) {
        std::fprintf(stderr, "zrkctl %s: wrong number of arguments\n%s", command.name, qPrintable(usage));
        exitStatus = kExitUsage;
        return false;
    }
    return true;
}
