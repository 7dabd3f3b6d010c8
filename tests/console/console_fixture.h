// The record console's tests: the real command channel with the links counted as open (commands
// wait in the queue, nothing reaches a wire), the real reply handlers and the program's window
// forwarding, a scripted operator, and a console opened as the main window's "Record" opens it.
#pragma once

#include "base/app_state.h"
#include "base/frame_buffers.h"
#include "base/main_window_parts.h"
#include "base/shared_state.h"
#include "console/console_install.h"
#include "console/frm_rec.h"
#include "console/live_image.h"
#include "program/window_forwarder.h"
#include "protocol/command_channel.h"
#include "protocol/main_control.h"
#include "protocol/main_targets.h"
#include "protocol/reply_handlers.h"
#include "tests/support/qt_print.h"
#include "tests/support/scripted_ui.h"

#include <QCoreApplication>
#include <QEvent>
#include <QStringList>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <ostream>

// A record mode: rate and shutter land in the high- or low-speed fields as speed says.
inline RecordMode Mode(int32_t speed, int32_t rate, int32_t size, int32_t shutter, int32_t partition,
                       int32_t trig, int32_t post = 0) {
    RecordMode m;
    m.SpeedMode = speed;
    (speed == 0 ? m.RateHigh : m.RateLow) = rate;
    m.ImageSize = size;
    (speed == 0 ? m.ShutterHigh : m.ShutterLow) = shutter;
    m.Partition = partition;
    m.TrigMode = trig;
    m.PostCount = post;
    return m;
}

// Records what the console asks of the main window.
class ConsoleMainControl final : public MainControl {
public:
    QStringList calls;
    void SetMainControls(int state) override { calls << QStringLiteral("SetMainControls %1").arg(state); }
    void UntickConnect() override { calls << QStringLiteral("UntickConnect"); }
    void CloseTCPCom() override {
        calls << QStringLiteral("CloseTCPCom");
        if (Targets().closeRecordConsole) Targets().closeRecordConsole();
    }
    void CloseingTCPCom() override {
        calls << QStringLiteral("CloseingTCPCom");
        CloseTCPCom();
    }
};

class ConsoleTest : public ::testing::Test {
protected:
    QTemporaryDir dir;
    ScriptedUi ui;
    ConsoleMainControl control;

    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        SetAppPath(dir.path());
        ResetCameraSettings();
        ResetCommandChannel();
        g_blnLinkOpen = true;
        g_lngViewMode = 0;
        g_lngRunState = 0;
        g_lngDataState = 0;
        g_lngDataMode = 0;
        g_lngCamMode = 0;
        g_lngMemSize = 0;
        g_blnRecSetupOpen = false;
        g_blnMsgBoxOpen = false;
        g_blnLostDuringMsgBox = false;
        g_blnDebug = false;
        g_bytCamIP = {192, 168, 0, 2};
        MainParts() = MainWindowParts{};
        InstallReplyHandlers();
        InstallWindowForwarding();
        SetMainControl(&control);
        ASSERT_TRUE(AllocPreviewBuffers());
        g_intRecvBuf = g_intShowBuf = 0;
        g_PreviewBuf[0].inUse = g_PreviewBuf[1].inUse = 0;
    }
    void TearDown() override {
        if (Targets().closeRecordConsole) Targets().closeRecordConsole();
        Flush();
        SetLiveDrawFunction(nullptr);
        RemoveWindowForwarding();
        SetMainControl(nullptr);
        for (auto& handler : ReplyHandlers())
            handler = nullptr;
        FreePreviewBuffers();
        g_blnLinkOpen = false;
        g_lngViewMode = 0;
        ResetCommandChannel();
    }

    // Opens the console as the main window's "Record" does.
    frmRec* OpenConsole() {
        g_lngViewMode = 1;
        Targets().showRecordConsole();
        return RecordConsole();
    }
    // Runs deferred deletions (closed windows).
    static void Flush() {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QCoreApplication::processEvents();
    }
    // Every queued command, the one in flight first.
    static QStringList Queued() {
        QStringList out;
        for (int16_t i = g_intQueueRead; i != g_intQueueWrite; IncWrap(i, 0, kCmdQueueSlots - 1))
            out << g_CmdQueue[static_cast<std::size_t>(i)].Text;
        return out;
    }
    // Answers the command in flight with line (through the real handler).
    static void Reply(const QString& line) { DispatchReply(line); }
    // Forgets what was queued so far.
    static void ClearQueue() { ResetCommandChannel(); }
};
