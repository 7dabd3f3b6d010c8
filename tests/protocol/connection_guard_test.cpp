// The connection never hangs: every way a camera can stall or drop the connection ends once, in
// the stated message and the disconnected window; recovered connections carry nothing of the
// lost one; replies that cannot be trusted never shift the command order.
#include "base/app_state.h"
#include "base/blocking_wait.h"
#include "base/settings.h"
#include "base/shared_state.h"
#include "link/ctr.h"
#include "protocol/command_channel.h"
#include "protocol/command_ids.h"
#include "protocol/frm_main.h"
#include "protocol/hot_keys.h"
#include "protocol/main_supervisor.h"
#include "protocol/main_targets.h"
#include "protocol/network_setup.h"
#include "protocol/reply_handlers.h"
#include "tests/protocol/scripted_peer.h"
#include "tests/support/camera_program.h"
#include "tests/support/scripted_ui.h"
#include "tests/support/wait.h"

#include <QApplication>
#include <QCheckBox>
#include <QPushButton>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <functional>
#include <gtest/gtest.h>

namespace {

const QString kLost = QStringLiteral("Camera connection lost. Cannot communicate.");
const QString kCmdTimeOut = QStringLiteral("Time out control command port\r\nCommunication end.");
constexpr int kShortMs = 300; // both time-outs, from the settings file

class Guard : public ::testing::Test {
public: // the case tables below set the camera up through the fixture
    QTemporaryDir dir;
    ScriptedUi ui;
    std::unique_ptr<ScriptedPeer> peer = std::make_unique<ScriptedPeer>();
    frmMain* window = nullptr;
    MainSupervisor* sup = nullptr;
    QStringList routed; // "<id> <line>" for every reply a handler got
    int aborts = 0;     // transfer aborts the supervisor asked for
    int commandConnections = 0;

