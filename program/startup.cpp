#include "program/startup.h"

#include "base/app_state.h"
#include "base/frame_buffers.h"
#include "base/main_window_parts.h"
#include "base/open_windows.h"
#include "base/shared_state.h"
#include "base/ui_port.h"
#include "program/window_forwarder.h"
#include "protocol/main_supervisor.h"

bool StartUp(const StartUpOptions& options) {
    SetAppPath(options.appFolder);
    if (!AllocPreviewBuffers()) {
        Ui().MessageBox(QStringLiteral("Memory Error"),
                        QStringLiteral("Not enough PC memory for preview. \r\nCannot open Application."),
                        MsgIcon::Information, MsgButtons::Ok);
        return false;
    }
    if (!AllocThumbnailBuffer()) {
        Ui().MessageBox(QStringLiteral("Memory Error"),
                        QStringLiteral("Not enough PC memory for thumbnail.\r\nCannot open application."),
                        MsgIcon::Information, MsgButtons::Ok);
        return false;
    }
    InstallWindowForwarding();
    LoadMainWindow();
    InitState();
    // The start-up has just written the address; a file that took nothing would lose every choice.
    if (!SaveClientIP())
        Ui().MessageBox(QStringLiteral("Settings"),
                        QStringLiteral("Cannot write the settings file\r\n") + g_strIniFile +
                            QStringLiteral("\r\nSettings changed now will not be kept."),
                        MsgIcon::Exclamation, MsgButtons::Ok);
    if (g_blnDebug) ShowTraceWindow();
    ShowMainWindow();
    return true;
}

void ShutDown() {
    UnloadMainWindow();
    FreePreviewBuffers();
    FreeThumbnailBuffer();
    RemoveWindowForwarding();
}
