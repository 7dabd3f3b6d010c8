// Recording flow replies, driven through the command channel.
#include "tests/protocol/reply_fixture.h"

namespace {

using RecordReplies = ReplyTest;

TEST_F(RecordReplies, StartSuccessPollsTheStateAndSendsStatNext) {
    UseTimers();
    SendRCST();
    DispatchReply("200 RCST");
    EXPECT_TRUE(Messages().isEmpty());
    EXPECT_EQ(InFlight(), "STAT");
    EXPECT_TRUE(getState->isActive());
}

TEST_F(RecordReplies, StartAndStopRefusalsShowTheirMessageAndMoveOn) {
    struct Case {
        void (*send)();
        const char* reply;
        const char* text;
    };
    const Case cases[] = {
        {SendRCST, "500 x", "Record already started."},
        {SendRCST, "501 x", "Command invlid while in preview mode."},
        {SendRCST, "502 x", "Cannot record. No available space."},
        {SendRCST, "201 x", "Recived command invalid."}, // RCST compares the whole code
        {SendRCSP, "500 x", "Record already stopped."},
        {SendRCSP, "501 x", "Command invlid while in preview mode."},
        {SendRCSP, "502 x", "Recived command invalid."},
    };
    for (const Case& c : cases) {
        ui.Clear();
        c.send();
        RequestGAIN(); // waits behind it
        DispatchReply(c.reply);
        ASSERT_EQ(ui.messages.size(), 1) << c.reply;
        EXPECT_EQ(ui.messages[0].title, "Record Control");
        EXPECT_EQ(ui.messages[0].text, c.text);
        EXPECT_EQ(ui.messages[0].icon, MsgIcon::Information);
        EXPECT_EQ(InFlight(), "GAIN") << c.reply;
        DispatchReply("200 1");
    }
}

TEST_F(RecordReplies, StopSuccessEndsThePollThenAsksForTheState) {
    UseTimers();
    getState->start();
    SendRCSP();
    DispatchReply("200 RCSP");
    EXPECT_FALSE(getState->isActive());
    EXPECT_EQ(InFlight(), "STAT");
}

TEST_F(RecordReplies, TriggerReportsOnlyFailures) {
    SendTRIG();
    DispatchReply("200 TRIG");
    SendTRIG();
    DispatchReply("500 busy");
    SendTRIG();
    DispatchReply("400 x");
    EXPECT_EQ(Messages(),
              (QStringList{"Post record in process. Trigger not possible.", "Recived command invalid."}));
    EXPECT_EQ(ui.messages[0].title, "Software Trigger");
    EXPECT_TRUE(Idle());
}

TEST_F(RecordReplies, TheStatusLineSaysATriggerWasTakenAndWhyLiveOutputKeepsTheFrames) {
    struct Case {
        void (*send)();
        const char* reply;
        int32_t camMode, postCount;
        QStringList status;
    };
    const QString live = "The camera does not clear its frames while live output runs: untick Preview first.";
    const Case cases[] = {
        {SendTRIG, "200 TRIG", 0, 95, {"Trigger accepted: 95 frames follow it."}},
        {SendTRIG, "200 TRIG", 0, 1, {"Trigger accepted: 1 frame follows it."}},
        {SendTRIG, "500 busy", 0, 95, {}}, // the refusal is its message box alone
        {SendRACL, "503 Data port busy", 1, 0, {live}},
        {SendRACL, "503 Recording in progress", 0, 0, {}},
        {SendRACL, "200 RACL", 1, 0, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.reply);
        ResetCommandChannel();
        ui.Clear();
        g_lngCamMode = c.camMode;
        g_RecMode.PostCount = c.postCount;
        c.send();
        DispatchReply(c.reply);
        EXPECT_EQ(ui.statuses, c.status);
        EXPECT_EQ(ui.messages.size(), c.reply[0] == '2' ? 0 : 1); // no box beyond the specified ones
    }
    g_lngCamMode = 0;
    g_RecMode = RecordMode{};
}

TEST_F(RecordReplies, ClearAsksForTheRegionCountsOnlyWhenTheCameraCleared) {
    SendRACL();
    DispatchReply("200 RACL");
    EXPECT_EQ(InFlight(), "NPIC");
    ResetCommandChannel();
    SendRACL();
    DispatchReply("500 RACL");
    EXPECT_EQ(Messages(), QStringList{"Cannot clear image data."});
    EXPECT_EQ(ui.messages[0].title, "Image Data Clear");
    EXPECT_TRUE(Idle());
}

TEST_F(RecordReplies, StateRepliesSetTheRunStateAndKeepThePollGoingWhileRecording) {
    UseTimers();
    RequestSTAT();
    DispatchReply("212 recording");
    EXPECT_EQ(g_lngRunState, 1);
    EXPECT_TRUE(getState->isActive()); // turned on
    EXPECT_EQ(InFlight(), "NPIC");

    ResetCommandChannel();
    RequestSTAT();
    DispatchReply("213 idle");
    EXPECT_EQ(g_lngRunState, 0);
    EXPECT_TRUE(getState->isActive()); // left alone

    ResetCommandChannel();
    RequestSTAT();
    DispatchReply("211 idle");
    EXPECT_FALSE(getState->isActive()); // turned off

    ResetCommandChannel();
    RequestSTAT();
    DispatchReply("214 live");
    EXPECT_EQ(g_lngRunState, 3);
    EXPECT_FALSE(getState->isActive());
    EXPECT_TRUE(Messages().isEmpty());
}

TEST_F(RecordReplies, UnknownStateIsReportedAndAsksForNothing) {
    g_lngRunState = 1;
    RequestSTAT();
    DispatchReply("215 what");
    EXPECT_EQ(Messages(), QStringList{"Recived command invalid."});
    EXPECT_EQ(ui.messages[0].title, "Camera Status");
    EXPECT_EQ(g_lngRunState, 1);
    EXPECT_TRUE(Idle());
}

// ---- Region counts (multi-line)

TEST_F(RecordReplies, RegionCountsFillFromContinuationLinesAndCompleteTheConnection) {
    g_RecMode.Partition = 1;
    g_lngRunState = 0;
    ui.ShowNotice("TCP/IP COM", "Connecting to camera.\r\nWait...");
    RequestNPIC();
    RequestGAIN();
    DispatchReply("200 NPIC Start");
    EXPECT_TRUE(g_blnCollectLines);
    DispatchReply("    1 120/836");
    DispatchReply("    2 0/836");
    EXPECT_EQ(InFlight(), "NPIC"); // still collecting
    DispatchReply("200 NPIC End");

    const RegionCount expected[4] = {{120, 836}, {0, 836}, {0, 0}, {0, 0}};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(g_RegionFrames[i].Recorded, expected[i].Recorded) << i;
        EXPECT_EQ(g_RegionFrames[i].Capacity, expected[i].Capacity) << i;
    }
    EXPECT_EQ(g_lngDataState, 1);
    EXPECT_EQ(control.calls, QStringList{"SetMainControls 1"});
    EXPECT_FALSE(ui.noticeOpen);
    EXPECT_FALSE(g_blnCollectLines);
    EXPECT_EQ(g_intReplyLineCount, 0);
    EXPECT_EQ(g_strReplyLines, QStringList{QString()});
    EXPECT_EQ(InFlight(), "GAIN");
    EXPECT_TRUE(hooks.calls.isEmpty()); // console not open
}

