#include "console/console_install.h"

#include "base/shared_state.h"
#include "console/frm_rec.h"
#include "console/live_image.h"
#include "protocol/main_targets.h"

void InstallConsole() {
    Targets().showRecordConsole = ShowRecordConsoleWindow;
    Targets().closeRecordConsole = CloseRecordConsoleWindow;
}

void ShowRecordConsoleWindow() {
    frmRec* console = RecordConsole();
    if (!console) {
        console = new frmRec;
        console->Open();
    }
    console->show();
    console->raise();
    console->activateWindow();
}

void CloseRecordConsoleWindow() {
    // Closing deletes the window later, never under the handler that called this.
    if (frmRec* console = RecordConsole()) console->close();
}

namespace console {

void ShowRecordMode(const RecordMode& mode) {
    if (frmRec* c = RecordConsole()) c->ShowRecordMode(mode);
}

void SizePreviewArea(int32_t imageSize) {
    if (frmRec* c = RecordConsole()) c->SizePreviewArea(imageSize);
}

void ShowRegionCounts() {
    if (frmRec* c = RecordConsole()) c->ShowRegionCounts();
}

void UpdateButtons() {
    if (frmRec* c = RecordConsole()) c->UpdateConsoleButtons();
}

void ClearPicture() {
    // Called by the LVSP and "MODE REC" replies: once the stream has ended, a later one may fail
    // (and stop itself) again.
    if (g_lngDataMode != 1) ResetLiveStop();
    if (frmRec* c = RecordConsole()) c->ClearPicture();
}

void ShowGain(int32_t gainCode) {
    if (frmRec* c = RecordConsole()) c->ShowGain(gainCode);
}

void ShowAnalogGain(int32_t analogGainCode) {
    if (frmRec* c = RecordConsole()) c->ShowAnalogGain(analogGainCode);
}

} // namespace console
