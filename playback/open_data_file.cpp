#include "playback/open_data_file.h"

#include "base/file_utils.h"
#include "base/open_windows.h"
#include "base/shared_state.h"
#include "base/ui_port.h"
#include "playback/export_run.h"
#include "playback/frm_play.h"
#include "playback/playback_state.h"
#include "protocol/main_control.h"
#include "protocol/main_targets.h"

namespace {

const QString kTitle = QStringLiteral("Play Control");

bool PlayerOpen() {
    return !Windows().frmPlay.isNull();
}

} // namespace

bool OpenDataFile() {
    // An export in progress owns the player until it ends.
    if (ExportRunning()) return PlayerOpen();
    const QString path = ShowOpenDialog(QStringLiteral("ZRK Data File(*.DAT)|*.dat"));
    if (path.isEmpty()) {
        Ui().MessageBox(kTitle, QStringLiteral("No file selected for play."), MsgIcon::Exclamation,
                        MsgButtons::Ok);
        return PlayerOpen();
    }
    PlayFile file;
    const OpenCheck check = ReadDataFile(path, file);
    if (!check.message.isEmpty()) {
        Ui().MessageBox(kTitle, check.message, MsgIcon::Information, MsgButtons::Ok);
        return PlayerOpen();
    }

    if (g_lngViewMode == 0) {
        if (Windows().frmMain) Windows().frmMain->hide();
    } else if (g_lngViewMode == 1) {
        UntickConnect(); // closes both camera links
        if (Targets().closeRecordConsole) Targets().closeRecordConsole();
        if (Windows().frmMain) Windows().frmMain->hide();
    }
    // One player at a time: the new file loads the window anew.
    delete Windows().frmPlay.data();
    PlaybackState& state = Playback();
    state.file = file;
    state.enhance = {0, 100};
    state.exportFolder = g_strAppPath;
    auto* player = new frmPlay(Windows().frmMain);
    Windows().frmPlay = player;
    player->show();
    return true;
}
