#include "ctl/ctl_commands.h"

#include <QCommandLineParser>
#include <cstdio>

const QList<CtlCommand>& CtlCommands() {
    static const QList<CtlCommand> commands{
        {"info", "[--json]",
         "The camera's read-out: clock, versions, network, record mode, settings, regions.", true, CmdInfo},
        {"record-mode",
         "[--rate R] [--size S] [--shutter X] [--strobe D] [--regions N] [--trigger T] [--post N]",
         "Sets the record mode from readable values, by the record settings dialog's rules.", true,
         CmdRecordMode},
        {"start", "", "Starts recording (RCST).", true, CmdStart},
        {"stop", "", "Stops recording (RCSP).", true, CmdStop},
        {"trigger", "", "Sends the trigger (TRIG).", true, CmdTrigger},
        {"clear", "", "Clears the camera's memory (RACL).", true, CmdClear},
        {"wait", "[--until idle|full] [--region N] [--timeout S]",
         "Waits until the camera is idle, or a region is full.", true, CmdWait},
        {"download", "REGION FIRST LAST FILE [--id N] [--timeout S]",
         "Downloads frames FIRST..LAST (0 = first recorded) of region 1-4 into a data file.", true,
         CmdDownload},
        {"export",
         "FILE (--avi OUT [--rate N] | --mp4 OUT [--rate N] [--quality Q] | --mkv OUT [--rate N] | "
         "--bmp DIR [--interval N]) [--range A:B]",
         "Exports frames of a data file as an AVI, MP4 (H.264) or MKV (FFV1) movie or numbered bitmaps.",
         false, CmdExport},
        {"live", "--frames N [--timeout S]",
         "Runs live output for N frames; reports frames/s, MB/s, dropped frames.", true, CmdLive},
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
