// Command line, fault switches and the state file.
#include "camsim/options.h"
#include "camsim/protocol.h"
#include "camsim/state_file.h"

#include <gtest/gtest.h>

#include <functional>

using namespace zrkcam;

namespace {

bool parse(std::vector<std::string> args, Options& o, std::string& err) {
    return parseOptions(args, o, err);
}

TEST(OptionsTest, DefaultsAndValues) {
    Options o;
    std::string err;
    ASSERT_TRUE(parse({}, o, err));
    EXPECT_EQ(o.bind, "127.0.0.1");
    EXPECT_EQ(o.commandPort, 4000);
    EXPECT_EQ(o.dataPort, 4001);
    EXPECT_EQ(o.liveRate, 0); // the recording rate kept between 5 and 30
    ASSERT_TRUE(parse({"--command-port", "0", "--data-port", "0", "--memory", "2", "--speed", "2.5",
                       "--chunk", "random", "-v", "--state", "s.txt", "--live-rate", "292.97"},
                      o, err));
    EXPECT_DOUBLE_EQ(o.liveRate, 292.97);
    EXPECT_EQ(o.commandPort, 0);
    EXPECT_EQ(o.memoryCode, 2);
    EXPECT_DOUBLE_EQ(o.speed, 2.5);
    EXPECT_TRUE(o.chunkRandom);
    EXPECT_TRUE(o.verbose);
    EXPECT_EQ(o.stateFile, "s.txt");
}

TEST(OptionsTest, BadValuesAreRefused) {
    for (std::vector<std::string> bad : std::vector<std::vector<std::string>>{{"--memory", "3"},
                                                                              {"--command-port", "65536"},
                                                                              {"--speed", "0"},
                                                                              {"--speed", "x"},
                                                                              {"--chunk", "0"},
                                                                              {"--live-rate", "5001"},
                                                                              {"--live-rate", "0.5"},
                                                                              {"--live-rate", "fast"},
                                                                              {"--live-rate"},
                                                                              {"--data-port"},
                                                                              {"--frobnicate"}}) {
        Options o;
        std::string err;
        EXPECT_FALSE(parse(bad, o, err)) << bad[0];
        EXPECT_FALSE(err.empty());
    }
}

TEST(OptionsTest, FaultSwitches) {
    Options o;
    std::string err;
    ASSERT_TRUE(parse({"--fault", "delay:RMOD:250",
                       "--fault", "withhold:VERS MAIN",
                       "--fault", "overlong:*",
                       "--fault", "close-command:bytes=10",
                       "--fault", "close-data:commands=3",
                       "--fault", "refuse:data",
                       "--fault", "bad-magic:2",
                       "--fault", "stall-data:1000",
                       "--fault", "early-226",
                       "--fault", "chunk:7"},
                      o, err))
        << err;
    const Faults& f = o.faults;
    ASSERT_NE(f.find(ReplyFault::Kind::Delay, "RMOD 0 0 0 0 0 0 0"), nullptr);
    EXPECT_EQ(f.find(ReplyFault::Kind::Delay, "RMOD")->value, 250);
    EXPECT_EQ(f.find(ReplyFault::Kind::Delay, "STAT"), nullptr);
    EXPECT_NE(f.find(ReplyFault::Kind::Withhold, "VERS MAIN"), nullptr);
    EXPECT_EQ(f.find(ReplyFault::Kind::Withhold, "VERS CODE"), nullptr);
    EXPECT_EQ(f.find(ReplyFault::Kind::Overlong, "STAT")->value, 100000);
    EXPECT_EQ(f.closeCommandAfterBytes, 10);
    EXPECT_EQ(f.closeDataAfterCommands, 3);
    EXPECT_TRUE(f.refuseData);
    EXPECT_FALSE(f.refuseCommand);
    EXPECT_EQ(f.badMagicFrame, 2);
    EXPECT_EQ(f.stallDataAfter, 1000);
    EXPECT_TRUE(f.early226);
    EXPECT_EQ(o.chunk, 7);
    for (const char* bad : {"delay:RMOD", "delay:RMOD:x", "withhold", "close-command:lines=3",
                            "close-data:bytes", "refuse:both", "chunk:0", "bad-magic:-1", "explode"}) {
        Options p;
        EXPECT_FALSE(parseFault(bad, p, err)) << bad;
    }
}

TEST(OptionsTest, DataPathFaultSwitches) {
    struct Case {
        const char* fault;
        std::function<bool(const Faults&)> holds;
    };
    const Case good[] = {
        {"data-before-150", [](const Faults& f) { return f.dataBefore150 > (int64_t{1} << 40); }},
        {"data-before-150:0", [](const Faults& f) { return f.dataBefore150 == 0; }},
        {"hold-226", [](const Faults& f) { return f.hold226Ms == -1; }},
        {"hold-226:250", [](const Faults& f) { return f.hold226Ms == 250; }},
        {"error-reply:3", [](const Faults& f) { return f.errorRequest == 3 && f.errorCode == "552"; }},
        {"error-reply:1:550", [](const Faults& f) { return f.errorRequest == 1 && f.errorCode == "550"; }},
        {"announce-bytes:-128", [](const Faults& f) { return f.announceDelta == -128; }},
        {"bad-magic-request:2",
         [](const Faults& f) { return f.badMagicRequest == 2 && f.badMagicRequestFrame == 0; }},
        {"bad-magic-request:2:5", [](const Faults& f) { return f.badMagicRequestFrame == 5; }},
    };
    for (const Case& c : good) {
        Options o;
        std::string err;
        ASSERT_TRUE(parseFault(c.fault, o, err)) << c.fault << ": " << err;
        EXPECT_TRUE(c.holds(o.faults)) << c.fault;
    }
    for (const char* bad : {"data-before-150:-1", "hold-226:x", "error-reply", "error-reply:0",
                            "error-reply:1:55", "error-reply:1:5x0", "announce-bytes", "announce-bytes:1:2",
                            "bad-magic-request:0", "bad-magic-request:1:-2"}) {
        Options p;
        std::string err;
        EXPECT_FALSE(parseFault(bad, p, err)) << bad;
    }
}

TEST(OptionsTest, HelpDocumentsEveryFault) {
    const std::string help = helpText();
    for (const char* name :
         {"delay:", "withhold:", "malformed:", "no-crlf:", "overlong:", "close-command:", "close-data:",
          "refuse", "chunk:", "early-226", "bad-magic", "stall-data", "data-before-150", "hold-226",
          "error-reply:", "announce-bytes:", "bad-magic-request:"})
        EXPECT_NE(help.find(name), std::string::npos) << name;
}

TEST(StateFileTest, SettingsAndRegionsAreApplied) {
    Camera cam(CameraConfig{});
    std::string err;
    ASSERT_TRUE(applyState(cam,
                           "# two regions of 512x256\n"
                           "memory 1\n"
                           "rmod 2 1 3 0 1 1 100\n"
                           "gain 3\nanig 2\nsmod 1\ngamma 2\n"
                           "user6 10 20 30\nwb 6 10 20 30\n"
                           "ip 10.1.2.3/8\ngateway 10.1.2.1\n"
                           "clock 2003 03 05 07 08 09\n"
                           "region 0 500 50 2003 03 05 07 00 00\n"
                           "region 1 1023 -1\n",
                           Now{0, 0}, err))
        << err;
    EXPECT_EQ(cam.memoryCode, 1);
    EXPECT_EQ(cam.mode.imageSize, 2);
    EXPECT_EQ(cam.gainCode, 3);
    EXPECT_EQ(cam.wbPreset, 6);
    EXPECT_EQ(cam.userWb[0].blue, 30);
    EXPECT_EQ(cam.ip.dotted(), "10.1.2.3");
    EXPECT_EQ(cam.clockMs(Now{0, 0}), toEpochSeconds({2003, 3, 5, 7, 8, 9}) * 1000);
    EXPECT_EQ(cam.region(0).rec.frames, 500);
    EXPECT_EQ(cam.region(0).rec.triggerIndex, 449);
    EXPECT_EQ(cam.region(0).rec.settings.gainCode, 3);
    EXPECT_EQ(cam.region(1).rec.frames, 1023);
    EXPECT_EQ(cam.region(1).triggerPos, -1);
}

TEST(StateFileTest, ErrorsNameTheLine) {
    for (const auto& [text, line] : std::vector<std::pair<std::string, std::string>>{
             {"memory 3\n", "line 1"},
             {"rmod 0 0 0 0 0 0 0\nregion 1 10 -1\n", "line 2"}, // one region only
             {"rmod 0 0 0 0 0 0 0\n\nregion 0 3345 -1\n", "line 3"},
             {"gain 9\n", "line 1"},
             {"colour red\n", "line 1"},
             {"region 0 10 -1 2003 02 30 00 00 00\n", "line 1"}}) {
        Camera cam(CameraConfig{});
        std::string err;
        EXPECT_FALSE(applyState(cam, text, Now{}, err)) << text;
        EXPECT_EQ(err.rfind(line, 0), 0u) << err;
    }
}

} // namespace
