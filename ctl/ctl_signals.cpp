#include "ctl/ctl_signals.h"

#include <csignal>
#include <initializer_list>

namespace {
volatile std::sig_atomic_t g_signal = 0;

extern "C" void OnStopSignal(int signal) {
    if (g_signal == 0) g_signal = signal; // the first one counts; a second one only repeats it
}
} // namespace

void InstallStopSignals() {
    struct sigaction action {};
    action.sa_handler = OnStopSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int s : {SIGINT, SIGTERM, SIGHUP})
        sigaction(s, &action, nullptr);
    std::signal(SIGXFSZ, SIG_IGN);
}

int StopSignal() {
    return g_signal;
}
