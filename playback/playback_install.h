// Puts the player into Targets(): "Play" in the main window and the record console opens it.
#pragma once

void InstallPlayback();
