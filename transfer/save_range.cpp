#include "transfer/save_range.h"

#include "base/file_utils.h"
#include "base/shared_state.h"
#include "base/trace.h"
#include "base/ui_port.h"
#include "protocol/command_channel.h"
#include "protocol/command_ids.h"
#include "protocol/command_set.h"
#include "transfer/download_owner.h"
#include "transfer/free_space_probe.h"
#include "transfer/image_size.h"
#include "zrk_data_file.h"

#include <QDateTime>

namespace {
FreeSpaceProbe g_freeSpace = nullptr;
} // namespace

void SetFreeSpaceProbe(FreeSpaceProbe probe) {
    g_freeSpace = probe;
}

bool DownloadBusy() {
    if (g_lngDataMode == 2) return true;
    if (!g_blnLinkOpen) return false; // nothing queued can go out any more
    for (int16_t i = g_intQueueRead; i != g_intQueueWrite; IncWrap(i, 0, kCmdQueueSlots - 1))
        if (g_CmdQueue[static_cast<size_t>(i)].Id == CommandId::RQDL) return true;
    return false;
}

bool SaveRange(int32_t region, int32_t offset, int32_t count, int16_t idNumber, int32_t trigOffset,
               QWidget* owner) {
    if (DownloadBusy()) {
        WriteTrace(QStringLiteral("Save refused: a download is still running"));
        return false;
    }
    const QString proposed = g_strAppPath +
                             QDateTime::currentDateTime().toString(QStringLiteral("yyMMddHHmmss")) +
                             QStringLiteral(".dat");
    const QString path =
        Ui().SaveFileDialogProposing(QString(), QStringLiteral("ZRK Data File (*.DAT)|*.dat"), proposed);
    if (path.isEmpty()) return false;
    // The file holds the two headers as well; a download that would fill the disk exactly is refused.
    const double needed = GetDownloadSize(g_RecMode.ImageSize, count) + ZRK_DATA_OFFSET;
    if (needed >= (g_freeSpace ? g_freeSpace(path) : GetFreeSpace(path))) {
        Ui().MessageBox(QStringLiteral("Save"),
                        QStringLiteral("Not enough free space. Cannot save ZRK data file."),
                        MsgIcon::Information, MsgButtons::Ok);
        return false;
    }
    if (DownloadBusy()) return false; // armed from elsewhere while the dialog was open
    g_strSaveFile = path;
    g_intIDNumber = idNumber;
    g_lngTrigOffset = trigOffset;
    SetDownloadOwner(owner);
    const int16_t before = g_intQueueWrite;
    SendRQDL(DownloadRequest{region, offset, count});
    if (g_intQueueWrite != before) return true;
    g_strSaveFile.clear(); // not queued (no connection, queue full)
    return false;
}