TEST_F(RecordReplies, MalformedRegionLinesCountAsEmptyRegions) {
    g_RegionFrames.fill(RegionCount{5, 5});
    RequestNPIC();
    DispatchReply("200 NPIC Start");
    DispatchReply("    1 40000/836"); // does not fit 16 bits
    DispatchReply("    2 12/x");
    DispatchReply("    3 12");
    DispatchReply("    4 -1/836");
    DispatchReply("    5 9/9"); // a fifth region does not exist
    DispatchReply("200 NPIC End");
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(g_RegionFrames[i].Recorded, 0) << i;
        EXPECT_EQ(g_RegionFrames[i].Capacity, 0) << i;
    }
    EXPECT_EQ(g_lngDataState, 0);
    EXPECT_TRUE(Idle());
}

TEST_F(RecordReplies, DataStateFollowsTheLastRegionInUseAndTheRunState) {
    struct Case {
        int partition, runState, before;
        const char* lines[2];
        int expected;
    };
    const Case cases[] = {
        {1, 0, 9, {"1 10/836", "2 5/836"}, 2},   // idle with the last region recorded: complete
        {1, 1, 9, {"1 10/836", "2 836/836"}, 2}, // recording and the last region full
        {1, 1, 9, {"1 10/836", "2 5/836"}, 1},   // recording, room left
        {1, 3, 9, {"1 10/836", "2 5/836"}, 9},   // live: unchanged
        {0, 0, 9, {"1 10/836", "2 0/836"}, 2},   // one region in use
        {7, 0, 9, {"1 10/836", "2 0/836"}, 1},   // a partition past the regions is held to the last
    };
    for (const Case& c : cases) {
        g_RecMode.Partition = c.partition;
        g_lngRunState = c.runState;
        g_lngDataState = c.before;
        RequestNPIC();
        DispatchReply("200 NPIC Start");
        for (const char* l : c.lines)
            DispatchReply(QStringLiteral("    ") + l);
        DispatchReply("200 NPIC End");
        EXPECT_EQ(g_lngDataState, c.expected) << c.partition << " " << c.runState << " " << c.lines[1];
    }
}

