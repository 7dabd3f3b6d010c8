#include "console/setup_dialogs.h"

#include "base/open_windows.h"
#include "console/frm_about.h"
#include "console/frm_analog_in.h"
#include "console/frm_camera.h"
#include "console/frm_date_time.h"
#include "console/frm_sync_mode.h"
#include "console/frm_version.h"
#include "console/setup_dialogs_common.h"
#include "console/setup_dialogs_install.h"
#include "protocol/main_targets.h"

#include <QPointer>
#include <functional>

namespace {

QPointer<frmCamera> g_camera;
QPointer<frmSetTime> g_dateTime;
QPointer<frmSyncMode> g_syncMode;
QPointer<frmAnalog> g_analog;
QPointer<frmVersion> g_version;
QPointer<frmAbout> g_about;

// The open one comes forward; a closed one (closing, deleted later) does not count.
template <typename T> bool BringForward(const QPointer<T>& window) {
    if (!window || !window->isVisible()) return false;
    window->raise();
    window->activateWindow();
    return true;
}

QWidget* MainWindow() {
    return Windows().frmMain;
}

} // namespace

void ShowCameraDialog(QWidget* owner) {
    if (BringForward(g_camera)) return;
    g_camera = new frmCamera(owner);
    setup::ShowOver(g_camera, owner);
}

void ShowAnalogInDialog(QWidget* owner) {
    if (BringForward(g_analog)) return;
    g_analog = new frmAnalog(owner);
    setup::ShowOver(g_analog, owner);
}

bool CameraDialogOpen() {
    return g_camera && g_camera->isVisible();
}

void ShowDateTimeDialog(const QDateTime& moment) {
    // A second clock reply keeps what the operator has typed.
    if (BringForward(g_dateTime)) return;
    g_dateTime = new frmSetTime(MainWindow(), moment);
    setup::ShowOver(g_dateTime, MainWindow());
}

void ShowSyncModeDialog() {
    if (BringForward(g_syncMode)) return;
    g_syncMode = new frmSyncMode(MainWindow());
    g_syncMode->show();
}

void ShowVersions() {
    if (BringForward(g_version)) {
        g_version->ShowVersions();
        return;
    }
    g_version = new frmVersion(MainWindow());
    setup::ShowOver(g_version, MainWindow());
}

void ShowAboutBox() {
    if (BringForward(g_about)) return;
    g_about = new frmAbout(MainWindow());
    setup::ShowOver(g_about, MainWindow());
}

void CloseSetupDialogs() {
    for (QWidget* w :
         std::initializer_list<QWidget*>{g_camera, g_analog, g_dateTime, g_syncMode, g_version, g_about})
        if (w) w->close();
}

frmCamera* CameraDialog() {
    return g_camera;
}
frmSetTime* DateTimeDialog() {
    return g_dateTime;
}
frmSyncMode* SyncModeDialog() {
    return g_syncMode;
}
frmAnalog* AnalogInDialog() {
    return g_analog;
}
frmVersion* VersionWindow() {
    return g_version;
}
frmAbout* AboutWindow() {
    return g_about;
}

void InstallSetupDialogs() {
    MainTargets& t = Targets();
    t.showSyncMode = ShowSyncModeDialog;
    t.showVersion = ShowVersions;
    t.showAbout = ShowAboutBox;
    // Another subsystem may close its own windows at unload too: both run (taken once, so that
    // installing again does not chain this closer behind itself).
    static std::function<void()> others;
    static bool taken = false;
    if (!taken) others = t.closeOtherWindows;
    taken = true;
    t.closeOtherWindows = [] {
        if (others) others();
        CloseSetupDialogs();
    };
}
