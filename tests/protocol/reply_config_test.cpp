// Configuration replies: record mode, network address and gateway, versions, white balance.
#include "tests/protocol/reply_fixture.h"

#include "base/settings.h"
#include "protocol/code_tables.h"
#include "protocol/command_ids.h"
#include "protocol/record_mode_index.h"

namespace {

using ConfigReplies = ReplyTest;

const RecordMode kSentinel{1, 9, 4, 3, 10, 14, 8, 3, 2, 77};

RecordMode QueryRecordMode(const QString& reply) {
    g_RecMode = kSentinel;
    RequestRMOD();
    DispatchReply(reply);
    return g_RecMode;
}

TEST_F(ConfigReplies, RecordModeQueryDecodesBothSpeeds) {
    EXPECT_EQ(QueryRecordMode("200 0 1 3 0 1 1 500"), (RecordMode{0, 3, 0, 0, 3, 0, 0, 1, 1, 500}));
    EXPECT_EQ(QueryRecordMode("200 0 0 10 5 0 0 0"), (RecordMode{0, 0, 0, 0, 10, 0, 0, 0, 0, 3344}));
    EXPECT_EQ(QueryRecordMode("200 3 899 18 0 0 2 0"), (RecordMode{1, 0, 3, 3, 0, 2, 0, 0, 2, 0}));
    // The slowest shutter of each speed is the one that reads the strobe delay.
    EXPECT_EQ(QueryRecordMode("200 0 0 0 8 0 0 0").StrobeDelay, 8);
    EXPECT_EQ(QueryRecordMode("200 0 299 16 8 0 0 0"), (RecordMode{1, 0, 0, 0, 0, 0, 8, 0, 0, 3344}));
    EXPECT_EQ(QueryRecordMode("200 0 0 0 0 0 3 5").PostCount, 0);
    EXPECT_TRUE(Messages().isEmpty());
    EXPECT_TRUE(Idle()); // the channel ended each command itself
}

TEST_F(ConfigReplies, RecordModeQueryStopsAtTheFirstBadFieldAndKeepsTheMode) {
    const std::pair<const char*, const char*> cases[] = {
        {"500 0 1 3 0 1 1 500", "Recived command invalid."},
        {"200 0 1 3 0 1 1", "Recived command invalid."},
        {"200 4 0 0 0 0 0 0", "Invalid image size."},
        {"200 0 18000 0 0 0 0 0", "Invalid frame rate."},
        {"200 0 4294967296 0 0 0 0 0", "Invalid frame rate."},
        {"200 1 2 0 0 0 0 0", "Frame rate incorrect for image size at high speed record."},
        {"200 0 300 16 0 0 0 0", "Frame rate incorrect for image size at low speed record."},
        {"200 0 0 11 0 0 0 0", "Invalid shutter speed for high speed record."},
        {"200 1 0 10 0 0 0 0", "Shutter speed incorrect for image size at high speed record."},
        {"200 0 299 0 0 0 0 0", "Invalid shutter speed for low speed record."},
        {"200 0 299 21 0 0 0 0", "Invalid shutter speed for low speed record."},
        {"200 0 299 12 0 0 0 0", "Shutter speed incorrect for image size at low speed record."},
        {"200 1 239 10 0 0 0 0", "Shutter speed incorrect for image size at low speed record."},
        {"200 0 0 0 9 0 0 0", "Invalid strobe delay for high speed record."},
        {"200 0 299 16 x 0 0 0", "Invalid strobe delay for low speed record."},
        {"200 0 0 1 0 4 0 0", "Region segment value invalid."},
        {"200 0 0 1 0 0 4 0", "Trigger mode value invalid."},
        {"200 0 0 0 0 0 0 3345", "Post count value invalid."},
        {"200 0 0 0 0 3 1 837", "Post count value invalid."},
    };
    for (const auto& [reply, text] : cases) {
        ui.Clear();
        EXPECT_EQ(QueryRecordMode(reply), kSentinel) << reply;
        ASSERT_EQ(ui.messages.size(), 1) << reply;
        EXPECT_EQ(ui.messages[0].text, text) << reply;
        EXPECT_EQ(ui.messages[0].title, "Record Setup");
        EXPECT_EQ(ui.messages[0].icon,
                  QString(text) == "Invalid image size." ? MsgIcon::None : MsgIcon::Information);
        EXPECT_TRUE(Idle()) << reply;
    }
}

TEST_F(ConfigReplies, PostCountLimitFollowsTheMemorySize) {
    g_lngMemSize = 2;
    EXPECT_EQ(QueryRecordMode("200 0 0 0 0 0 1 13378").PostCount, 13378);
    g_lngMemSize = 0;
    EXPECT_EQ(QueryRecordMode("200 0 0 0 0 0 1 3344").PostCount, 3344);
    EXPECT_EQ(QueryRecordMode("200 0 0 0 0 0 1 13378"), kSentinel);
}

TEST(RecordModeIndex, UndoesTheCodesTheSenderWrites) {
    for (int32_t i = 0; i < 10; ++i) {
        const int32_t size = kFrameRates[static_cast<std::size_t>(i)].imageSize;
        EXPECT_EQ(HighRateIndex(size, HighRateCode(i)), i) << i;
    }
    for (int32_t size = 0; size < 4; ++size) {
        for (int32_t i = 0; i < 5; ++i)
            EXPECT_EQ(LowRateIndex(size, LowRateCode(size, i)), i) << size << " " << i;
        const int32_t lowShutters = size == 0 ? 15 : 14;
        for (int32_t i = 0; i < lowShutters; ++i)
            EXPECT_EQ(LowShutterIndex(size, LowShutterCode(i)), i) << size << " " << i;
        EXPECT_EQ(LowShutterIndex(size, 0), -1);
        EXPECT_EQ(LowShutterIndex(size, 15), -1);
        EXPECT_EQ(LowRateIndex(size, 300), -1);
    }
    EXPECT_EQ(LowShutterIndex(1, 10), -1);
    EXPECT_EQ(HighShutterIndex(0, 10), 10);
    EXPECT_EQ(HighShutterIndex(3, 10), -1);
    EXPECT_EQ(HighRateIndex(2, 2), -1);
    EXPECT_EQ(HighRateIndex(4, 2), 0);
    EXPECT_EQ(LowRateIndex(4, 299), 0);
}

TEST_F(ConfigReplies, RecordModeSetMayPassThroughAnInterimNotice) {
    UseTimers();
    g_lngViewMode = 1;
    g_RecModeNew = RecordMode{0, 6, 0, 3, 0, 0, 0, 0, 0, 511};
    SendRMOD(g_RecModeNew);
    RequestGAIN();
    comTimeOut->stop();
    DispatchReply("100 changing");
    EXPECT_TRUE(ui.noticeOpen);
    EXPECT_EQ(ui.noticeTitle, "Record Setup");
    EXPECT_EQ(ui.noticeText, "Changing image size.\r\nWait...");
    EXPECT_TRUE(comTimeOut->isActive());
    EXPECT_EQ(g_lngCurCmd, CommandId::RMOD_Set);

    DispatchReply("200 RMOD");
    EXPECT_EQ(g_RecMode, g_RecModeNew);
    EXPECT_FALSE(ui.noticeOpen);
    EXPECT_EQ(hooks.calls, (QStringList{"ShowRecordMode 3", "SizePreviewArea 3"}));
    EXPECT_EQ(InFlight(), "GAIN");
    EXPECT_EQ(Waiting(), QStringList{"STAT"});
    EXPECT_TRUE(Messages().isEmpty());
}

TEST_F(ConfigReplies, RecordModeSetRefusedKeepsTheMode) {
    g_RecMode = kSentinel;
    SendRMOD(RecordMode{});
    DispatchReply("100 changing");
    DispatchReply("500 x");
    EXPECT_FALSE(ui.noticeOpen); // the interim notice does not outlive the refusal
    EXPECT_EQ(Messages(), QStringList{"Cannot change record setiing."});
    EXPECT_EQ(g_RecMode, kSentinel);
    EXPECT_TRUE(hooks.calls.isEmpty());
    EXPECT_TRUE(Idle());
}

// ---- Network

TEST_F(ConfigReplies, AddressQueryNeedsFourPartsInRangeAndAMask) {
    RequestSTIP();
    DispatchReply("200 192.168.0.2/24");
    EXPECT_EQ(g_bytCamIP, (std::array<uint8_t, 4>{192, 168, 0, 2}));
    EXPECT_EQ(g_bytCamMaskBits, 24);
    EXPECT_TRUE(Messages().isEmpty());

    const char* rejected[] = {"200 192.168.0.255/24", "200 192.168.0.2",    "200 0.168.0.2/24",
                              "200 192.168.0.0/24",   "200 192.168.0.2/32", "200 192.168.2/24",
                              "200 192.256.0.2/24",   "200 192.168.0.2/x",  "200 192.168.0./24"};
    for (const char* reply : rejected) {
        ui.Clear();
        RequestSTIP();
        DispatchReply(reply);
        EXPECT_EQ(Messages(), QStringList{"Received parameter invalid."}) << reply;
        EXPECT_EQ(ui.messages.value(0).title, "IP Address/Sebnet Mask");
        EXPECT_EQ(g_bytCamIP, (std::array<uint8_t, 4>{192, 168, 0, 2})) << reply;
        EXPECT_EQ(g_bytCamMaskBits, 24);
        EXPECT_TRUE(Idle());
    }
    ui.Clear();
    RequestSTIP();
    DispatchReply("500 x");
    RequestSTIP();
    DispatchReply("200 ");
    EXPECT_EQ(Messages(), (QStringList{"Recived command invalid.", "Recived command invalid."}));
}

TEST_F(ConfigReplies, GatewayQueryAndSet) {
    RequestSTGW();
    DispatchReply("200 10.0.0.1");
    EXPECT_EQ(g_bytCamGateway, (std::array<uint8_t, 4>{10, 0, 0, 1}));
    for (const char* reply : {"200 10.0.0.255", "200 10.0.1", "200 10.0.0.1x", "400 10.0.0.1"}) {
        RequestSTGW();
        DispatchReply(reply);
    }
    EXPECT_EQ(Messages(), (QStringList{"Received parameter invalid.", "Received parameter invalid.",
                                       "Received parameter invalid.", "Recived command invalid."}));
    EXPECT_EQ(ui.messages[0].title, "Gateway Setup");
    EXPECT_EQ(g_bytCamGateway, (std::array<uint8_t, 4>{10, 0, 0, 1}));

    ui.Clear();
    g_bytCamGatewayNew = {10, 0, 0, 254};
    SendSTGW(g_bytCamGatewayNew);
    DispatchReply("500 x");
    EXPECT_EQ(Messages(), QStringList{"Invalid gateway address."});
    EXPECT_EQ(g_bytCamGateway, (std::array<uint8_t, 4>{10, 0, 0, 1}));
    SendSTGW(g_bytCamGatewayNew);
    DispatchReply("200 STGW");
    EXPECT_EQ(g_bytCamGateway, g_bytCamGatewayNew);
    EXPECT_TRUE(Idle());
}

TEST_F(ConfigReplies, AcceptedNewAddressRetargetsTheProgramAndDisconnects) {
    g_bytCamIPNew = {10, 1, 2, 3};
    g_bytCamMaskBitsNew = 16;
    SendSTIP(g_bytCamIPNew, g_bytCamMaskBitsNew);
    RequestGAIN();
    DispatchReply("200 STIP");
    EXPECT_EQ(g_bytCamIP, g_bytCamIPNew);
    EXPECT_EQ(g_bytCamMaskBits, 16);
    EXPECT_EQ(g_bytClientIP, (std::array<uint8_t, 4>{10, 1, 2, 3}));
    EXPECT_EQ(ReadIniString("TCP", "ClientIP", ""), "10.1.2.3");
    EXPECT_EQ(control.calls, QStringList{"UntickConnect"});
    EXPECT_EQ(g_lngCurCmd, CommandId::STIP_Set); // not finished: the next connection resets the queue
}

TEST_F(ConfigReplies, RefusedNewAddressChangesNothing) {
    const auto before = g_bytCamIP;
    for (const char* reply : {"501 x", "502 x", "503 x"}) {
        SendSTIP({10, 1, 2, 3}, 16);
        DispatchReply(reply);
    }
    EXPECT_EQ(Messages(),
              (QStringList{"Invalid IP address.", "Invalid subnet mask.", "Recived command invalid."}));
    EXPECT_EQ(g_bytCamIP, before);
    EXPECT_TRUE(control.calls.isEmpty());
    EXPECT_TRUE(Idle());
}

// ---- Versions

TEST_F(ConfigReplies, VersionsFillTheirSlotsAndRejectWhatDoesNotFit) {
    g_intVersion = {9, 9, 9, 9, 9, 9};
    RequestVERS(0);
    DispatchReply("200 1 2");
    RequestVERS(1);
    DispatchReply("200 3");
    RequestVERS(2);
    DispatchReply("200 12 1");
    EXPECT_EQ(g_intVersion, (std::array<int16_t, 6>{1, 2, 3, 0, 12, 1}));
    EXPECT_TRUE(Messages().isEmpty());

    for (const char* reply : {"200 1", "200 1 x", "200 40000 1"}) {
        RequestVERS(2);
        DispatchReply(reply);
    }
    RequestVERS(1);
    DispatchReply("200 40000");
    RequestVERS(0);
    DispatchReply("500 1 2");
    EXPECT_EQ(Messages(), (QStringList{"Received parameter invalid.", "Received parameter invalid.",
                                       "Received parameter invalid.", "Received parameter invalid.",
                                       "Recived command invalid."}));
    EXPECT_EQ(ui.messages[0].title, "Camera Program Version Information");
    EXPECT_EQ(g_intVersion, (std::array<int16_t, 6>{1, 2, 3, 0, 12, 1}));
    EXPECT_TRUE(Idle());
}

// ---- White balance

TEST_F(ConfigReplies, WhiteBalanceQueryFillsUserSetsAndBuiltInPresets) {
    RequestWBPR(6);
    DispatchReply("200 6 100 110 120");
    EXPECT_EQ(g_WB, (WhiteBalance{6, 100, 110, 120}));
    EXPECT_EQ(g_UserWB[0].Red, 100);
    EXPECT_EQ(g_UserWB[0].Blue, 120);
    RequestWBPR(7);
    DispatchReply("200 7 1 2 3");
    EXPECT_EQ(g_UserWB[1].Green, 2);
    RequestWBPR(0);
    DispatchReply("200 1 100 110 120");
    EXPECT_EQ(g_WB, (WhiteBalance{1, 184, 128, 202}));
    EXPECT_EQ(g_UserWB[0].Red, 100);
    EXPECT_TRUE(Messages().isEmpty());

    for (const char* reply : {"200 8 1 2 3", "200 6 256 0 0", "200 6 1 2 x"}) {
        g_WB = WhiteBalance{6, 1, 1, 1};
        RequestWBPR(0);
        DispatchReply(reply);
        EXPECT_EQ(g_WB, (WhiteBalance{0, 190, 128, 154})) << reply; // silently daylight
    }
    EXPECT_EQ(g_UserWB[0].Red, 100);
    EXPECT_TRUE(Messages().isEmpty());

    RequestWBPR(0);
    DispatchReply("200 6 1 2");
    RequestWBPR(0);
    DispatchReply("500 6 1 2 3");
    EXPECT_EQ(Messages(), (QStringList{"Recived command invalid.", "Recived command invalid."}));
    EXPECT_EQ(ui.messages[0].title, "White Balance Setup");
    EXPECT_TRUE(Idle());
}

TEST_F(ConfigReplies, WhiteBalanceSetKeepsUserSetsInStep) {
    g_WBNew = WhiteBalance{7, 10, 20, 30};
    SendWBPR(g_WBNew);
    DispatchReply("500 x");
    EXPECT_EQ(Messages(), QStringList{"Cannot change white balance setting."});
    EXPECT_NE(g_WB, g_WBNew);
    SendWBPR(g_WBNew);
    DispatchReply("200 WBPR");
    EXPECT_EQ(g_WB, g_WBNew);
    EXPECT_EQ(g_UserWB[1].Red, 10);
    EXPECT_EQ(g_UserWB[0].Red, 128);
    EXPECT_TRUE(Idle());
}

TEST_F(ConfigReplies, EveryCommandIdentityHasAHandler) {
    for (int32_t id = 1; id <= CommandId::Last; ++id)
        EXPECT_TRUE(static_cast<bool>(ReplyHandlers()[static_cast<std::size_t>(id)])) << id;
}

} // namespace
