#include "app/window_forwarder.h"

#include "protocol/main_targets.h"
#include "transfer/data_receiver.h"
#include "transfer/transfer_install.h"

namespace {
WindowForwarder g_forwarder;
} // namespace

// ---- Data-port receiver (transfer/)
void WindowForwarder::EndDownload() {
    ::EndDownload();
}
void WindowForwarder::EndThumbNail() {
    ::EndThumbNail();
}

void InstallWindowForwarding() {
    SetHooks(&g_forwarder);
    // Each subsystem's install call fills its Targets() entries.
    InstallTransfer();
}

void RemoveWindowForwarding() {
    SetHooks(nullptr);
}