TEST_F(RecordReplies, RegionCountsUpdateTheOpenConsole) {
    g_lngViewMode = 1;
    RequestNPIC();
    DispatchReply("200 NPIC Start");
    DispatchReply("200 NPIC End");
    EXPECT_EQ(hooks.calls, (QStringList{"ShowRegionCounts", "UpdateButtons"}));
}

TEST_F(RecordReplies, RegionCountErrorEndsTheCommandAndStopsCollecting) {
    RequestNPIC();
    RequestGAIN();
    DispatchReply("200 NPIC Start");
    DispatchReply("500 NPIC");
    EXPECT_EQ(Messages(), QStringList{"Recived command invalid."});
    EXPECT_EQ(ui.messages[0].title, "Recored Frame Count Information");
    EXPECT_FALSE(g_blnCollectLines);
    EXPECT_EQ(InFlight(), "GAIN");
    EXPECT_TRUE(control.calls.isEmpty());
}

TEST_F(RecordReplies, AReplyWhoseEndNeverComesEndsInTheCommandTimeOut) {
    UseTimers();
    RequestNPIC();
    EXPECT_TRUE(comTimeOut->isActive());
    DispatchReply("200 NPIC Start");
    EXPECT_TRUE(comTimeOut->isActive()); // collecting: still timed
    comTimeOut->stop();
    DispatchReply("    1 1/836");
    EXPECT_TRUE(comTimeOut->isActive()); // each line restarts it
    // A success line that is neither "Start" nor "End" is ignored, but timed again.
    DispatchReply("200 NPIC");
    EXPECT_TRUE(comTimeOut->isActive());
    DispatchReply("200 NPIC Middle");
    EXPECT_TRUE(comTimeOut->isActive());
    EXPECT_EQ(InFlight(), "NPIC");
    EXPECT_TRUE(Messages().isEmpty());
}

// ---- Trigger positions (multi-line)

TEST_F(RecordReplies, TriggerPositionsTakeTwoFieldLinesWithDigitsElseNone) {
    g_lngTrigPos = {7, 7, 7, 7};
    RequestPTRG();
    DispatchReply("200 PTRG Start");
    DispatchReply("    1 500");
    DispatchReply("    2 99999999999"); // does not fit 32 bits
    DispatchReply("    3 4 5");         // three fields
    DispatchReply("200 PTRG End");
    EXPECT_EQ(g_lngTrigPos, (std::array<int32_t, 4>{500, -1, -1, -1}));
    EXPECT_TRUE(Idle());
    EXPECT_FALSE(g_blnCollectLines);
    EXPECT_TRUE(control.calls.isEmpty());

    RequestPTRG();
    DispatchReply("550 PTRG");
    EXPECT_EQ(Messages(), QStringList{"Recived command invalid."});
    EXPECT_EQ(ui.messages[0].title, "Trigger Position Information");
    EXPECT_TRUE(Idle());
}

