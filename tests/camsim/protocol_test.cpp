// The command set answered by the model, without sockets.
#include "camsim/protocol.h"
#include "camsim/tables.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace zrkcam;

namespace {

class ProtocolTest : public ::testing::Test {
protected:
    Camera cam{CameraConfig{0, 1.0}};
    Protocol proto{cam};
    Now now{0, 0};

    Reply send(const std::string& line, bool dataConnected = true) {
        return proto.handle(line, now, dataConnected, false);
    }
    std::string first(const std::string& line) {
        const Reply r = send(line);
        return r.lines.empty() ? std::string() : r.lines[0];
    }
    std::string code(const std::string& line) { return first(line).substr(0, 3); }
};

TEST_F(ProtocolTest, RegionCapacityMatchesTheTable) {
    EXPECT_EQ(regionCapacity(0, 0, 0), 3344);
    EXPECT_EQ(regionCapacity(0, 0, 2), 1114);
    EXPECT_EQ(regionCapacity(1, 1, 2), 1362);
    EXPECT_EQ(regionCapacity(2, 3, 0), 2047);
    EXPECT_EQ(regionCapacity(2, 2, 3), 1023);
    EXPECT_EQ(regionCapacity(0, 4, 0), 0);
    EXPECT_EQ(regionCapacity(3, 0, 0), 0);
}

TEST_F(ProtocolTest, ConfigurationQueriesUseTheFormsTheProgramReads) {
    EXPECT_EQ(first("STIP"), "200 192.168.0.2/24");
    EXPECT_EQ(first("STGW"), "200 192.168.0.1");
    EXPECT_EQ(first("DRAM"), "200 0");
    EXPECT_EQ(first("MODE"), "200 REC");
    EXPECT_EQ(first("VERS CODE"), "200 1 2");
    EXPECT_EQ(first("VERS MAIN"), "200 3");
    EXPECT_EQ(first("VERS FPGA"), "200 12 1");
    EXPECT_EQ(code("VERS BOOT"), "504");
    EXPECT_EQ(first("GAMM"), "200 0 100");
    EXPECT_EQ(first("STAT"), "211 Idle");
    EXPECT_EQ(code("HELO"), "500");
}

TEST_F(ProtocolTest, RecordModeQueryReportsCapacityForStartAndZeroForEnd) {
    ASSERT_EQ(first("RMOD 0 1 3 0 1 1 500"), "100 Changing image size");
    EXPECT_EQ(first("RMOD"), "200 0 1 3 0 1 1 500");
    EXPECT_EQ(first("RMOD 0 1 3 0 1 0 5"), "200 Record mode set");
    EXPECT_EQ(first("RMOD"), "200 0 1 3 0 1 0 1672");
    EXPECT_EQ(code("RMOD 0 1 3 0 1 2 5"), "200");
    EXPECT_EQ(first("RMOD"), "200 0 1 3 0 1 2 0");
}

TEST_F(ProtocolTest, RecordModeSetIsValidatedAgainstTheCodeTables) {
    EXPECT_EQ(code("RMOD 1 2 0 0 0 0 0"), "504");    // 256x256 has no third high rate
    EXPECT_EQ(code("RMOD 1 0 10 0 0 0 0"), "504");   // 1/100000 only at 200x200
    EXPECT_EQ(code("RMOD 0 0 10 0 0 0 0"), "100");   // ... where it is fine
    EXPECT_EQ(code("RMOD 3 898 18 0 0 2 0"), "504"); // not a slow rate of 512x512
    EXPECT_EQ(code("RMOD 3 899 18 0 0 2 0"), "100");
    EXPECT_EQ(code("RMOD 3 899 9 0 0 2 0"), "200"); // slow shutter codes 1..9 at 512x512
    EXPECT_EQ(code("RMOD 3 899 15 0 0 2 0"), "504");
    EXPECT_EQ(code("RMOD 0 0 0 9 0 0 0"), "504");    // strobe 0..8
    EXPECT_EQ(code("RMOD 0 0 0 0 4 0 0"), "504");    // partition 0..3
    EXPECT_EQ(code("RMOD 0 0 0 0 0 3 0"), "504");    // trigger 0..2
    EXPECT_EQ(code("RMOD 0 0 0 0 0 1 3345"), "504"); // capacity 3344
    EXPECT_EQ(code("RMOD 0 0 0 0 0 1 3344"), "100");
    EXPECT_EQ(code("RMOD 0 0 0 0 0 1"), "504");
    EXPECT_EQ(code("RMOD 0 0 0 0 0 1 -5"), "504");
    EXPECT_EQ(first("RMOD"), "200 0 0 0 0 0 1 3344");
}

TEST_F(ProtocolTest, ImageSizeChangeSendsAnInterimLineThenTheFinalOne) {
    const Reply r = send("RMOD 3 0 1 0 0 2 0");
    ASSERT_EQ(r.lines.size(), 1u);
    EXPECT_EQ(r.lines[0][0], '1');
    ASSERT_EQ(r.laterLines.size(), 1u);
    EXPECT_EQ(r.laterLines[0].substr(0, 3), "200");
    EXPECT_GT(r.laterDelayMs, 0);
    EXPECT_TRUE(send("RMOD 3 0 2 0 0 2 0").laterLines.empty()); // same size: final line at once
}

TEST_F(ProtocolTest, StrobeIsKeptOnlyWithTheFirstShutter) {
    send("RMOD 0 0 5 3 0 0 0");
    EXPECT_EQ(first("RMOD"), "200 0 0 5 0 0 0 3344");
    send("RMOD 0 0 0 3 0 0 0");
    EXPECT_EQ(first("RMOD"), "200 0 0 0 3 0 0 3344");
}

TEST_F(ProtocolTest, SimpleSettingsEchoAndRejectOutOfRange) {
    EXPECT_EQ(first("GAIN 6"), "200 6");
    EXPECT_EQ(first("GAIN"), "200 6");
    EXPECT_EQ(code("GAIN 7"), "504");
    EXPECT_EQ(code("GAIN x"), "504");
    EXPECT_EQ(first("ANIG 3"), "200 3");
    EXPECT_EQ(code("ANIG 5"), "504");
    EXPECT_EQ(first("SMOD 1"), "200 1");
    EXPECT_EQ(code("SMOD 2"), "504");
    EXPECT_EQ(first("GAMM 2 67"), "200 2 67");
    EXPECT_EQ(code("GAMM 2 77"), "504");
    EXPECT_EQ(first("GAMM"), "200 2 67");
}

TEST_F(ProtocolTest, WhiteBalanceFormsAndUserPresets) {
    EXPECT_EQ(first("WBPR 6 100 110 120"), "200 6 100 110 120");
    EXPECT_EQ(first("WBPR /6"), "200 6 100 110 120");
    EXPECT_EQ(first("WBPR /7"), "200 7 128 128 128");
    EXPECT_EQ(first("WBPR 1 9 9 9"), "200 1 184 128 202"); // built-in presets keep their colours
    EXPECT_EQ(first("WBPR"), "200 1 184 128 202");
    EXPECT_EQ(first("WBPR /6"), "200 6 100 110 120");
    EXPECT_EQ(code("WBPR 4 1 1 1"), "504");
    EXPECT_EQ(code("WBPR 6 256 1 1"), "504");
    EXPECT_EQ(code("WBPR 6 1 1"), "504");
}

TEST_F(ProtocolTest, NetworkSetCommandsUseTheirErrorCodes) {
    EXPECT_EQ(first("STIP 10.0.0.7/16"), "200 10.0.0.7/16");
    EXPECT_EQ(first("STIP"), "200 10.0.0.7/16");
    EXPECT_EQ(code("STIP 10.0.0.255/16"), "501");
    EXPECT_EQ(code("STIP 0.0.0.7/16"), "501");
    EXPECT_EQ(code("STIP 10.0.7/16"), "501");
    EXPECT_EQ(code("STIP 10.0.0.7"), "502");
    EXPECT_EQ(code("STIP 10.0.0.7/32"), "502");
    EXPECT_EQ(first("STGW 10.0.0.1"), "200 10.0.0.1");
    EXPECT_EQ(code("STGW 10.0.0.300"), "501");
}

TEST_F(ProtocolTest, ClockIsSetAndReadBack) {
    now.wallMs = 1'000'000;
    EXPECT_EQ(first("TIME 2002 07 15 09 05 00"), "200 Time set");
    now.wallMs += 61'000;
    EXPECT_EQ(first("TIME"), "200 2002 7 15 9 6 1");
    EXPECT_EQ(code("TIME 2002 02 30 09 05 00"), "501");
    EXPECT_EQ(code("TIME 2002 07 15 24 05 00"), "501");
    EXPECT_EQ(code("TIME 2002 07 15"), "501");
}

TEST_F(ProtocolTest, BackupRestoresEverySetting) {
    send("GAIN 4");
    send("WBPR 7 1 2 3");
    send("RMOD 2 1 4 0 2 1 100");
    const std::string backup = first("BKUP").substr(4);
    send("GAIN 0");
    send("WBPR 0 0 0 0");
    send("RMOD 0 0 0 0 0 0 0");
    EXPECT_EQ(first("RSTR " + backup), "200 Restored");
    EXPECT_EQ(first("GAIN"), "200 4");
    EXPECT_EQ(first("WBPR"), "200 7 1 2 3");
    EXPECT_EQ(first("RMOD"), "200 2 1 4 0 2 1 100");
    std::string spoilt = backup;
    spoilt[spoilt.size() - 8] = spoilt[spoilt.size() - 8] == '1' ? '2' : '1';
    EXPECT_EQ(code("RSTR " + spoilt), "501");
    EXPECT_EQ(code("RSTR"), "501");
    // A backup with another memory layout cannot replace it under recorded frames.
    send("RMOD 0 0 0 0 0 0 0");
    cam.storeRecording(0, 5, -1, 0);
    EXPECT_EQ(code("RSTR " + backup), "501");
    EXPECT_EQ(code("RSTR hello world"), "501");
}

TEST_F(ProtocolTest, ModeAndLiveOutput) {
    EXPECT_EQ(code("LVST"), "501"); // not in live mode
    EXPECT_EQ(first("MODE LIVE"), "200 LIVE");
    EXPECT_EQ(first("MODE"), "200 LIVE");
    EXPECT_EQ(code("LVST"), "200");
    EXPECT_EQ(first("STAT"), "214 Live output");
    EXPECT_EQ(code("RCST"), "501");
    EXPECT_EQ(code("RCSP"), "501");
    const Reply stop = send("LVSP");
    EXPECT_EQ(stop.data, Reply::Data::LiveStop);
    EXPECT_EQ(first("STAT"), "211 Idle");
    EXPECT_EQ(send("LVST").data, Reply::Data::LiveStart);
    const Reply rec = send("MODE REC"); // leaving live mode stops the output too
    EXPECT_EQ(rec.lines[0], "200 REC");
    EXPECT_EQ(rec.data, Reply::Data::LiveStop);
    EXPECT_EQ(code("MODE VIDEO"), "504");
}

TEST_F(ProtocolTest, LiveOutputNeedsTheDataPort) {
    send("MODE LIVE");
    EXPECT_EQ(proto.handle("LVST", now, false, false).lines[0].substr(0, 3), "425");
}

TEST_F(ProtocolTest, DownloadRequestsAreCheckedInOrder) {
    send("RMOD 1 0 3 0 1 1 100"); // 2 regions of 1022 frames at 256x256
    cam.storeRecording(0, 120, 10, 0);
    EXPECT_EQ(code("RQDL 2 1 1"), "550"); // beyond the partition
    EXPECT_EQ(code("RQDL x 1 1"), "550");
    EXPECT_EQ(code("RQDL 0 0 1"), "551");
    EXPECT_EQ(code("RQDL 0 121 1"), "551");
    EXPECT_EQ(code("RQDL 1 1 1"), "551"); // empty region
    EXPECT_EQ(code("RQDL 0 5 0"), "552");
    EXPECT_EQ(code("RQDL 0 5 6"), "552"); // would run past the last frame
    EXPECT_EQ(code("RQDL 0 5"), "552");
    EXPECT_EQ(proto.handle("RQDL 0 5 5", now, false, false).lines[0].substr(0, 3), "425");
    EXPECT_EQ(proto.handle("RQDL 0 5 5", now, true, true).lines[0].substr(0, 3), "503");

    const Reply r = send("RQDL 0 120 3");
    EXPECT_EQ(r.lines, std::vector<std::string>{"150 3 196992"});
    EXPECT_EQ(r.data, Reply::Data::Download);
    EXPECT_EQ(r.first, 0);
    EXPECT_EQ(r.count, 3);
    EXPECT_EQ(send("RQDL 0 1 1").first, 119); // offset 1 is the last frame
}

TEST_F(ProtocolTest, RegionListsFollowThePartition) {
    send("RMOD 0 0 3 0 3 1 100"); // four regions of 836
    cam.storeRecording(0, 120, 7, 0);
    const Reply npic = send("NPIC");
    EXPECT_EQ(npic.lines, (std::vector<std::string>{"200 NPIC Start", "    1 120/836", "    2 0/836",
                                                    "    3 0/836", "    4 0/836", "200 NPIC End"}));
    const Reply ptrg = send("PTRG");
    EXPECT_EQ(ptrg.lines, (std::vector<std::string>{"200 PTRG Start", "    1 7", "    2 -1", "    3 -1",
                                                    "    4 -1", "200 PTRG End"}));
}

TEST_F(ProtocolTest, SizeAndPartitionStayWhileFramesAreHeld) {
    send("RMOD 0 0 3 0 1 1 100");
    cam.storeRecording(0, 10, -1, 0);
    EXPECT_EQ(code("RMOD 0 0 3 0 2 1 100"), "505");
    EXPECT_EQ(code("RMOD 0 1 3 0 1 1 100"), "200"); // rate alone may change
    EXPECT_EQ(code("RACL"), "200");
    EXPECT_EQ(code("RMOD 0 0 3 0 2 1 100"), "200");
}

} // namespace
