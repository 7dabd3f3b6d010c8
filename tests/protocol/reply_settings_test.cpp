// Simple settings, backup/restore and clock replies.
#include "tests/protocol/reply_fixture.h"

#include "base/settings.h"
#include "protocol/command_set.h"

#include <functional>

namespace {

using SettingsReplies = ReplyTest;

struct QueryCase {
    void (*request)();
    int32_t* target;
    const char* title;
    const char* failText;
    int32_t max;
};

TEST_F(SettingsReplies, QueriesStoreInRangeValuesAndReportEverythingElse) {
    const QueryCase cases[] = {
        {RequestANIG, &g_lngAnalogGain, "Analog Input Gain setup", "Cannot get gain data.", 4},
        {RequestGAIN, &g_lngGain, "Gain Setup", "Cannot get gain data.", 6},
        {RequestSMOD, &g_lngSyncMode, "Master/Slave Setup", "Recived command invalid.", 1},
        {RequestDRAM, &g_lngMemSize, "Memory Status Information", "Cannot get DRAM size data.", 2},
    };
    for (const QueryCase& c : cases) {
        ui.Clear();
        *c.target = 0;
        c.request();
        DispatchReply(QStringLiteral("200 %1").arg(c.max));
        EXPECT_EQ(*c.target, c.max) << c.title;
        EXPECT_TRUE(Idle());
        const QString tooBig = QStringLiteral("200 %1").arg(c.max + 1);
        for (const QString& reply :
             {tooBig, QStringLiteral("200 -1"), QStringLiteral("200 1x"), QStringLiteral("200 4294967297"),
              QStringLiteral("200 "), QStringLiteral("500 1")}) {
            c.request();
            DispatchReply(reply);
            EXPECT_EQ(*c.target, c.max) << c.title << " " << qPrintable(reply);
            EXPECT_TRUE(Idle());
        }
        EXPECT_EQ(Messages(), (QStringList{"Received parameter invalid.", "Received parameter invalid.",
                                           "Received parameter invalid.", "Received parameter invalid.",
                                           "Recived command invalid.", c.failText}))
            << c.title;
        for (const ShownMessage& m : ui.messages) {
            EXPECT_EQ(m.title, c.title);
            EXPECT_EQ(m.icon, MsgIcon::Information);
        }
    }
}

TEST_F(SettingsReplies, SetsCopyTheNewValueOnlyWhenAcceptedAndShowItOnTheConsole) {
    g_lngViewMode = 1;
    g_lngAnalogGainNew = 3;
    SendANIG(3);
    DispatchReply("200 ANIG");
    EXPECT_EQ(g_lngAnalogGain, 3);
    g_lngGainNew = 5;
    SendGAIN(5);
    DispatchReply("200 GAIN");
    EXPECT_EQ(g_lngGain, 5);
    EXPECT_EQ(hooks.calls, (QStringList{"ShowAnalogGain 3", "ShowGain 5"}));

    g_lngAnalogGainNew = 0;
    g_lngGainNew = 0;
    g_lngSyncModeNew = 1;
    g_GammaNew = GammaSetting{1, 77};
    SendANIG(0);
    DispatchReply("500 x");
    SendGAIN(0);
    DispatchReply("500 x");
    SendSMOD(1);
    DispatchReply("500 x");
    SendGAMM(g_GammaNew);
    DispatchReply("500 x");
    EXPECT_EQ(Messages(),
              (QStringList{"Cannot change gain setting.", "Cannot change gain setting.",
                           "Cannot change Master/Slave setting.", "Cannot change gamma setting."}));
    EXPECT_EQ(g_lngAnalogGain, 3);
    EXPECT_EQ(g_lngGain, 5);
    EXPECT_EQ(g_lngSyncMode, 0);
    EXPECT_EQ(g_Gamma, (GammaSetting{0, 100}));
    EXPECT_TRUE(Idle());

    SendSMOD(1);
    DispatchReply("200 SMOD");
    SendGAMM(g_GammaNew);
    DispatchReply("200 GAMM");
    EXPECT_EQ(g_lngSyncMode, 1);
    EXPECT_EQ(g_Gamma, (GammaSetting{1, 77}));
}

TEST_F(SettingsReplies, GainQueryReachesTheConsoleOnlyWhenItIsOpen) {
    RequestGAIN();
    DispatchReply("200 2");
    g_lngViewMode = 1;
    RequestGAIN();
    DispatchReply("200 4");
    RequestANIG();
    DispatchReply("200 1"); // the analog query leaves the console alone
    EXPECT_EQ(hooks.calls, QStringList{"ShowGain 4"});
}

TEST_F(SettingsReplies, GammaQueryFallsBackToNoneSilently) {
    RequestGAMM();
    DispatchReply("200 2 7");
    EXPECT_EQ(g_Gamma, (GammaSetting{2, 67}));
    RequestGAMM();
    DispatchReply("200 9");
    EXPECT_EQ(g_Gamma, (GammaSetting{0, 100}));
    EXPECT_TRUE(Messages().isEmpty());
    g_Gamma = GammaSetting{3, 55};
    RequestGAMM();
    DispatchReply("200 ");
    RequestGAMM();
    DispatchReply("400 1");
    EXPECT_EQ(Messages(), (QStringList{"Recived command invalid.", "Cannot get gammma data."}));
    EXPECT_EQ(ui.messages[0].title, "Gamma Setup");
    EXPECT_EQ(g_Gamma, (GammaSetting{3, 55}));
    EXPECT_TRUE(Idle());
}

// ---- Backup and restore

TEST_F(SettingsReplies, BackupStoresTheTextAfterTheCodeAndReportsSuccess) {
    SendBKUP();
    DispatchReply("200 00 11 22 AB");
    EXPECT_EQ(ReadEpromBackup(), "00 11 22 AB");
    EXPECT_EQ(Messages(), QStringList{"Data backup successfully compleated."});
    EXPECT_EQ(ui.messages[0].title, "EPROM Backup");
    EXPECT_TRUE(Idle());

    SendBKUP();
    DispatchReply("500 x");
    EXPECT_EQ(ui.messages.last().text, "Recived command invalid.");
    EXPECT_EQ(ReadEpromBackup(), "00 11 22 AB");
}

TEST_F(SettingsReplies, BackupTheSettingsFileCannotGiveBackIsRefusedAndTheOldOneKept) {
    ASSERT_TRUE(SaveEpromBackup("OLD"));
    const QString longest(kIniValueMax, u'A');
    const QStringList refused = {
        QString(kIniValueMax + 1, u'A'), // would come back cut short
        "12\n[TCP]\nClientIP=10.0.0.9",  // would write lines of its own
        "12\r34",
        QString("12") + QChar(0x3042), // not 8-bit text
        QString("12") + QChar(0),      // not text
    };
    for (const QString& text : refused) {
        ui.Clear();
        SendBKUP();
        DispatchReply("200 " + text);
        EXPECT_EQ(Messages(), QStringList{"Backup data cannot be stored. Previous backup kept."});
        EXPECT_EQ(ReadEpromBackup(), "OLD");
        EXPECT_TRUE(Idle());
    }
    EXPECT_EQ(ReadIniString("TCP", "ClientIP", "none"), "none");

    // Everything else reads back exactly, blanks at the ends and quotes included.
    const QStringList kept = {longest,  " 12",  "12 ",       "  ",
                              "\"12\"", "\"12", "\t12 34\t", " " + QString(kIniValueMax - 2, u'A') + " ",
                              ""};
    for (const QString& text : kept) {
        SendBKUP();
        DispatchReply("200 " + text);
        EXPECT_EQ(ReadEpromBackup(), text) << text.size();
        EXPECT_EQ(ui.messages.last().text, "Data backup successfully compleated.");
    }
}

TEST_F(SettingsReplies, RestoreComparesTheWholeCode) {
    for (const char* reply : {"200 ok", "501 x", "201 x"}) {
        SendRSTR("00 11");
        DispatchReply(reply);
    }
    EXPECT_EQ(Messages(), (QStringList{"Date restore successfully complated.", "Cannot restore EPROM data.",
                                       "Recived command invalid."}));
    EXPECT_EQ(ui.messages[0].title, "EPROM Restore");
    EXPECT_TRUE(Idle());
}

// ---- Clock

QDateTime InRangeClock() {
    return QDateTime(QDate(2026, 12, 7), QTime(5, 30, 0));
}
QDateTime OutOfRangeClock() {
    return QDateTime(QDate(2100, 1, 1), QTime(0, 0, 0));
}

TEST_F(SettingsReplies, CameraTimeOpensTheDialogWhenAskedFor) {
    SetReplyClock(InRangeClock);
    g_blnTimeDialogPending = true;
    RequestTIME();
    DispatchReply("200 2 7 15 9 5 0");
    EXPECT_EQ(hooks.calls, QStringList{"OpenDateTimeDialog"});
    EXPECT_EQ(hooks.dialogMoment, QDateTime(QDate(2002, 7, 15), QTime(9, 5, 0)));
    EXPECT_TRUE(Messages().isEmpty());
    EXPECT_TRUE(Idle());

    // The request is spent once the dialog opened, or once the reply failed: a later read-out
    // (every reconnect) never opens the dialog by itself.
    EXPECT_FALSE(g_blnTimeDialogPending);
    hooks.calls.clear();
    RequestTIME();
    DispatchReply("200 2030 1 1 0 0 0");
    EXPECT_TRUE(hooks.calls.isEmpty());
    EXPECT_TRUE(Messages().isEmpty());
    g_blnTimeDialogPending = true;
    RequestTIME();
    DispatchReply("500 busy");
    EXPECT_FALSE(g_blnTimeDialogPending);
    RequestTIME();
    DispatchReply("200 2030 1 1 0 0 0");
    EXPECT_TRUE(hooks.calls.isEmpty());
}

TEST_F(SettingsReplies, CameraTimeRollsOverLikeCalendarArithmetic) {
    g_blnTimeDialogPending = true;
    const std::pair<const char*, QDateTime> cases[] = {
        {"200 2002 13 1 0 0 0", QDateTime(QDate(2003, 1, 1), QTime(0, 0))},
        {"200 2004 3 0 0 0 0", QDateTime(QDate(2004, 2, 29), QTime(0, 0))},
        {"200 2004 0 1 0 0 0", QDateTime(QDate(2003, 12, 1), QTime(0, 0))},
        {"200 2002 2 30 0 0 0", QDateTime(QDate(2002, 3, 2), QTime(0, 0))},
        {"200 2002 12 31 24 0 61", QDateTime(QDate(2003, 1, 1), QTime(0, 1, 1))},
        {"200 29 1 1 0 0 0", QDateTime(QDate(2029, 1, 1), QTime(0, 0))},
        {"200 2099 12 31 23 59 59", QDateTime(QDate(2099, 12, 31), QTime(23, 59, 59))},
    };
    for (const auto& [reply, expected] : cases) {
        g_blnTimeDialogPending = true; // each opening clears it
        RequestTIME();
        DispatchReply(reply);
        EXPECT_EQ(hooks.dialogMoment, expected) << reply;
    }
    EXPECT_TRUE(Messages().isEmpty());
}

TEST_F(SettingsReplies, InvalidCameraTimeFallsBackToTheComputerClock) {
    SetReplyClock(InRangeClock);
    g_blnTimeDialogPending = true;
    const char* replies[] = {
        "200 45 1 1 0 0 0",        // 1945
        "200 1999 12 31 23 59 59", // the day before the range
        "200 2099 12 31 24 0 0",   // rolls into 2100
        "200 2002 7 15 9 5",       // a field missing
        "200 2002 7 15 9 5 x",     // not digits
        "200 2002 7 15 9 5 40000", // does not fit 16 bits
    };
    for (const char* reply : replies) {
        ui.Clear();
        hooks.calls.clear();
        g_blnTimeDialogPending = true;
        RequestTIME();
        DispatchReply(reply);
        EXPECT_EQ(Messages(), QStringList{"Camera time data invalid. Reset from PC."}) << reply;
        EXPECT_EQ(ui.messages.value(0).title, "Date/Time Setup");
        EXPECT_EQ(hooks.calls, QStringList{"OpenDateTimeDialog"}) << reply;
        EXPECT_EQ(hooks.dialogMoment, InRangeClock()) << reply;
        EXPECT_TRUE(Idle());
    }
}

TEST_F(SettingsReplies, BothClocksOutOfRangeShowBothMessagesAndOpenNothing) {
    SetReplyClock(OutOfRangeClock);
    g_blnTimeDialogPending = true;
    RequestTIME();
    RequestGAIN();
    DispatchReply("200 45 1 1 0 0 0");
    EXPECT_EQ(Messages(), (QStringList{"Camera time data invalid. Reset from PC.",
                                       "PC date/time range cannot support software range."}));
    EXPECT_FALSE(g_blnTimeDialogPending);
    EXPECT_TRUE(hooks.calls.isEmpty());
    EXPECT_EQ(InFlight(), "GAIN");
}

TEST_F(SettingsReplies, ClockFailures) {
    g_blnTimeDialogPending = true;
    RequestTIME();
    DispatchReply("500 x");
    SendTIME("2002 07 15 09 05 00");
    DispatchReply("500 x");
    SendTIME("2002 07 15 09 05 00");
    DispatchReply("200 TIME");
    EXPECT_EQ(Messages(), (QStringList{"Cannot get date/time.", "Cannot change date/time."}));
    EXPECT_TRUE(hooks.calls.isEmpty());
    EXPECT_TRUE(Idle());
}

TEST(DialogRange, CoversThisCentury) {
    EXPECT_TRUE(DateInDialogRange(QDate(2000, 1, 1)));
    EXPECT_TRUE(DateInDialogRange(QDate(2026, 12, 7)));
    EXPECT_TRUE(DateInDialogRange(QDate(2099, 12, 31)));
    EXPECT_FALSE(DateInDialogRange(QDate(1999, 12, 31)));
    EXPECT_FALSE(DateInDialogRange(QDate(2100, 1, 1)));
    EXPECT_FALSE(DateInDialogRange(QDate()));
}

// ---- The value a set command sent is the one its acceptance makes current

TEST(SentValues, AnAcceptedSettingTakesTheValueSentNotTheLaterNewValue) {
    // Each case sends one value, then the dialog moves on (its "New" variable changes) before the
    // camera's reply arrives.
    ScriptedUi ui;
    g_blnLinkOpen = true;
    ResetCommandChannel();
    InstallReplyHandlers();
    const RecordMode sentMode{0, 3, 0, 2, 1, 0, 0, 1, 0, 10};
    const WhiteBalance sentWB{7, 10, 20, 30};
    struct Case {
        const char* name;
        std::function<void()> sendThenMoveOn;
        const char* reply;
        std::function<bool()> currentIsSent;
    };
    const Case cases[] = {
        {"GAIN", [] { SendGAIN(4), g_lngGainNew = 1; }, "200 4", [] { return g_lngGain == 4; }},
        {"ANIG", [] { SendANIG(3), g_lngAnalogGainNew = 0; }, "200 3", [] { return g_lngAnalogGain == 3; }},
        {"SMOD", [] { SendSMOD(1), g_lngSyncModeNew = 0; }, "200 1", [] { return g_lngSyncMode == 1; }},
        {"GAMM",
         [] {
             SendGAMM({2, 67}), g_GammaNew = {0, 100};
         },
         "200 2 67",
         [] {
             return g_Gamma == GammaSetting{2, 67};
         }},
        {"WBPR",
         [&] {
             SendWBPR(sentWB);
             g_WBNew = WhiteBalance{0, 1, 1, 1};
         },
         "200 7 10 20 30", [&] { return g_WB == sentWB && g_UserWB[1].Red == 10 && g_UserWB[1].Blue == 30; }},
        {"RMOD",
         [&] {
             SendRMOD(sentMode);
             g_RecModeNew = RecordMode{};
         },
         "200 Record mode set", [&] { return g_RecMode == sentMode; }},
    };
    for (const Case& c : cases) {
        c.sendThenMoveOn();
        DispatchReply(QString::fromLatin1(c.reply));
        EXPECT_TRUE(c.currentIsSent()) << c.name;
    }
    EXPECT_TRUE(ui.messages.isEmpty()) << ui.MessageTexts().join(u'|').toStdString();
    for (auto& h : ReplyHandlers())
        h = nullptr;
    g_blnLinkOpen = false;
}

} // namespace
