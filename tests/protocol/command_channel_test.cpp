// The ring, one command in flight, the download skip in live mode, line assembly and routing.
#include "base/main_window_parts.h"
#include "base/shared_state.h"
#include "protocol/command_channel.h"
#include "protocol/command_ids.h"
#include "protocol/command_set.h"
#include "tests/support/scripted_ui.h"

#include <QRegularExpression>
#include <QTimer>
#include <gtest/gtest.h>

namespace {

class Channel : public ::testing::Test {
protected:
    ScriptedUi ui;
    QTimer comTimeOut;
    QStringList routed; // "<id>:<line>" for every reply a handler got

    void SetUp() override {
        MainParts() = MainWindowParts{};
        MainParts().tmrComTimeOut = &comTimeOut;
        comTimeOut.setInterval(60000);
        ResetCommandChannel();
        g_strConnectStage.clear();
        g_blnCollectLines = false;
        g_strReplyLines = QStringList{QString()};
        g_intReplyLineCount = 0;
        g_lngCamMode = 0;
        g_blnDebug = true;
        g_blnLinkOpen = true;
        for (int id = 1; id <= CommandId::Last; ++id)
            ReplyHandlers()[id] = [this, id](const QString& line) {
                routed << QString::number(id) + u':' + line;
                if (id != CommandId::RMOD_Get) FinishCommand();
            };
    }
    void TearDown() override {
        for (auto& h : ReplyHandlers())
            h = nullptr;
        MainParts() = MainWindowParts{};
        g_blnLinkOpen = false;
        g_blnDebug = false;
    }
    QStringList Sent() const { return ui.traces.filter(QRegularExpression(QStringLiteral("^->"))); }
};

TEST_F(Channel, OneCommandInFlightAndTheNextGoesWhenTheReplyIsHandled) {
    RequestSTAT();
    RequestNPIC();
    EXPECT_EQ(Sent(), QStringList{QStringLiteral("->STAT")});
    EXPECT_TRUE(g_blnCmdBusy);
    EXPECT_EQ(g_lngCurCmd, CommandId::STAT);
    EXPECT_TRUE(comTimeOut.isActive());
    DispatchReply(QStringLiteral("211 IDLE"));
    EXPECT_EQ(routed, QStringList{QStringLiteral("24:211 IDLE")});
    EXPECT_EQ(Sent(), (QStringList{QStringLiteral("->STAT"), QStringLiteral("->NPIC")}));
    EXPECT_EQ(g_lngCurCmd, CommandId::NPIC);
}

TEST_F(Channel, RingWrapsAt255) {
    int16_t i = 255;
    IncWrap(i, 0, 255);
    EXPECT_EQ(i, 0);
    g_intQueueRead = g_intQueueWrite = 254;
    RequestTIME(); // 254, sent at once
    RequestDRAM(); // 255
    RequestGAIN(); // 0
    EXPECT_EQ(g_intQueueWrite, 1);
    DispatchReply(QStringLiteral("200 x"));
    DispatchReply(QStringLiteral("200 x"));
    EXPECT_EQ(g_intQueueRead, 0);
    EXPECT_EQ(g_lngCurCmd, CommandId::GAIN_Get);
}

TEST_F(Channel, AFullRingRefusesInsteadOfOverwritingAnUnsentCommand) {
    for (int n = 0; n < 255; ++n)
        RequestTIME(); // one in flight, 254 waiting
    EXPECT_EQ(g_intQueueWrite, 255);
    ui.traces.clear();
    RequestDRAM();
    EXPECT_EQ(g_intQueueWrite, 255);
    ASSERT_EQ(ui.traces.size(), 1);
    EXPECT_TRUE(ui.traces[0].contains(QStringLiteral("DRAM")));
    EXPECT_EQ(g_CmdQueue[0].Text, QStringLiteral("TIME")); // the in-flight slot is untouched
    DispatchReply(QStringLiteral("200 x"));
    RequestDRAM(); // room again
    EXPECT_EQ(g_intQueueWrite, 0);
}

TEST_F(Channel, DownloadsAreSkippedWhileTheCameraIsLive) {
    g_lngCamMode = 1;
    g_blnDlReplyWait = g_blnThumbFirst = false;
    SendRQDL({1, 1, 1});
    SendThumbnailRQDL(3, {1, 1, 1}, 0);
    RequestSTAT();
    EXPECT_EQ(Sent(), QStringList{QStringLiteral("->STAT")});
    EXPECT_FALSE(g_blnDlReplyWait);
    EXPECT_FALSE(g_blnThumbFirst);

    g_lngCamMode = 0;
    DispatchReply(QStringLiteral("211 x"));
    SendRQDL({1, 1, 1});
    EXPECT_TRUE(g_blnFileFirst && g_blnDlReplyWait && g_blnDlDataWait);
    DispatchReply(QStringLiteral("226 x"));
    SendThumbnailRQDL(16, {1, 1, 1}, 9);
    EXPECT_TRUE(g_blnThumbFirst && g_blnThumbReplyWait && g_blnThumbDataWait);
    EXPECT_EQ(g_lngCurCmd, 53);
}

TEST_F(Channel, ClosedLinkDropsEveryWaitingCommandWithOneTraceLineEach) {
    RequestTIME();
    RequestDRAM();
    RequestGAIN();
    g_blnLinkOpen = false;
    ui.traces.clear();
    FinishCommand();
    EXPECT_EQ(g_intQueueRead, g_intQueueWrite);
    EXPECT_EQ(ui.traces, (QStringList{QStringLiteral("※未送信コマンド") + "DRAM",
                                      QStringLiteral("※未送信コマンド") + "GAIN"}));
}

TEST_F(Channel, OnlyThreeDigitsAndABlankMakeAReplyLine) {
    RequestTIME();
    DispatchReply(QStringLiteral("200"));
    DispatchReply(QStringLiteral("20 OK"));
    DispatchReply(QStringLiteral("2a0 OK"));
    DispatchReply(QStringLiteral("hello"));
    EXPECT_TRUE(routed.isEmpty());
    EXPECT_TRUE(comTimeOut.isActive());
    DispatchReply(QStringLiteral("200 "));
    EXPECT_EQ(routed.size(), 1);
    EXPECT_FALSE(comTimeOut.isActive());
}

TEST_F(Channel, ContinuationLinesAreCollectedOnlyWhileAsked) {
    ReplyHandlers()[CommandId::NPIC] = [this](const QString& line) {
        routed << line;
        g_blnCollectLines = !line.contains(QStringLiteral("End"));
        if (!g_blnCollectLines) FinishCommand();
    };
    DispatchReply(QStringLiteral("    ignored"));
    EXPECT_EQ(g_intReplyLineCount, 0);
    RequestNPIC();
    DispatchReply(QStringLiteral("200 Start"));
    EXPECT_TRUE(comTimeOut.isActive()); // still waiting for the end of the reply
    DispatchReply(QStringLiteral("    1 100 3344"));
    DispatchReply(QStringLiteral("    2 0 3344"));
    EXPECT_EQ(g_intReplyLineCount, 2);
    EXPECT_EQ(g_strReplyLines.value(1), QStringLiteral("1 100 3344"));
    EXPECT_EQ(routed.size(), 1); // continuation lines are not replies
    DispatchReply(QStringLiteral("200 End"));
    EXPECT_FALSE(g_blnCollectLines);
    EXPECT_FALSE(comTimeOut.isActive());
}

TEST_F(Channel, AReplyThatNeverEndsCannotGrowWithoutBoundNorOutliveTheConnection) {
    g_blnCollectLines = true;
    for (int i = 0; i < 1500; ++i)
        DispatchReply(QStringLiteral("    1 2 3"));
    EXPECT_EQ(g_intReplyLineCount, 1000);
    EXPECT_EQ(g_strReplyLines.size(), 1001);
    g_strConnectStage = QStringLiteral("tcpc-d");
    DispatchReply(QStringLiteral("200 data port connected"));
    EXPECT_FALSE(g_blnCollectLines);
    EXPECT_EQ(g_intReplyLineCount, 0);
    EXPECT_EQ(g_strReplyLines, QStringList{QString()});
}

TEST_F(Channel, ConnectionStagesAreNotRouted) {
    RequestSTAT(); // in flight when the link dropped and came back
    g_strConnectStage = QStringLiteral("tcpc-c");
    DispatchReply(QStringLiteral("200 ZRK-1 ready"));
    EXPECT_EQ(g_strConnectStage, QStringLiteral("tcpc-d"));
    EXPECT_TRUE(routed.isEmpty());
    g_lngDataMode = 2;
    g_intShowBuf = g_intRecvBuf = 1;
    ui.traces.clear();
    DispatchReply(QStringLiteral("200 data port connected"));
    EXPECT_TRUE(routed.isEmpty());
    EXPECT_TRUE(g_strConnectStage.isEmpty());
    EXPECT_EQ(g_lngDataMode, 0);
    EXPECT_EQ(g_intShowBuf + g_intRecvBuf, 0);
    EXPECT_EQ(g_intQueueRead, 0);
    EXPECT_EQ(g_intQueueWrite, 17);
    EXPECT_EQ(Sent(), QStringList{QStringLiteral("->TIME")});
    QStringList readOut;
    for (int i = 0; i < 17; ++i)
        readOut << g_CmdQueue[i].Text;
    EXPECT_EQ(readOut.join(u','),
              QStringLiteral("TIME,VERS CODE,VERS MAIN,VERS FPGA,STIP,STGW,DRAM,MODE,RMOD,"
                             "GAIN,ANIG,SMOD,GAMM,WBPR /6,WBPR /7,WBPR,STAT"));
}

TEST_F(Channel, RmodQueryIsFinishedByTheChannel) {
    RequestRMOD();
    RequestSTAT();
    DispatchReply(QStringLiteral("200 0 0 0 0 3 2 0"));
    EXPECT_EQ(g_lngCurCmd, CommandId::STAT);
}

TEST_F(Channel, AStrayLineUnderAHandlersBoxCannotFinishACommandTwice) {
    // The STAT handler's message box lets a stray line in before the handler finishes STAT.
    ReplyHandlers()[CommandId::STAT] = [this](const QString& line) {
        routed << QStringLiteral("24:") + line;
        DispatchReply(QStringLiteral("200 stray")); // as the box's event loop would
        FinishCommand();
    };
    RequestSTAT();
    RequestDRAM();
    DispatchReply(QStringLiteral("211 Idle"));
    // The stray line waited for STAT to finish and then went to the command in flight.
    EXPECT_EQ(routed, (QStringList{QStringLiteral("24:211 Idle"), QStringLiteral("4:200 stray")}));
    EXPECT_EQ(g_intQueueRead, g_intQueueWrite);
    EXPECT_FALSE(g_blnCmdBusy);

    // With nothing in flight, FinishCommand changes nothing.
    const int16_t read = g_intQueueRead;
    FinishCommand();
    FinishCommand();
    EXPECT_EQ(g_intQueueRead, read);
    RequestGAIN(); // and the ring still works
    DispatchReply(QStringLiteral("200 3"));
    EXPECT_EQ(routed.last(), QStringLiteral("5:200 3"));
    EXPECT_EQ(g_intQueueRead, g_intQueueWrite);
}

TEST_F(Channel, ALineAHandlerIgnoresKeepsTheTimeOutRunning) {
    ReplyHandlers()[CommandId::NPIC] = [this](const QString& line) { routed << line; }; // keeps it in flight
    RequestNPIC();
    DispatchReply(QStringLiteral("200 NPIC"));
    EXPECT_TRUE(comTimeOut.isActive());
    ReplyHandlers()[CommandId::RQDL] = [this](const QString& line) { routed << line; };
    ResetCommandChannel();
    SendRQDL({1, 1, 1});
    DispatchReply(QStringLiteral("150 1 40128"));
    EXPECT_FALSE(comTimeOut.isActive()); // a transfer runs on the data time-out
}

TEST(ReplyAssembler, SplitsOnCrLfOnly) {
    QStringList lines;
    ReplyAssembler a([&](const QString& l) { lines << l; });
    a.Feed(QStringLiteral("200 O"));
    EXPECT_TRUE(lines.isEmpty());
    a.Feed(QStringLiteral("K\r"));
    EXPECT_TRUE(lines.isEmpty());
    a.Feed(QStringLiteral("\n211 A\r\n212 B\r\nhalf\rline\nx"));
    EXPECT_EQ(lines,
              (QStringList{QStringLiteral("200 OK"), QStringLiteral("211 A"), QStringLiteral("212 B")}));
    EXPECT_EQ(a.Pending(), QStringLiteral("half\rline\nx"));
    a.Clear();
    EXPECT_TRUE(a.Pending().isEmpty());
}

TEST(ReplyAssembler, ALineOverTheCapIsDroppedHoweverItIsCut) {
    ScriptedUi ui;
    g_blnDebug = true;
    const QString stream = QStringLiteral("200 A\r\n200 ") + QString(100000, u'x') +
                           QStringLiteral("\r\n200 B\r\n") + QString(ReplyAssembler::kMaxLine, u'y') +
                           QStringLiteral("\r\n");
    const QString longest(ReplyAssembler::kMaxLine, u'y'); // at the cap: kept
    struct Cut {
        const char* name;
        QList<int> sizes; // piece sizes, repeated until the stream is used up
    };
    for (const Cut& cut : {Cut{"whole", {int(stream.size())}}, Cut{"byte by byte", {1}}, Cut{"4 KiB", {4096}},
                           Cut{"odd", {7, 65531, 3}}}) {
        SCOPED_TRACE(cut.name);
        ui.traces.clear();
        QStringList lines;
        ReplyAssembler a([&](const QString& l) { lines << l; });
        for (qsizetype at = 0, i = 0; at < stream.size(); ++i) {
            const qsizetype n = cut.sizes[i % cut.sizes.size()];
            a.Feed(stream.mid(at, n));
            at += n;
        }
        EXPECT_EQ(lines, (QStringList{QStringLiteral("200 A"), QStringLiteral("200 B"), longest}));
        EXPECT_EQ(ui.traces.filter(QStringLiteral("characters dropped")).size(), 1);
        EXPECT_TRUE(a.Pending().isEmpty());
    }
    g_blnDebug = false;
}

TEST(ReplyAssembler, AnEndlessLineIsDroppedAndAssemblyGoesOn) {
    QStringList lines;
    ReplyAssembler a([&](const QString& l) { lines << l; });
    const QString chunk(4096, u'x');
    for (int i = 0; i < 20; ++i)
        a.Feed(chunk); // 80 KiB without a terminator
    EXPECT_LE(a.Pending().size(), ReplyAssembler::kMaxLine);
    a.Feed(QStringLiteral("tail of the long line\r"));
    a.Feed(QStringLiteral("\n200 OK\r\n"));
    EXPECT_EQ(lines, QStringList{QStringLiteral("200 OK")});
}

} // namespace
