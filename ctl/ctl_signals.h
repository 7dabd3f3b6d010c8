// The signals that stop zrkctl: SIGINT, SIGTERM and SIGHUP are caught, so that the command in hand
// can end cleanly (live output stopped, the partial file kept and named) and exit 128 + the signal.
// SIGXFSZ is ignored, so that a file-size limit makes the write fail with a message instead of
// killing the program silently.
#pragma once

// Installs the handlers; call once at start-up, before anything is written.
void InstallStopSignals();
// The first stop signal caught, or 0.
int StopSignal();
// The exit status for a stop signal (128 + the signal).
inline int StopStatus(int signal) {
    return 128 + signal;
}
