// The camera settings and analog input dialogs the console opens. They are built in their own
// library (console/setup_dialogs.h); until it is part of the build the buttons do nothing (the
// console is not disabled with no dialog to enable it again) and the live picture uses the
// camera's current settings.
#pragma once

class QWidget;

// Whether the dialogs are part of this build.
bool SetupDialogsBuilt();
void OpenCameraDialog(QWidget* owner);
void OpenAnalogInDialog(QWidget* owner);
bool CameraDialogIsOpen();
