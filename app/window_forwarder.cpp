#include "app/window_forwarder.h"

#include "protocol/main_targets.h"

namespace {
WindowForwarder g_forwarder;
} // namespace

void InstallWindowForwarding() {
    SetHooks(&g_forwarder);
    // Each subsystem's install call fills its Targets() entries.
}

void RemoveWindowForwarding() {
    SetHooks(nullptr);
}
