// The main window against the stand-in camera: the whole connection with the real reply
// handlers, a dropped link coming back by itself, a camera that goes away and a withheld reply.
#include "base/app_state.h"
#include "base/blocking_wait.h"
#include "base/shared_state.h"
#include "link/ctr.h"
#include "protocol/command_channel.h"
#include "protocol/command_set.h"
#include "protocol/frm_main.h"
#include "protocol/main_supervisor.h"
#include "protocol/reply_handlers.h"
#include "tests/support/camera_program.h"
#include "tests/support/scripted_ui.h"
#include "tests/support/wait.h"

#include <QCheckBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

namespace {

class AgainstCamera : public ProgramAgainstCamera {
protected:
    AgainstCamera() : ProgramAgainstCamera({.previewBuffers = false, .thumbnailBuffer = false}) {}
    int Count(const QString& needle) const { return ui.traces.filter(needle).size(); }
};

TEST_F(AgainstCamera, ConnectRunsBothStagesAndTheReadOut) {
    StartCamera();
    window->chkTCPConnect->setChecked(true);
    EXPECT_TRUE(ui.noticeOpen);
    ASSERT_TRUE(WaitUntil([&] { return Connected(); }, 15000));
    for (const char* cmd :
         {"->TIME", "->VERS CODE", "->VERS MAIN", "->VERS FPGA", "->STIP", "->STGW", "->DRAM", "->MODE",
          "->RMOD", "->GAIN", "->ANIG", "->SMOD", "->GAMM", "->WBPR /6", "->WBPR /7", "->STAT", "->NPIC"})
        EXPECT_GE(Count(QString::fromLatin1(cmd)), 1) << cmd;
    EXPECT_TRUE(ui.messages.isEmpty()) << ui.MessageTexts().join(u'|').toStdString();
    EXPECT_TRUE(window->chkTCPConnect->isEnabled());
    EXPECT_EQ(g_lngCamMode, 0);
    EXPECT_EQ(g_intVersion[2], 3); // the stand-in's "VERS MAIN" answer
}

TEST_F(AgainstCamera, ADroppedCommandLinkComesBackSilently) {
    // The camera drops each command connection after 25 commands: the read-out (18) stays below that.
    StartCamera({"--fault", "close-command:commands=25"});
    window->chkTCPConnect->setChecked(true);
    ASSERT_TRUE(WaitUntil([&] { return Connected(); }, 15000));
    for (int i = 0; i < 5; ++i)
        RequestSTAT(); // each STAT brings an NPIC: past 25, the link drops
    ASSERT_TRUE(WaitUntil([&] { return Count(QStringLiteral("Conect Cmd Port")) == 2; }, 15000));
    ASSERT_TRUE(WaitUntil([&] { return Connected() && Count(QStringLiteral("->VERS FPGA")) == 2; }, 15000));
    ASSERT_TRUE(WaitUntil([&] { return Count(QStringLiteral("->NPIC")) >= 2; }, 15000));
    EXPECT_TRUE(ui.messages.isEmpty()) << ui.MessageTexts().join(u'|').toStdString();
    EXPECT_TRUE(window->chkTCPConnect->isChecked());
    EXPECT_EQ(Count(QStringLiteral("Close Cmd Port")), 1);
}

TEST_F(AgainstCamera, LiveOutputCutByASilentReconnectLeavesNoDataTimeOut) {
    sup->tmrDataTimeOut->setInterval(400);
    // The camera drops the command connection right after answering LVST (18 read-out commands,
    // MODE and LVST): the live output was running and its data time-out armed.
    StartCamera({"--fault", "close-command:commands=20"});
    window->chkTCPConnect->setChecked(true);
    ASSERT_TRUE(WaitUntil([&] { return Connected(); }, 15000));
    SendMODE(1);
    SendLVST();
    ASSERT_TRUE(WaitUntil([&] { return Count(QStringLiteral("Conect Cmd Port")) == 2; }, 15000));
    ASSERT_TRUE(WaitUntil([&] { return Connected() && Count(QStringLiteral("->VERS FPGA")) == 2; }, 15000));
    QTest::qWait(1000); // well past the data time-out
    EXPECT_TRUE(ui.messages.isEmpty()) << ui.MessageTexts().join(u'|').toStdString();
    EXPECT_FALSE(sup->tmrDataTimeOut->isActive());
    EXPECT_EQ(g_lngDataMode, 0);
    EXPECT_TRUE(window->chkTCPConnect->isChecked());
}

TEST_F(AgainstCamera, ACameraThatStaysAwayIsReported) {
    StartCamera();
    window->chkTCPConnect->setChecked(true);
    ASSERT_TRUE(WaitUntil([&] { return Connected(); }, 15000));
    camera.Stop();
    ASSERT_TRUE(WaitUntil([&] { return ui.messages.size() == 1; }, 15000)) << ui.messages.size();
    EXPECT_EQ(ui.messages[0].text, QStringLiteral("Camera connection lost. Cannot communicate."));
    EXPECT_FALSE(window->chkTCPConnect->isChecked());
    EXPECT_FALSE(g_blnCmdOpen || g_blnDataOpen);
}

TEST_F(AgainstCamera, AWithheldReplyTimesOutAndDisconnects) {
    sup->tmrComTimeOut->setInterval(500);
    StartCamera({"--fault", "withhold:GAMM"});
    window->chkTCPConnect->setChecked(true);
    ASSERT_TRUE(WaitUntil([&] { return ui.messages.size() == 1; }, 15000)) << ui.messages.size();
    EXPECT_EQ(ui.messages[0].text, QStringLiteral("Time out control command port\r\nCommunication end."));
    EXPECT_FALSE(window->chkTCPConnect->isChecked());
    EXPECT_FALSE(ui.noticeOpen);
    EXPECT_FALSE(g_blnCmdOpen || g_blnDataOpen);
}

} // namespace
