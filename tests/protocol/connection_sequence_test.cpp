// A whole connection against a scripted camera over real sockets: greeting, data link, second
// line, then the 17-command read-out leaving one command at a time.
#include "base/app_state.h"
#include "base/blocking_wait.h"
#include "base/shared_state.h"
#include "link/ctr.h"
#include "protocol/command_channel.h"
#include "protocol/command_ids.h"
#include "protocol/frm_main.h"
#include "protocol/main_supervisor.h"
#include "tests/protocol/scripted_peer.h"
#include "tests/support/scripted_ui.h"
#include "tests/support/wait.h"

#include <QCheckBox>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>

namespace {

const QStringList kReadOut = {"TIME", "VERS CODE", "VERS MAIN", "VERS FPGA", "STIP", "STGW",
                              "DRAM", "MODE",      "RMOD",      "GAIN",      "ANIG", "SMOD",
                              "GAMM", "WBPR /6",   "WBPR /7",   "WBPR",      "STAT"};

class Connection : public ::testing::Test {
protected:
    ScriptedUi ui;
    ScriptedPeer peer;
    frmMain* window = nullptr;
    MainSupervisor* sup = nullptr;
    QStringList routed;

    void SetUp() override {
        SetWaitScale(1);
        g_blnDebug = true;
        window = new frmMain;
        sup = new MainSupervisor(window);
        sup->ctrTCPCmd->setServerName(QStringLiteral("127.0.0.1"));
        sup->ctrTCPCmd->setServerPort(peer.command.serverPort());
        sup->ctrTCPCmd->SetServerData();
        sup->ctrTCPData->setServerName(QStringLiteral("127.0.0.1"));
        sup->ctrTCPData->setServerPort(peer.data.serverPort());
        sup->ctrTCPData->SetServerData();
        for (int id = 1; id <= CommandId::Last; ++id)
            ReplyHandlers()[id] = [this, id](const QString& line) {
                routed << QString::number(id) + u' ' + line;
                if (id != CommandId::RMOD_Get) FinishCommand();
            };
    }
    void TearDown() override {
        delete sup;
        delete window;
        for (auto& h : ReplyHandlers())
            h = nullptr;
        SetWaitScale(100);
        g_blnDebug = false;
    }
};

TEST_F(Connection, GreetingDataLinkSecondLineThenTheReadOutOneAtATime) {
    window->chkTCPConnect->setChecked(true);
    EXPECT_TRUE(ui.noticeOpen);
    EXPECT_EQ(ui.noticeText, QStringLiteral("Connecting to camera.\r\nWait..."));
    EXPECT_FALSE(window->chkTCPConnect->isEnabled());
    EXPECT_FALSE(window->cmdRec->isEnabled());

    ASSERT_TRUE(WaitUntil([&] { return peer.received.size() == kReadOut.size(); }, 10000));
    EXPECT_EQ(peer.received, kReadOut);
    EXPECT_EQ(peer.maxInFlight, 1); // never a second command before the first was answered
    ASSERT_TRUE(WaitUntil([&] { return routed.size() == kReadOut.size(); }, 5000)) << routed.size();
    EXPECT_TRUE(g_blnLinkOpen);
    EXPECT_TRUE(g_strConnectStage.isEmpty());
    EXPECT_EQ(routed.first(), QStringLiteral("30 200 OK"));
    EXPECT_EQ(routed.last(), QStringLiteral("24 200 OK"));

    // The trace shows both stages in order.
    const QString trace = ui.traces.join(u'\n');
    const auto at = [&](const char* s) { return trace.indexOf(QString::fromUtf8(s)); };
    EXPECT_GE(at("Try Open Cmd Port IP=127.0.0.1"), 0);
    EXPECT_LT(at("Conect Cmd Port"), at("<-200 ZRK-1 command port"));
    EXPECT_LT(at("<-200 ZRK-1 command port"), at("Try Open Data Port"));
    EXPECT_LT(at("Try Open Data Port"), at("Conect Data Port"));
    EXPECT_LT(at("<-200 ZRK-1 data port"), at("->TIME"));
}

TEST_F(Connection, RepliesSplitAcrossReadsAndTwoInOneRead) {
    peer.reply = [](const QString&) { return QByteArray(); }; // answer by hand
    window->chkTCPConnect->setChecked(true);
    ASSERT_TRUE(WaitUntil([&] { return peer.received.size() == 1; }, 10000)) << peer.received.size();
    peer.Reply("200 2026 12 ");
    QTest::qWait(50);
    EXPECT_TRUE(routed.isEmpty());
    peer.Reply("07 05 32 28\r\n");
    ASSERT_TRUE(WaitUntil([&] { return routed.size() == 1; }, 5000)) << routed.size();
    EXPECT_EQ(routed[0], QStringLiteral("30 200 2026 12 07 05 32 28"));
    ASSERT_TRUE(WaitUntil([&] { return peer.received.size() == 2; }, 5000)) << peer.received.size();
    // The camera answers ahead: both replies in one read are dispatched in order.
    peer.Reply("200 CODE 1 2\r\n200 MAIN 3\r\n");
    ASSERT_TRUE(WaitUntil([&] { return routed.size() == 3; }, 5000)) << routed.size();
    EXPECT_EQ(routed[1], QStringLiteral("32 200 CODE 1 2"));
    EXPECT_EQ(routed[2], QStringLiteral("33 200 MAIN 3"));
}

TEST_F(Connection, UntickingClosesBothLinksAndGreysConnectBriefly) {
    window->chkTCPConnect->setChecked(true);
    ASSERT_TRUE(WaitUntil([&] { return g_blnLinkOpen; }, 10000));
    window->chkTCPConnect->setChecked(false);
    EXPECT_FALSE(g_blnCmdOpen || g_blnDataOpen || g_blnLinkOpen);
    EXPECT_FALSE(window->chkTCPConnect->isEnabled());
    EXPECT_TRUE(window->cmdSetIP->isEnabled());
    EXPECT_TRUE(window->cmdPlay->isEnabled());
    EXPECT_FALSE(window->cmdRec->isEnabled());
    ASSERT_TRUE(WaitUntil([&] { return window->chkTCPConnect->isEnabled(); }, 3000));
    EXPECT_TRUE(ui.messages.isEmpty());
}

} // namespace
