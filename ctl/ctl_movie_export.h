// zrkctl export FILE --mp4 OUT | --mkv OUT [--rate N] [--range A:B] [--quality Q]: the shareable movies.
#pragma once

#include "ctl/console_ui.h"

#include <QStringList>

// Whether the export's arguments ask for an MP4 or MKV movie.
bool IsMovieExport(const QStringList& args);

// Runs that export; returns an exit status (ctl_session.h).
int CmdExportMovie(ConsoleUi& ui, const QStringList& args);
