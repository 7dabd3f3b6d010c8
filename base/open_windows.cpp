#include "base/open_windows.h"

OpenWindows& Windows() {
    static OpenWindows windows;
    return windows;
}
