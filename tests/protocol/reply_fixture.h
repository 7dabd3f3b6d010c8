// Drives reply handlers through the real command channel: the links count as open, commands go
// through their senders into the queue (nothing reaches a wire without a command link), replies
// go through DispatchReply, and messages, hooks and main-window calls are recorded.
#pragma once

#include "base/app_state.h"
#include "base/main_window_parts.h"
#include "base/shared_state.h"
#include "protocol/command_channel.h"
#include "protocol/command_set.h"
#include "protocol/main_control.h"
#include "protocol/reply_handlers.h"
#include "protocol/window_hooks.h"
#include "tests/support/qt_print.h"
#include "tests/support/scripted_ui.h"

#include <QStringList>
#include <QTemporaryDir>
#include <QTimer>
#include <gtest/gtest.h>
#include <memory>
#include <ostream>

// Records every hook call as a short text.
class RecordingHooks final : public WindowHooks {
public:
    QStringList calls;
    QDateTime dialogMoment;
    void ConsoleShowRecordMode(const RecordMode& m) override {
        calls << QStringLiteral("ShowRecordMode %1").arg(m.ImageSize);
    }
    void ConsoleSizePreviewArea(int32_t size) override {
        calls << QStringLiteral("SizePreviewArea %1").arg(size);
    }
    void ConsoleShowRegionCounts() override { calls << QStringLiteral("ShowRegionCounts"); }
    void ConsoleUpdateButtons() override { calls << QStringLiteral("UpdateButtons"); }
    void ConsoleClearPicture() override { calls << QStringLiteral("ClearPicture"); }
    void ConsoleShowGain(int32_t g) override { calls << QStringLiteral("ShowGain %1").arg(g); }
    void ConsoleShowAnalogGain(int32_t g) override { calls << QStringLiteral("ShowAnalogGain %1").arg(g); }
    void EndDownload() override { calls << QStringLiteral("EndDownload"); }
    void EndThumbNail() override { calls << QStringLiteral("EndThumbNail"); }
    void OpenDateTimeDialog(const QDateTime& moment) override {
        calls << QStringLiteral("OpenDateTimeDialog");
        dialogMoment = moment;
    }
};

class RecordingControl final : public MainControl {
public:
    QStringList calls;
    void SetMainControls(int state) override { calls << QStringLiteral("SetMainControls %1").arg(state); }
    void UntickConnect() override { calls << QStringLiteral("UntickConnect"); }
    void CloseTCPCom() override { calls << QStringLiteral("CloseTCPCom"); }
    void CloseingTCPCom() override { calls << QStringLiteral("CloseingTCPCom"); }
};

class ReplyTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        SetAppPath(dir.path()); // the settings file lands in a fresh folder
        ResetCameraSettings();
        ResetCommandChannel();
        g_blnLinkOpen = true;
        g_strConnectStage.clear();
        g_blnCollectLines = false;
        g_strReplyLines = QStringList{QString()};
        g_intReplyLineCount = 0;
        g_lngViewMode = 0;
        g_lngRunState = 0;
        g_lngDataState = 0;
        g_lngDataMode = 0;
        g_lngMemSize = 0;
        g_blnRecSetupOpen = false;
        g_blnTimeDialogPending = false;
        MainParts() = MainWindowParts{};
        InstallReplyHandlers();
        SetHooks(&hooks);
        SetMainControl(&control);
    }
    void TearDown() override {
        SetHooks(nullptr);
        SetMainControl(nullptr);
        SetReplyClock(nullptr);
        for (auto& handler : ReplyHandlers())
            handler = nullptr; // other suites in this program install their own
        MainParts() = MainWindowParts{};
        g_blnLinkOpen = false;
        ResetCommandChannel();
    }

    // Real timers for the main window's parts (not started).
    void UseTimers() {
        for (auto* slot : {&getState, &comTimeOut, &dataTimeOut}) {
            *slot = std::make_unique<QTimer>();
            (*slot)->setSingleShot(true);
            (*slot)->setInterval(60000);
        }
        MainParts().tmrGetState = getState.get();
        MainParts().tmrComTimeOut = comTimeOut.get();
        MainParts().tmrDataTimeOut = dataTimeOut.get();
    }

    // Texts of the commands waiting after the one in flight.
    QStringList Waiting() const {
        QStringList out;
        int16_t i = g_intQueueRead;
        if (g_blnCmdBusy) IncWrap(i, 0, kCmdQueueSlots - 1);
        for (; i != g_intQueueWrite; IncWrap(i, 0, kCmdQueueSlots - 1))
            out << g_CmdQueue[static_cast<std::size_t>(i)].Text;
        return out;
    }
    bool Idle() const { return !g_blnCmdBusy && g_lngCurCmd == 0 && g_intQueueRead == g_intQueueWrite; }
    QString InFlight() const {
        return g_blnCmdBusy ? g_CmdQueue[static_cast<std::size_t>(g_intQueueRead)].Text : QString();
    }
    QStringList Messages() const { return ui.MessageTexts(); }

    QTemporaryDir dir;
    ScriptedUi ui;
    RecordingHooks hooks;
    RecordingControl control;
    std::unique_ptr<QTimer> getState, comTimeOut, dataTimeOut;
};
