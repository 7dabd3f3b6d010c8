// The --state file: camera settings and already recorded regions, so a test need not record first.
#pragma once

#include "camera.h"

#include <string>

namespace zrkcam {

// Applies the text line by line, in order. Returns false with "line N: reason" in error at the first
// line the camera would not accept.
bool applyState(Camera& camera, const std::string& text, const Now& now, std::string& error);

} // namespace zrkcam
