#include "protocol/window_hooks.h"

namespace {
WindowHooks g_defaultHooks;
WindowHooks* g_hooks = &g_defaultHooks;
} // namespace

WindowHooks& Hooks() {
    return *g_hooks;
}

void SetHooks(WindowHooks* hooks) {
    g_hooks = hooks ? hooks : &g_defaultHooks;
}
