// Puts the data-port receiver in place: the data-chunk and abort targets of the main window.
#pragma once

void InstallTransfer();
