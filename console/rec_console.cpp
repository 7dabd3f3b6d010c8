// The record console's opening, closing and buttons.
#include "base/open_windows.h"
#include "base/shared_state.h"
#include "base/ui_port.h"
#include "console/browser_link.h"
#include "console/console_message.h"
#include "console/console_rules.h"
#include "console/frm_rec.h"
#include "console/frm_set_rmod.h"
#include "console/live_image.h"
#include "console/setup_dialogs_link.h"
#include "protocol/command_channel.h"
#include "protocol/command_ids.h"
#include "protocol/command_set.h"
#include "protocol/main_targets.h"
#include "protocol/reply_handlers.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QLabel>
#include <QPushButton>
#include <QSignalBlocker>
#include <QTimer>

namespace {

// An LVST in flight or waiting in the queue: live output is about to start.
bool LiveStartQueued() {
    int16_t i = g_intQueueRead;
    if (g_blnCmdBusy && g_lngCurCmd == CommandId::LVST) return true;
    for (; i != g_intQueueWrite; IncWrap(i, 0, kCmdQueueSlots - 1))
        if (g_CmdQueue[static_cast<std::size_t>(i)].Id == CommandId::LVST) return true;
    return false;
}

void PreviewClicked(bool ticked) {
    if (ticked) {
        ResetLiveStop();
        SendMODE(1);
        return;
    }
    // Stop the stream whenever one runs or is on its way, whatever the last run state said, so
    // that no live bytes are left to arrive during a later download.
    if (g_lngRunState == 3 || g_lngDataMode == 1 || LiveStartQueued()) SendLVSP();
    SendMODE(0);
}

void ClearClicked() {
    ConsoleMessageScope scope;
    if (Ui().MessageBox(QStringLiteral("Image Data Clear"), QStringLiteral("Clear all image data?"),
                        MsgIcon::Information, MsgButtons::OkCancel) == MsgResult::Ok)
        SendRACL();
}

void RestoreClicked() {
    const QString backup = ReadEpromBackup();
    if (!backup.isEmpty()) {
        SendRSTR(backup);
        return;
    }
    ConsoleMessageScope scope;
    Ui().MessageBox(QStringLiteral("EPROM Data Load"), QStringLiteral("EPROM data not found in INI file."),
                    MsgIcon::Information, MsgButtons::Ok);
}

} // namespace

void frmRec::Connect() {
    connect(chkPreview, &QCheckBox::toggled, this, &PreviewClicked);
    connect(cmdSetRCST, &QPushButton::clicked, this, [this] {
        if (g_lngCamMode == 1) chkPreview->setChecked(false);
        SendRCST();
    });
    connect(cmdSetRCSP, &QPushButton::clicked, this, [] { SendRCSP(); });
    connect(cmdSetTRIG, &QPushButton::clicked, this, [] { SendTRIG(); });
    connect(cmdSetRACL, &QPushButton::clicked, this, &ClearClicked);
    connect(cmdDownload, &QPushButton::clicked, this, [this] {
        if (chkPreview->isChecked()) chkPreview->setChecked(false);
        // The browser makes itself the working window (view mode 2) and shows the console again
        // when it closes. In a build without it the console stays.
        if (OpenThumbnailBrowser()) hide();
    });
    connect(cmdPlay, &QPushButton::clicked, this, [] {
        if (Targets().openDataFile) Targets().openDataFile();
    });
    connect(cmdSetRMOD, &QPushButton::clicked, this, [this] {
        if (g_lngCamMode == 1) SendLVSP();
        setEnabled(false);
        ShowRecordSetup();
    });
    connect(cmdCamera, &QPushButton::clicked, this, [this] {
        if (!SetupDialogsBuilt()) return;
        setEnabled(false);
        OpenCameraDialog(this);
    });
    connect(cmdAnalogGain, &QPushButton::clicked, this, [this] {
        if (!SetupDialogsBuilt()) return;
        setEnabled(false);
        OpenAnalogInDialog(this);
    });
    connect(cmdBkup, &QPushButton::clicked, this, [] { SendBKUP(); });
    connect(cmdRstr, &QPushButton::clicked, this, &RestoreClicked);
    connect(tmrLiveHealth, &QTimer::timeout, this, [this] {
        lblLiveHealth->setText(m_health.Tick(g_lngDataMode == 1 && g_lngCamMode == 1, ReadLiveCounters()));
    });
}

void frmRec::Open() {
    if (g_blnDebug) {
        cmdBkup->show();
        cmdRstr->show();
        cmdPlay->show();
    }
    g_blnRecSetupOpen = false;
    ResetLiveStop();
    setWindowTitle(ConsoleCaption(g_bytCamIP));
    ShowAnalogGain(g_lngAnalogGain);
    ShowRecordMode(g_RecMode);
    SizePreviewArea(g_RecMode.ImageSize);
    ShowGain(g_lngGain);
    ShowRegionCounts();
    UpdateConsoleButtons();
    tmrLiveHealth->start();
    // Ticking runs the click handling: "MODE LIVE", whose reply starts the live output.
    if (g_lngCamMode == 1) chkPreview->setChecked(true);
}

void frmRec::UntickPreviewQuietly() {
    const QSignalBlocker block(chkPreview);
    chkPreview->setChecked(false);
}

void frmRec::closeEvent(QCloseEvent* event) {
    Closing();
    event->accept();
}

void frmRec::Closing() {
    if (m_closed) return;
    m_closed = true;
    tmrLiveHealth->stop();
    if (g_lngCamMode == 1) SendLVSP();
    // The record settings dialog goes without restarting the live output stopped above.
    if (frmSetRmod* dialog = RecordSetupWindow()) dialog->CloseQuietly();
    CloseThumbnailBrowserWindow();
    Ui().CloseNotice();
    // The camera settings and analog input dialogs are owned by the console.
    for (QWidget* child : findChildren<QWidget*>())
        if (child->isWindow()) child->close();
    if (Windows().frmRec == this) Windows().frmRec = nullptr;
    g_lngViewMode = 0;
    if (Windows().frmMain) Windows().frmMain->show();
}
