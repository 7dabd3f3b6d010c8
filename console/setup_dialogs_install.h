// Hands the main window its setup dialogs ("Master/Slave", "Version", the about box) and the
// closing of all of them at unload, through Targets().
#pragma once

void InstallSetupDialogs();
