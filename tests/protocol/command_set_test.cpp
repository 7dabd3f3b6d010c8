// Every sender's exact line and identity, and the code tables they draw on.
#include "base/shared_state.h"
#include "protocol/code_tables.h"
#include "protocol/command_channel.h"
#include "protocol/command_ids.h"
#include "protocol/command_set.h"

#include <gtest/gtest.h>
#include <vector>

namespace {

struct Queued {
    int32_t id;
    QString text;
    int16_t extra;
};

// Runs fn with the link open and nothing in flight; returns what it queued.
template <typename Fn> std::vector<Queued> QueuedBy(Fn fn) {
    ResetCommandChannel();
    g_blnLinkOpen = true;
    g_blnCmdBusy = true; // hold the queue so nothing is "sent"
    fn();
    std::vector<Queued> out;
    for (int16_t i = g_intQueueRead; i != g_intQueueWrite; IncWrap(i, 0, 255)) {
        const auto& e = g_CmdQueue[static_cast<std::size_t>(i)];
        out.push_back({e.Id, e.Text, e.Extra});
    }
    g_blnLinkOpen = false;
    ResetCommandChannel();
    return out;
}

void ExpectLine(void (*fn)(), int32_t id, const char* line) {
    const auto q = QueuedBy(fn);
    ASSERT_EQ(q.size(), 1u) << line;
    EXPECT_EQ(q[0].id, id) << line;
    EXPECT_EQ(q[0].text, QString::fromLatin1(line));
}

TEST(CommandSet, PlainCommandsAreTheirKeywordAlone) {
    ExpectLine(SendTRIG, CommandId::TRIG, "TRIG ");
    ExpectLine(RequestANIG, 1, "ANIG");
    ExpectLine(SendBKUP, 3, "BKUP");
    ExpectLine(RequestDRAM, 4, "DRAM");
    ExpectLine(RequestGAIN, 5, "GAIN");
    ExpectLine(RequestGAMM, 7, "GAMM");
    ExpectLine(SendLVST, 9, "LVST");
    ExpectLine(SendLVSP, 10, "LVSP");
    ExpectLine(RequestMODE, 11, "MODE");
    ExpectLine(RequestNPIC, 13, "NPIC");
    ExpectLine(RequestPTRG, 14, "PTRG");
    ExpectLine(SendRACL, 15, "RACL");
    ExpectLine(SendRCST, 16, "RCST");
    ExpectLine(SendRCSP, 17, "RCSP");
    ExpectLine(RequestRMOD, 18, "RMOD");
    ExpectLine(RequestSMOD, 22, "SMOD");
    ExpectLine(RequestSTAT, 24, "STAT");
    ExpectLine(RequestSTGW, 25, "STGW");
    ExpectLine(RequestSTIP, 27, "STIP");
    ExpectLine(RequestTIME, 30, "TIME");
}

TEST(CommandSet, CommandsWithArguments) {
    auto one = [](auto fn) {
        auto q = QueuedBy(fn);
        EXPECT_EQ(q.size(), 1u);
        return q.empty() ? Queued{} : q[0];
    };
    auto q = one([] { SendANIG(3); });
    EXPECT_EQ(q.id, 2);
    EXPECT_EQ(q.text, QStringLiteral("ANIG 3"));
    EXPECT_EQ(one([] { SendGAIN(6); }).text, QStringLiteral("GAIN 6"));
    EXPECT_EQ(one([] { SendGAMM(GammaSetting{1, 77}); }).text, QStringLiteral("GAMM 1 77"));
    EXPECT_EQ(one([] { SendMODE(0); }).text, QStringLiteral("MODE REC"));
    EXPECT_EQ(one([] { SendMODE(1); }).text, QStringLiteral("MODE LIVE"));
    EXPECT_TRUE(QueuedBy([] { SendMODE(2); }).empty());
    EXPECT_EQ(one([] { SendRQDL({2, 100, 50}); }).text, QStringLiteral("RQDL 2 100 50"));
    q = one([] { SendThumbnailRQDL(16, {1, 5, 1}, 1234); });
    EXPECT_EQ(q.id, 53);
    EXPECT_EQ(q.text, QStringLiteral("RQDL 1 5 1"));
    EXPECT_EQ(q.extra, 1234);
    EXPECT_EQ(one([] { SendThumbnailRQDL(0, {1, 5, 1}, 0); }).id, 37);
    EXPECT_TRUE(QueuedBy([] { SendThumbnailRQDL(17, {1, 1, 1}, 0); }).empty());
    EXPECT_EQ(one([] { SendRSTR(QStringLiteral("a b  c")); }).text, QStringLiteral("RSTR a b  c"));
    EXPECT_EQ(one([] { SendSMOD(1); }).text, QStringLiteral("SMOD 1"));
    EXPECT_EQ(one([] { SendSTGW({192, 168, 0, 1}); }).text, QStringLiteral("STGW 192.168.0.1"));
    EXPECT_EQ(one([] { SendSTIP({192, 168, 0, 2}, 24); }).text, QStringLiteral("STIP 192.168.0.2/24"));
    EXPECT_EQ(one([] { SendTIME(QStringLiteral("2002 07 15 09 05 00")); }).text,
              QStringLiteral("TIME 2002 07 15 09 05 00"));
    EXPECT_EQ(one([] { RequestVERS(0); }).text, QStringLiteral("VERS CODE"));
    EXPECT_EQ(one([] { RequestVERS(1); }).id, 33);
    EXPECT_EQ(one([] { RequestVERS(2); }).text, QStringLiteral("VERS FPGA"));
    EXPECT_TRUE(QueuedBy([] { RequestVERS(3); }).empty());
    EXPECT_EQ(one([] { RequestWBPR(5); }).text, QStringLiteral("WBPR"));
    EXPECT_EQ(one([] { RequestWBPR(6); }).text, QStringLiteral("WBPR /6"));
    EXPECT_EQ(one([] { RequestWBPR(7); }).id, 35);
    EXPECT_EQ(one([] { SendWBPR(WhiteBalance{6, 200, 128, 90}); }).text, QStringLiteral("WBPR 6 200 128 90"));
}

TEST(CommandSet, RecordModeLines) {
    RecordMode high{0, 3, 0, 0, 3, 0, 0, 1, 1, 500};
    EXPECT_EQ(QueuedBy([&] { SendRMOD(high); })[0].text, QStringLiteral("RMOD 0 1 3 0 1 1 500"));
    RecordMode low{1, 0, 3, 3, 0, 2, 0, 0, 2, 0};
    EXPECT_EQ(QueuedBy([&] { SendRMOD(low); })[0].text, QStringLiteral("RMOD 3 899 18 0 0 2 0"));
    // The speed mode can be told from the rate code alone.
    for (int i = 0; i <= 9; ++i)
        EXPECT_LE(HighRateCode(i), 2);
    for (int size = 0; size <= 3; ++size)
        for (int r = 0; r <= 4; ++r)
            EXPECT_GE(LowRateCode(size, r), 89);
    EXPECT_EQ(LowShutterCode(4), 20);
    EXPECT_EQ(LowShutterCode(5), 1);
    RecordMode bad = high;
    bad.SpeedMode = 2;
    EXPECT_EQ(RecordModeParameters(bad), QStringLiteral("0 0 0 0 1 1 500"));
}

TEST(CommandSet, NothingIsQueuedWhileTheLinkIsDown) {
    ResetCommandChannel();
    g_blnLinkOpen = false;
    SendRCST();
    SendRMOD(RecordMode{});
    RequestWBPR(6);
    EXPECT_EQ(g_intQueueWrite, 0);
}

TEST(CodeTables, CapacitiesAndValues) {
    const int expected[3][4][4] = {
        {{3344, 1672, 1114, 836}, {2044, 1022, 681, 511}, {1023, 511, 341, 255}, {511, 255, 170, 127}},
        {{6689, 3344, 2229, 1672}, {4088, 2044, 1362, 1022}, {2046, 1023, 682, 511}, {1023, 511, 341, 255}},
        {{13378, 6689, 4459, 3344},
         {8176, 4088, 2725, 2044},
         {4092, 2046, 1364, 1023},
         {2047, 1023, 682, 511}}};
    for (int m = 0; m < 3; ++m)
        for (int s = 0; s < 4; ++s)
            for (int p = 0; p < 4; ++p)
                EXPECT_EQ(RegionCapacity(m, s, p), expected[m][s][p]) << m << s << p;
    EXPECT_EQ(RegionCapacity(0, 4, 0), 0);
    EXPECT_EQ(RegionCapacity(3, 0, 0), 0);
    EXPECT_EQ(RegionCapacity(0, 0, -1), 0);
    EXPECT_EQ(GammaValue(1), 77);
    EXPECT_EQ(GammaValue(4), 0);
    EXPECT_EQ(PresetRGB(1).Blue, 202);
    EXPECT_EQ(PresetRGB(6).Red, 128);
    EXPECT_EQ(FrameBytes(2), 131200);
    EXPECT_EQ(LowRateCode(0, 4), 17999);
    EXPECT_EQ(Caption(kShutterLowCaptions, 14), QStringLiteral("1/100000"));
    EXPECT_TRUE(Caption(kGainCaptions, 7).isEmpty());
}

} // namespace
