// The camera settings dialog and the small setup dialogs. Each window exists once: asking for it
// again brings the open one forward.
#pragma once

#include <QDateTime>

class QWidget;
class frmCamera;
class frmSetTime;
class frmSyncMode;
class frmAnalog;
class frmVersion;
class frmAbout;

// From the record console's "Camera" and "Analog IN" buttons (the console has disabled itself;
// the dialog enables it again when it closes).
void ShowCameraDialog(QWidget* owner);
void ShowAnalogInDialog(QWidget* owner);
// While true the live picture is drawn with the pending g_GammaNew and g_WBNew.
bool CameraDialogOpen();

// The clock query's reply opens the date/time dialog with the moment it read.
void ShowDateTimeDialog(const QDateTime& moment);
void ShowSyncModeDialog();
void ShowVersions();
void ShowAboutBox();
// Program end: closes every one of these windows (each as its own Cancel).
void CloseSetupDialogs();

// The open windows, or null.
frmCamera* CameraDialog();
frmSetTime* DateTimeDialog();
frmSyncMode* SyncModeDialog();
frmAnalog* AnalogInDialog();
frmVersion* VersionWindow();
frmAbout* AboutWindow();
