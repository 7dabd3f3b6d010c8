// The program entry: frame buffers, main window, settings, trace window, in that order.
#pragma once

#include <QString>

struct StartUpOptions {
    QString appFolder; // folder of the executable (settings file beside it)
};

// Runs the start-up; false when the program must end (the operator has been told why).
bool StartUp(const StartUpOptions& options);
// Frees what StartUp allocated; safe to call twice.
void ShutDown();