    void SetUp() override {
        SetAppPath(dir.path());
        SetWaitScale(1);
        g_blnDebug = false;
        window = new frmMain;
        sup = new MainSupervisor(window);
        WriteIniString("TIMEOUT", "Command", QString::number(kShortMs));
        WriteIniString("TIMEOUT", "Data", QString::number(kShortMs));
        LoadSettings();
        g_blnDebug = true;
        sup->tmrTCPClose->setInterval(100); // "Connect" greyed briefly, the cases follow quickly
        Aim(peer->command.serverPort(), peer->data.serverPort());
        for (int id = 1; id <= CommandId::Last; ++id)
            ReplyHandlers()[id] = [this, id](const QString& line) {
                routed << QString::number(id) + u' ' + line;
                if (id != CommandId::RMOD_Get) FinishCommand();
            };
        Targets().abortTransfer = [this] {
            ++aborts;
            g_lngDataMode = 0;
        };
        QObject::connect(&peer->command, &QTcpServer::newConnection, [this] { ++commandConnections; });
        g_lngViewMode = 0;
    }
    void TearDown() override {
        DropMainWindow(sup, window);
        g_blnDebug = false;
        g_lngDataMode = 0;
    }
    void Aim(int commandPort, int dataPort) { PointLinksAt(*sup, commandPort, dataPort); }
    bool ReadOutSent() const { return peer->received.size() >= 17 && peer->received[16] == "STAT"; }
    void ConnectAndWait() {
        window->chkTCPConnect->setChecked(true);
        ASSERT_TRUE(WaitUntil([&] { return g_blnLinkOpen && ReadOutSent() && !ui.noticeOpen; }, 5000))
            << ui.MessageTexts().join(u'|').toStdString();
    }
    // The connection was given up once, with text, and nothing of it is left running.
    void ExpectEndedOnceWith(const QString& text) {
        ASSERT_TRUE(WaitUntil([&] { return !ui.messages.isEmpty(); }, 5000));
        QTest::qWait(2 * kShortMs); // nothing more comes after it
        ASSERT_EQ(ui.messages.size(), 1) << ui.MessageTexts().join(u'|').toStdString();
        EXPECT_EQ(ui.messages[0].title, QStringLiteral("TCP/IP COM"));
        EXPECT_EQ(ui.messages[0].text, text);
        EXPECT_FALSE(window->chkTCPConnect->isChecked());
        EXPECT_FALSE(ui.noticeOpen);
        EXPECT_FALSE(g_blnCmdOpen || g_blnDataOpen || g_blnLinkOpen);
        EXPECT_FALSE(sup->tmrComTimeOut->isActive() || sup->tmrDataTimeOut->isActive());
        EXPECT_TRUE(WaitUntil([&] { return window->chkTCPConnect->isEnabled(); }, 3000));
    }
};

TEST_F(Guard, AConnectionThatNeverCompletesEndsOnceInTheStatedMessage) {
    struct Case {
        const char* name;
        std::function<void(Guard&)> camera;
        QString text;
        int connections;                                 // command connections the program made
        std::function<void(Guard&)> connected = nullptr; // runs once "Connect" is ticked
    };
    const std::vector<Case> cases = {
        {"never greets", [](Guard& g) { g.peer->greeting.clear(); }, kCmdTimeOut, 1},
        {"never sends its second line", [](Guard& g) { g.peer->dataGreeting.clear(); }, kCmdTimeOut, 1},
        {"refuses the data link",
         [](Guard& g) {
             const int port = g.peer->data.serverPort();
             g.peer->data.close();
             g.Aim(g.peer->command.serverPort(), port);
         },
         kCmdTimeOut, 1},
        {"drops the link before its first line",
         [](Guard& g) {
             g.peer->greeting.clear();
             QObject::connect(&g.peer->command, &QTcpServer::newConnection, g.peer.get(), [&g] {
                 if (g.peer->cmd) g.peer->cmd->abort();
             });
         },
         kLost, 2}, // the one silent reconnect, then the message
        {"drops a finished connection, takes the reconnect and never speaks", [](Guard&) {}, kCmdTimeOut, 2,
         [](Guard& g) {
             g.ConnectAndWait();
             ASSERT_TRUE(WaitUntil([&] { return !g.sup->tmrComTimeOut->isActive(); }, 3000)); // read out
             g.peer->greeting.clear();
             g.peer->cmd->abort();
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ui.Clear();
        peer = std::make_unique<ScriptedPeer>();
        commandConnections = 0;
        QObject::connect(&peer->command, &QTcpServer::newConnection, [this] { ++commandConnections; });
        Aim(peer->command.serverPort(), peer->data.serverPort());
        c.camera(*this);
        window->chkTCPConnect->setChecked(true);
        if (c.connected) c.connected(*this);
        ExpectEndedOnceWith(c.text);
        EXPECT_EQ(commandConnections, c.connections);
    }
}

TEST_F(Guard, UntickingWhileOnlyTheCommandLinkIsUpEndsQuietly) {
    peer->greeting.clear();
    window->chkTCPConnect->setChecked(true);
    ASSERT_TRUE(WaitUntil([&] { return g_blnCmdOpen && peer->cmd; }, 3000));
    window->chkTCPConnect->setChecked(false);
    EXPECT_FALSE(g_blnCmdOpen);
    EXPECT_FALSE(window->chkTCPConnect->isEnabled());
    ASSERT_TRUE(WaitUntil([&] { return peer->cmd->state() != QAbstractSocket::ConnectedState; }, 3000));
    QTest::qWait(2 * kShortMs); // the connecting time-out died with the connection
    EXPECT_TRUE(ui.messages.isEmpty());
    EXPECT_TRUE(window->chkTCPConnect->isEnabled());
    EXPECT_FALSE(window->chkTCPConnect->isChecked());
}

TEST_F(Guard, FailedLastQueriesOfTheReadOutStillReachTheConnectedState) {
    InstallReplyHandlers();
    struct Case {
        const char* command;
        QString title;
    };
    for (const Case& c : {Case{"STAT", "Camera Status"}, Case{"NPIC", "Recored Frame Count Information"}}) {
        SCOPED_TRACE(c.command);
        ui.Clear();
        peer->reply = [&c](const QString& line) -> QByteArray {
            if (line == QLatin1String(c.command)) return "500 Busy\r\n";
            if (line == QLatin1String("STAT")) return "211 Idle\r\n";
            return "200 0\r\n";
        };
        window->chkTCPConnect->setChecked(true);
        ASSERT_TRUE(WaitUntil([&] { return window->cmdRec->isEnabled() && !ui.noticeOpen; }, 5000));
        EXPECT_TRUE(window->chkTCPConnect->isEnabled());
        ASSERT_FALSE(ui.messages.isEmpty());
        EXPECT_EQ(ui.messages.last().title, c.title);
        EXPECT_EQ(ui.messages.last().text, QStringLiteral("Recived command invalid."));
        window->chkTCPConnect->setChecked(false);
        ASSERT_TRUE(WaitUntil([&] { return window->chkTCPConnect->isEnabled(); }, 3000));
    }
}

TEST_F(Guard, ARecoveredConnectionCarriesNoTransferOfTheLostOne) {
    for (int dataMode : {1, 2}) { // live output, a download
        SCOPED_TRACE(dataMode);
        peer->received.clear();
        ConnectAndWait();
        g_lngDataMode = dataMode;
        sup->tmrDataTimeOut->start();
        aborts = 0;
        peer->received.clear();
        peer->cmd->abort();
        ASSERT_TRUE(WaitUntil([&] { return ReadOutSent() && g_blnLinkOpen; }, 5000));
        QTest::qWait(2 * kShortMs); // past the data time-out
        EXPECT_TRUE(ui.messages.isEmpty()) << ui.MessageTexts().join(u'|').toStdString();
        EXPECT_FALSE(sup->tmrDataTimeOut->isActive());
        EXPECT_EQ(g_lngDataMode, 0);
        EXPECT_GE(aborts, 2); // at the drop and when the new connection completed
        EXPECT_TRUE(window->chkTCPConnect->isChecked());
        window->chkTCPConnect->setChecked(false);
        ASSERT_TRUE(WaitUntil([&] { return window->chkTCPConnect->isEnabled(); }, 3000));
    }
}

TEST_F(Guard, EverySuccessfulReconnectArmsOneMore) {
    ConnectAndWait();
    for (int drop = 0; drop < 3; ++drop) {
        peer->received.clear();
        peer->cmd->abort();
        ASSERT_TRUE(WaitUntil([&] { return ReadOutSent() && g_blnLinkOpen && !ui.noticeOpen; }, 5000))
            << drop;
    }
    EXPECT_TRUE(ui.messages.isEmpty());
    EXPECT_EQ(commandConnections, 4);
}

TEST_F(Guard, TheStatePollSendsStat) {
    ConnectAndWait();
    peer->received.clear();
    sup->tmrGetState->setInterval(20);
    sup->tmrGetState->start();
    ASSERT_TRUE(WaitUntil([&] { return peer->received.contains("STAT"); }, 3000));
    EXPECT_FALSE(sup->tmrGetState->isActive()); // one-shot: the STAT reply decides whether to poll on
}

TEST_F(Guard, AnOverlongReplyLineIsDroppedAndTheReadOutKeepsItsOrder) {
    const QByteArray longLine = "200 " + QByteArray(100000, 'x') + "\r\n";
    // Writing the line a byte at a time holds up this one thread for a while: not a time-out case.
    sup->tmrComTimeOut->setInterval(10000);
    for (bool byteByByte : {false, true}) {
        SCOPED_TRACE(byteByByte);
        routed.clear();
        ui.Clear();
        peer->reply = [&](const QString& line) -> QByteArray {
            if (line != QLatin1String("DRAM")) return "200 " + line.toLatin1() + "\r\n";
            if (!byteByByte) return longLine + "200 DRAM\r\n";
            for (char c : longLine) {
                peer->cmd->write(&c, 1);
                peer->cmd->flush();
            }
            return "200 DRAM\r\n";
        };
        peer->received.clear();
        ConnectAndWait();
        ASSERT_TRUE(WaitUntil([&] { return routed.size() == 17; }, 5000));
        for (int i = 0; i < 17; ++i) // each reply went to its own command
            EXPECT_EQ(routed[i].section(u' ', 2, -1), peer->received[i]) << routed[i].toStdString();
        EXPECT_EQ(ui.traces.filter(QStringLiteral("characters dropped")).size(), 1);
        window->chkTCPConnect->setChecked(false);
        ASSERT_TRUE(WaitUntil([&] { return window->chkTCPConnect->isEnabled(); }, 3000));
    }
}

TEST_F(Guard, NavigationKeysWorkInTheSpinBoxesOfTheTcpIpDialog) {
    SetNetworkSetup(nullptr); // the real dialogs
    QList<int> player;
    SetPlayerHotKeyHandler([&](int id) { player << id; });
    QList<int> values;
    QTimer::singleShot(0, [&] {
        QWidget* dialog = QApplication::activeModalWidget();
        QSpinBox* box = dialog ? dialog->findChildren<QSpinBox*>().value(0) : nullptr;
        if (!box) {
            if (dialog) dialog->close();
            return;
        }
        box->setFocus();
        box->setValue(box->minimum() + 5);
        values << box->value();
        QTest::keyClick(box, Qt::Key_Up);
        values << box->value();
        QTest::keyClick(box, Qt::Key_Down);
        QTest::keyClick(box, Qt::Key_Down);
        values << box->value();
        g_lngViewMode = 3; // the player is the working window: it takes them
        QTest::keyClick(box, Qt::Key_Up);
        values << box->value();
        g_lngViewMode = 0;
        dialog->close();
    });
    Address a{192, 168, 0, 10}, g{192, 168, 0, 1}, na{}, ng{};
    uint8_t nm = 0;
    EXPECT_EQ(Network().TcpIpSetupDlg(a, 24, g, na, nm, ng), 0);
    ASSERT_EQ(values.size(), 4);
    EXPECT_EQ(values.mid(1), (QList<int>{values[0] + 1, values[0] - 1, values[0] - 1}));
    EXPECT_EQ(player, QList<int>{5});
    SetPlayerHotKeyHandler(nullptr);
}

} // namespace
