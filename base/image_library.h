// The program's use of the image library: bound by name on first use (see zrkimage_client.h).
// A call that could not reach the library is turned into a message for the operator here.
#pragma once

#include "zrkimage_client.h"

#include <QString>

// The binding every window uses.
zrk::imagelib::ImageLibrary& ImageLib();

// When status says the library (or one of its functions) could not be reached, tells the operator
// why, in a message box with the given title, and returns true; otherwise returns false.
bool ReportImageLibraryUnavailable(int16_t status, const QString& title,
                                   const zrk::imagelib::ImageLibrary& library = ImageLib());
