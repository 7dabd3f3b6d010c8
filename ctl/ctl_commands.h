// The commands of zrkctl. Each takes the arguments after its name, checks them, then connects the
// session if it needs the camera (session.Connect()) and returns an exit status (ctl_session.h).
// A new command is one function and one row of CtlCommands().
#pragma once

#include "ctl/ctl_session.h"

#include <QStringList>

struct CtlCommand {
    const char* name;
    const char* synopsis; // arguments, for the usage text
    const char* summary;
    int (*run)(CtlSession& session, ConsoleUi& ui, const QStringList& args);
};

int CmdInfo(CtlSession& session, ConsoleUi& ui, const QStringList& args);
int CmdRecordMode(CtlSession& session, ConsoleUi& ui, const QStringList& args);
int CmdStart(CtlSession& session, ConsoleUi& ui, const QStringList& args);
int CmdStop(CtlSession& session, ConsoleUi& ui, const QStringList& args);
int CmdTrigger(CtlSession& session, ConsoleUi& ui, const QStringList& args);
int CmdClear(CtlSession& session, ConsoleUi& ui, const QStringList& args);
int CmdWait(CtlSession& session, ConsoleUi& ui, const QStringList& args);
int CmdDownload(CtlSession& session, ConsoleUi& ui, const QStringList& args);
int CmdLive(CtlSession& session, ConsoleUi& ui, const QStringList& args);
int CmdExport(CtlSession& session, ConsoleUi& ui, const QStringList& args);
// Frame table commands (ctl_frames_command.cpp): "frames", and "export" with its --csv.
int CmdFrames(CtlSession& session, ConsoleUi& ui, const QStringList& args);
int CmdExportWithFrameData(CtlSession& session, ConsoleUi& ui, const QStringList& args);

// Every command, in the order the usage text lists them.
const QList<CtlCommand>& CtlCommands();

// Parses a command's own options; on --help prints its usage and returns kExitOk through
// `exitStatus`, on a parse error prints it and returns kExitUsage. True: go on.
class QCommandLineParser;
bool ParseCommandOptions(QCommandLineParser& parser, const CtlCommand& command, const QStringList& args,
                         int minPositional, int maxPositional, int& exitStatus);
const CtlCommand& CommandNamed(const char* name);
class QCommandLineOption;
// Opens the export's data file into Playback() with the player's checks and takes its range from
// --range A:B (default: every frame). kExitOk, or the status to end with after its message.
int OpenExportSource(const QCommandLineParser& parser, const QCommandLineOption& range, ConsoleUi& ui,
                     int& first, int& last);
