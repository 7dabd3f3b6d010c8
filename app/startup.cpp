#include "app/startup.h"

#include "app/app_state.h"
#include "app/frame_buffers.h"
#include "app/main_window_parts.h"
#include "app/open_windows.h"
#include "app/shared_state.h"
#include "app/ui_port.h"
#include "app/window_forwarder.h"
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
