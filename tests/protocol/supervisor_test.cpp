// The main window's supervision: lost and refused links, the one reconnect, the time-outs,
// the button states, the network dialogs and the navigation keys.
#include "base/app_state.h"
#include "base/blocking_wait.h"
#include "base/settings.h"
#include "base/shared_state.h"
#include "link/ctr.h"
#include "protocol/command_channel.h"
#include "protocol/command_ids.h"
#include "protocol/frm_main.h"
#include "protocol/hot_keys.h"
#include "protocol/main_control.h"
#include "protocol/main_supervisor.h"
#include "protocol/main_targets.h"
#include "protocol/network_setup.h"
#include "tests/protocol/scripted_peer.h"
#include "tests/support/camera_program.h"
#include "tests/support/scripted_ui.h"
#include "tests/support/wait.h"

#include <QCheckBox>
#include <QFile>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

namespace {

const QString kLost = QStringLiteral("Camera connection lost. Cannot communicate.");

class Supervision : public ::testing::Test {
protected:
    QTemporaryDir dir;
    ScriptedUi ui;
    std::unique_ptr<ScriptedPeer> peer = std::make_unique<ScriptedPeer>();
    frmMain* window = nullptr;
    MainSupervisor* sup = nullptr;

    void SetUp() override {
        SetAppPath(dir.path());
        SetWaitScale(1);
        window = new frmMain;
        sup = new MainSupervisor(window);
        Aim(peer->command.serverPort(), peer->data.serverPort());
        for (int id = 1; id <= CommandId::Last; ++id)
            ReplyHandlers()[id] = [id](const QString&) {
                if (id != CommandId::RMOD_Get) FinishCommand();
            };
        g_lngViewMode = 0;
    }
    void TearDown() override { DropMainWindow(sup, window); }
    void Aim(int commandPort, int dataPort) { PointLinksAt(*sup, commandPort, dataPort); }
    void ConnectAndWait() {
        window->chkTCPConnect->setChecked(true);
        ASSERT_TRUE(WaitUntil([&] { return g_blnLinkOpen && peer->received.size() == 17; }, 10000));
        g_lngDataState = g_lngRunState = 0;
        sup->SetMainControls(1); // what the read-out's last reply does
    }
};

TEST_F(Supervision, ARefusedCameraIsReportedAndLeavesTheProgramDisconnected) {
    const int port = peer->command.serverPort();
    peer.reset(); // nothing listens there any more
    Aim(port, port);
    window->chkTCPConnect->setChecked(true);
    ASSERT_TRUE(WaitUntil([&] { return ui.messages.size() == 1; }, 5000)) << ui.messages.size();
    EXPECT_EQ(ui.messages[0].title, QStringLiteral("TCP/IP COM"));
    EXPECT_EQ(ui.messages[0].text, kLost);
    EXPECT_FALSE(window->chkTCPConnect->isChecked());
    EXPECT_FALSE(ui.noticeOpen);
    EXPECT_FALSE(g_blnCmdOpen || g_blnLinkOpen);
    EXPECT_TRUE(window->cmdSetIP->isEnabled());
}

TEST_F(Supervision, ADroppedWorkingLinkReconnectsOnceSilently) {
    ConnectAndWait();
    peer->received.clear();
    peer->cmd->abort();
    ASSERT_TRUE(WaitUntil([&] { return peer->received.size() == 17; }, 10000)); // the read-out again
    EXPECT_TRUE(ui.messages.isEmpty());
    EXPECT_TRUE(window->chkTCPConnect->isChecked());
    EXPECT_TRUE(g_blnLinkOpen);
}

TEST_F(Supervision, AReconnectThatFailsEndsInTheLostMessage) {
    ConnectAndWait();
    peer->command.close(); // the camera goes away for good
    peer->cmd->abort();
    ASSERT_TRUE(WaitUntil([&] { return ui.messages.size() == 1; }, 10000)) << ui.messages.size();
    EXPECT_EQ(ui.messages[0].text, kLost);
    EXPECT_FALSE(window->chkTCPConnect->isChecked());
    EXPECT_FALSE(g_blnCmdOpen || g_blnDataOpen);
}

// The camera takes the silent reconnect and drops it before the connection completes: the program
// gives up. Nothing of the connection may fire after that, under the message or under a question
// the operator has open; the one message is the loss, once the question is answered.
TEST_F(Supervision, AReconnectGivenUpLeavesNoTimerRunning) {
    for (bool questionOpen : {false, true}) {
        SCOPED_TRACE(questionOpen ? "under a question" : "no question");
        ConnectAndWait();
        sup->tmrComTimeOut->setInterval(200);
        ui.Clear();
        peer->greeting.clear(); // the reconnect is taken but never greeted...
        QObject::connect(&peer->command, &QTcpServer::newConnection, peer.get(),
                         [this] { QTimer::singleShot(50, peer->cmd, [this] { peer->cmd->abort(); }); });
        ui.whileShown = [](const ShownMessage&) { QTest::qWait(500); }; // left unanswered a while
        g_blnMsgBoxOpen = questionOpen;
        peer->cmd->abort();
        ASSERT_TRUE(WaitUntil([&] { return !ui.messages.isEmpty() || g_blnLostDuringMsgBox; }, 10000));
        QTest::qWait(500); // twice the command time-out
        if (questionOpen) {
            EXPECT_TRUE(ui.messages.isEmpty()); // nothing lands on the question
            g_blnMsgBoxOpen = false;            // the question is answered
            ASSERT_TRUE(g_blnLostDuringMsgBox);
            g_blnLostDuringMsgBox = false;
            CloseingTCPCom();
        }
        EXPECT_EQ(ui.MessageTexts(), QStringList{kLost});
        EXPECT_FALSE(sup->tmrComTimeOut->isActive() || sup->tmrDataTimeOut->isActive() ||
                     sup->tmrGetState->isActive());
        EXPECT_FALSE(window->chkTCPConnect->isChecked());
        peer = std::make_unique<ScriptedPeer>();
        Aim(peer->command.serverPort(), peer->data.serverPort());
        ASSERT_TRUE(WaitUntil([&] { return window->chkTCPConnect->isEnabled(); }, 5000));
    }
}

TEST_F(Supervision, AWithheldReplyEndsInTheCommandTimeOut) {
    sup->tmrComTimeOut->setInterval(300);
    peer->reply = [](const QString& line) {
        return line == QLatin1String("DRAM") ? QByteArray() : QByteArray("200 OK\r\n");
    };
    window->chkTCPConnect->setChecked(true);
    ASSERT_TRUE(WaitUntil([&] { return ui.messages.size() == 1; }, 10000)) << ui.messages.size();
    EXPECT_EQ(ui.messages[0].text, QStringLiteral("Time out control command port\r\nCommunication end."));
    EXPECT_EQ(peer->received.last(), QStringLiteral("DRAM"));
    EXPECT_FALSE(window->chkTCPConnect->isChecked());
    EXPECT_FALSE(g_blnCmdOpen || g_blnDataOpen);
    EXPECT_FALSE(g_blnMsgBoxOpen);
}

TEST_F(Supervision, ALinkLostUnderTheTimeOutMessageGetsNoSecondMessage) {
    ConnectAndWait();
    sup->tmrDataTimeOut->setInterval(50);
    ui.whileShown = [this](const ShownMessage&) {
        peer->command.close();
        peer->cmd->abort();
        QTest::qWait(200); // the drop and the failed reconnect happen under the message
    };
    sup->tmrDataTimeOut->start();
    ASSERT_TRUE(WaitUntil([&] { return !window->chkTCPConnect->isChecked(); }, 10000));
    QTest::qWait(100);
    ASSERT_EQ(ui.messages.size(), 1);
    EXPECT_EQ(ui.messages[0].text, QStringLiteral("Time out image data port\r\nCommunication end."));
    EXPECT_FALSE(g_blnLostDuringMsgBox);
}

TEST_F(Supervision, ButtonStatesFollowTheConnectionAndTheCamera) {
    auto enabled = [this] {
        QString s;
        for (QWidget* w : std::initializer_list<QWidget*>{
                 window->chkTCPConnect, window->cmdSetIP, window->cmdPlay, window->cmdRec, window->cmdSetTcp,
                 window->cmdTime, window->cmdSyncMode, window->cmdVersion})
            s += w->isEnabled() ? u'1' : u'0';
        return s;
    };
    sup->SetMainControls(0);
    EXPECT_EQ(enabled(), QStringLiteral("00000000"));
    g_lngDataState = 0;
    sup->SetMainControls(1);
    EXPECT_EQ(enabled(), QStringLiteral("10111111"));
    g_lngDataState = 1;
    g_lngRunState = 1;
    sup->SetMainControls(1);
    EXPECT_EQ(enabled(), QStringLiteral("10110000"));
    g_lngRunState = 0;
    sup->SetMainControls(1);
    EXPECT_EQ(enabled(), QStringLiteral("10110011"));
    g_lngRunState = 3; // left as they were
    window->cmdVersion->setEnabled(false);
    sup->SetMainControls(1);
    EXPECT_EQ(enabled(), QStringLiteral("10110010"));
    sup->SetMainControls(2); // "Connect" is left as it was
    EXPECT_EQ(enabled(), QStringLiteral("11100000"));
    g_lngDataState = 0;
    g_lngRunState = 0;
}

struct FakeNetwork : NetworkSetup {
    int result = 0;
    Address address{}, gateway{};
    uint8_t mask = 0;
    int NetboxSetupDlg(const Address&, Address& out) override {
        out = address;
        return result;
    }
    int TcpIpSetupDlg(const Address&, uint8_t, const Address&, Address& a, uint8_t& m, Address& g) override {
        a = address;
        m = mask;
        g = gateway;
        return result;
    }
};

TEST_F(Supervision, ChangeIpRetargetsBothLinksAndSavesOnlyWhenConfirmed) {
    FakeNetwork net;
    SetNetworkSetup(&net);
    net.address = {10, 1, 2, 3};
    net.result = 0;
    window->cmdSetIP->click();
    EXPECT_FALSE(QFile::exists(ComputeIniFile()));
    net.result = 1;
    window->cmdSetIP->click();
    EXPECT_EQ(ReadIniString(QStringLiteral("TCP"), QStringLiteral("ClientIP"), QString()),
              QStringLiteral("10.1.2.3"));
    EXPECT_EQ(sup->ctrTCPCmd->ServerName(), QStringLiteral("10.1.2.3"));
    EXPECT_EQ(sup->ctrTCPData->ServerName(), QStringLiteral("10.1.2.3"));
    EXPECT_EQ(window->windowTitle(), QStringLiteral("ZRK1 - 10.1.2.3"));
    SetNetworkSetup(nullptr);
}

TEST_F(Supervision, TcpIpSendsWhatTheDialogAnswered) {
    ConnectAndWait();
    FakeNetwork net;
    SetNetworkSetup(&net);
    net.address = {192, 168, 1, 20};
    net.mask = 16;
    net.gateway = {192, 168, 1, 1};
    peer->received.clear();
    for (int result : {1, 2, 3, 0}) {
        net.result = result;
        window->cmdSetTcp->click();
    }
    ASSERT_TRUE(WaitUntil([&] { return peer->received.size() == 4; }, 5000)) << peer->received.size();
    EXPECT_EQ(peer->received, (QStringList{"STIP 192.168.1.20/16", "STGW 192.168.1.1", "STGW 192.168.1.1",
                                           "STIP 192.168.1.20/16"}));
    EXPECT_EQ(g_bytCamMaskBitsNew, 16);
    SetNetworkSetup(nullptr);
}

TEST_F(Supervision, PlayDisconnectsFirst) {
    ConnectAndWait();
    bool linkWasOpen = true;
    Targets().openDataFile = [&] {
        linkWasOpen = g_blnCmdOpen || g_blnDataOpen;
        return false; // no file chosen
    };
    window->cmdPlay->click();
    EXPECT_FALSE(linkWasOpen);
    EXPECT_FALSE(window->chkTCPConnect->isChecked());
    EXPECT_EQ(g_lngViewMode, 0);
}

TEST_F(Supervision, NavigationKeysGoOnlyToThePlayerOrThePreview) {
    QList<int> player, preview;
    SetPlayerHotKeyHandler([&](int id) { player << id; });
    SetPreviewHotKeyHandler([&](int id) { preview << id; });
    window->show();
    QLineEdit edit(window);
    edit.show();
    edit.setFocus();
    g_lngViewMode = 3;
    QTest::keyClick(&edit, Qt::Key_PageUp);
    QTest::keyClick(&edit, Qt::Key_Down);
    g_lngViewMode = 4;
    QTest::keyClick(&edit, Qt::Key_Home);
    EXPECT_EQ(edit.text(), QString()); // taken from the focus widget
    g_lngViewMode = 1;                 // record console open: the keys are the focus widget's own
    QTest::keyClicks(&edit, QStringLiteral("bc"));
    QTest::keyClick(&edit, Qt::Key_Home);
    QTest::keyClick(&edit, Qt::Key_A);
    QTest::keyClick(&edit, Qt::Key_End);
    QTest::keyClick(&edit, Qt::Key_Left, Qt::ShiftModifier);
    QTest::keyClick(&edit, Qt::Key_D);
    EXPECT_EQ(player, (QList<int>{0, 7}));
    EXPECT_EQ(preview, QList<int>{2});
    EXPECT_EQ(edit.text(), QStringLiteral("abd"));
    SetPlayerHotKeyHandler(nullptr);
    SetPreviewHotKeyHandler(nullptr);
}

} // namespace