// ---- Camera mode and live output

TEST_F(RecordReplies, ModeRecClearsTheConsolePictureEvenBehindTheThumbnailBrowser) {
    g_lngCamMode = 1;
    g_lngViewMode = 2;
    RequestMODE();
    DispatchReply("200 REC");
    EXPECT_EQ(g_lngCamMode, 0);
    EXPECT_EQ(hooks.calls, QStringList{"ClearPicture"});
    EXPECT_TRUE(Idle());
}

TEST_F(RecordReplies, ModeLiveStartsLiveOutputOnlyFromTheConsoleWithoutTheSettingsDialog) {
    g_lngViewMode = 1;
    SendMODE(1);
    DispatchReply("200 LIVE");
    EXPECT_EQ(g_lngCamMode, 1);
    EXPECT_EQ(InFlight(), "LVST");

    ResetCommandChannel();
    g_blnRecSetupOpen = true;
    SendMODE(1);
    DispatchReply("200 LIVE");
    EXPECT_TRUE(Idle());

    g_blnRecSetupOpen = false;
    g_lngViewMode = 0;
    SendMODE(1);
    DispatchReply("200 LIVE");
    EXPECT_TRUE(Idle());
}

TEST_F(RecordReplies, ModeFailuresKeepTheMode) {
    g_lngCamMode = 1;
    RequestMODE();
    DispatchReply("500 x");
    SendMODE(0);
    DispatchReply("500 x");
    RequestMODE();
    DispatchReply("200 ");
    RequestMODE();
    DispatchReply("200 PLAY");
    EXPECT_EQ(Messages(), (QStringList{"Cannot get camera mode data.", "cannot change camera mode settings.",
                                       "Recived command invalid.", "Received parameter invalid."}));
    EXPECT_EQ(ui.messages[0].title, "Camera Mode Setup");
    EXPECT_EQ(g_lngCamMode, 1);
    EXPECT_TRUE(Idle());
}

TEST_F(RecordReplies, LiveStartTakesTheCameraSettingsAndArmsTheDataTimeOut) {
    UseTimers();
    g_lngViewMode = 1;
    g_Gamma = GammaSetting{2, 67};
    g_WB = WhiteBalance{1, 184, 128, 202};
    g_GammaNew = GammaSetting{3, 55};
    g_WBNew = WhiteBalance{6, 1, 2, 3};
    SendLVST();
    DispatchReply("200 LVST");
    EXPECT_EQ(g_lngDataMode, 1);
    EXPECT_EQ(g_GammaNew, g_Gamma);
    EXPECT_EQ(g_WBNew, g_WB);
    EXPECT_EQ(hooks.calls, QStringList{"UpdateButtons"});
    EXPECT_TRUE(dataTimeOut->isActive());
    EXPECT_TRUE(Idle());

    SendLVST();
    DispatchReply("500 LVST");
    EXPECT_EQ(Messages(), QStringList{"Cannot start preview image output."});
    EXPECT_EQ(ui.messages[0].title, "Preview Output");
}

TEST_F(RecordReplies, LiveStopEndsTheDataTimeOutWhetherOrNotTheConsoleIsOpen) {
    UseTimers();
    for (int view : {1, 0}) {
        hooks.calls.clear();
        g_lngViewMode = view;
        g_lngDataMode = 1;
        dataTimeOut->start();
        SendLVSP();
        DispatchReply("200 LVSP");
        EXPECT_EQ(g_lngDataMode, 0);
        EXPECT_FALSE(dataTimeOut->isActive()) << view;
        EXPECT_EQ(hooks.calls, (view == 1 ? QStringList{"ClearPicture", "UpdateButtons"} : QStringList{}));
    }
    dataTimeOut->start();
    g_lngDataMode = 1;
    SendLVSP();
    DispatchReply("500 LVSP");
    EXPECT_EQ(Messages(), QStringList{"Cannot stop preview image output."});
    EXPECT_EQ(g_lngDataMode, 1);
    EXPECT_TRUE(dataTimeOut->isActive());
    EXPECT_TRUE(Idle());
}

} // namespace
