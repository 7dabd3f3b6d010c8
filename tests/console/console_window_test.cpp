// The record console window: opening, the display operations the reply handlers reach, its
// buttons and what they queue, the "Clear" question, closing, and a link lost under a question.
#include "base/open_windows.h"
#include "console/live_picture.h"
#include "protocol/command_set.h"
#include "tests/console/console_fixture.h"

#include <QCheckBox>
#include <QLabel>
#include <QPointer>
#include <QPushButton>

namespace {

class ConsoleWindow : public ConsoleTest {};

QColor Background(const QWidget* w) {
    return w->palette().color(QPalette::Window);
}

TEST_F(ConsoleWindow, OpeningShowsTheRecordSettingsAndRegions) {
    g_RecMode = Mode(1, 2, 2, 2, 2, 2);
    g_lngGain = 3;
    g_RegionFrames = {{{120, 836}, {0, 836}, {0, 0}, {0, 0}}};
    g_lngDataState = 1;
    frmRec* c = OpenConsole();
    ASSERT_TRUE(c);
    EXPECT_EQ(c->windowTitle(), QStringLiteral("Record - 192.168.0.2"));
    EXPECT_EQ(c->lblSpeed->text(), QStringLiteral("5SPF"));
    EXPECT_EQ(c->lblShutter->text(), QStringLiteral("1/60"));
    EXPECT_EQ(c->lblPartition->text(), QStringLiteral("3"));
    EXPECT_EQ(c->lblTrigMode->text(), QStringLiteral("End"));
    EXPECT_EQ(c->lblPostCnt->text(), QStringLiteral("0"));
    EXPECT_EQ(c->lblSize->text(), QStringLiteral("512x256"));
    EXPECT_EQ(c->lblGain->text(), QStringLiteral("+9dB"));
    EXPECT_EQ(c->picImage->geometry(), QRect(4, 132, 516, 260));
    // No analog input in use: caption and value disabled, value 0.
    EXPECT_FALSE(c->lblAnalogCap->isEnabled());
    EXPECT_FALSE(c->lblAnalog->isEnabled());
    EXPECT_EQ(c->lblAnalog->text(), QStringLiteral("0"));
    // Region labels.
    const QString texts[] = {"120/836", "0/836", "", ""};
    const QColor colours[] = {QColor(128, 128, 255), Qt::yellow, Qt::yellow, Qt::yellow};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(c->lblAreaCount[i]->text(), texts[i]) << i;
        EXPECT_EQ(Background(c->lblAreaCount[i]), colours[i]) << i;
    }
    // REC idle with data state 1: Save, Clear and Start on; the settings dialogs off.
    EXPECT_TRUE(c->cmdDownload->isEnabled() && c->cmdSetRACL->isEnabled() && c->cmdSetRCST->isEnabled());
    EXPECT_FALSE(c->cmdSetRMOD->isEnabled() || c->cmdCamera->isEnabled() || c->cmdAnalogGain->isEnabled());
    EXPECT_FALSE(c->chkPreview->isChecked());
    EXPECT_TRUE(Queued().isEmpty());
    EXPECT_EQ(g_lngViewMode, 1);
}

TEST_F(ConsoleWindow, DebugModeDecidesTheBackupButtonsAndPlay) {
    for (bool debug : {false, true}) {
        g_blnDebug = debug;
        frmRec* c = OpenConsole();
        EXPECT_EQ(c->cmdBkup->isVisibleTo(c), debug);
        EXPECT_EQ(c->cmdRstr->isVisibleTo(c), debug);
        EXPECT_EQ(c->cmdPlay->isVisibleTo(c), debug);
        c->close();
        Flush();
    }
}

TEST_F(ConsoleWindow, OpeningInLiveModeTicksPreviewAndAsksForLive) {
    g_lngCamMode = 1;
    g_lngAnalogGain = 2;
    frmRec* c = OpenConsole();
    EXPECT_TRUE(c->chkPreview->isChecked());
    EXPECT_TRUE(c->lblAnalogCap->isEnabled());
    EXPECT_EQ(Queued(), QStringList{"MODE LIVE"});
    // The MODE reply starts live output.
    Reply(QStringLiteral("200 LIVE"));
    EXPECT_EQ(Queued(), QStringList{"LVST"});
}

TEST_F(ConsoleWindow, RecordingTurnsStartRedAndIdleTurnsItBack) {
    frmRec* c = OpenConsole();
    const QColor face = c->cmdSetRCST->palette().color(QPalette::Button);
    g_lngRunState = 1;
    g_RegionFrames = {{{836, 836}, {200, 836}, {0, 0}, {0, 0}}};
    g_RecMode.Partition = 1;
    console::UpdateButtons();
    console::ShowRegionCounts();
    EXPECT_EQ(c->cmdSetRCST->palette().color(QPalette::Button), QColor(Qt::red));
    EXPECT_TRUE(c->cmdSetRCSP->isEnabled() && c->cmdSetTRIG->isEnabled());
    EXPECT_FALSE(c->chkPreview->isEnabled() || c->cmdSetRCST->isEnabled() || c->cmdDownload->isEnabled());
    EXPECT_EQ(Background(c->lblAreaCount[0]), QColor(128, 128, 255));
    EXPECT_EQ(Background(c->lblAreaCount[1]), QColor(Qt::red));
    // Live output keeps "Start"'s colour; idle puts the button face back.
    g_lngCamMode = 1;
    g_lngRunState = 3;
    console::UpdateButtons();
    EXPECT_EQ(c->cmdSetRCST->palette().color(QPalette::Button), QColor(Qt::red));
    g_lngCamMode = 0;
    g_lngRunState = 0;
    console::UpdateButtons();
    EXPECT_EQ(c->cmdSetRCST->palette().color(QPalette::Button), face);
}

TEST_F(ConsoleWindow, TheStatusLineSaysWhySettingsAreLockedUntilClearLiftsThem) {
    frmRec* c = OpenConsole();
    const QString locked =
        "Settings are locked while the camera holds recorded frames: save them, then Clear.";
    struct Step {
        int32_t camMode, runState, dataState;
        QString line;
        int said; // status texts written so far
    };
    const Step steps[] = {
        {0, 0, 0, "", 0},     {0, 1, 0, "", 0}, // recording greys them for its own reason
        {0, 0, 1, locked, 1},                   // frames held
        {1, 0, 1, locked, 1},                   // LIVE with frames: still locked, said once
        {0, 0, 2, locked, 1},                   // saved, not cleared
        {0, 0, 0, "", 2},                       // Clear lifts it
    };
    ui.Clear();
    for (const Step& s : steps) {
        g_lngCamMode = s.camMode;
        g_lngRunState = s.runState;
        g_lngDataState = s.dataState;
        console::UpdateButtons();
        EXPECT_EQ(c->lblStatus->text(), s.line) << s.dataState;
        EXPECT_EQ(ui.statuses.size(), s.said) << s.dataState;
        EXPECT_EQ(c->cmdSetRMOD->isEnabled(), s.runState == 0 && s.dataState == 0);
    }
    EXPECT_TRUE(ui.messages.isEmpty());
}

TEST_F(ConsoleWindow, ButtonsQueueTheirCommands) {
    struct Case {
        const char* name;
        int32_t camMode, dataMode, runState;
        QPushButton* frmRec::*button;
        QStringList queued;
    };
    const Case cases[] = {
        {"Start in REC", 0, 0, 0, &frmRec::cmdSetRCST, {"RCST"}},
        {"Start while live output runs", 1, 1, 3, &frmRec::cmdSetRCST, {"LVSP", "MODE REC", "RCST"}},
        {"Start in LIVE before output ran", 1, 0, 0, &frmRec::cmdSetRCST, {"MODE REC", "RCST"}},
        {"Stop", 0, 0, 1, &frmRec::cmdSetRCSP, {"RCSP"}},
        {"Trigger", 0, 0, 1, &frmRec::cmdSetTRIG, {"TRIG "}},
        {"BKUP", 0, 0, 0, &frmRec::cmdBkup, {"BKUP"}},
        {"Record settings in REC", 0, 0, 0, &frmRec::cmdSetRMOD, {}},
    };
    for (const Case& k : cases) {
        g_lngCamMode = k.camMode;
        frmRec* c = OpenConsole();
        g_lngDataMode = k.dataMode;
        g_lngRunState = k.runState;
        ClearQueue();
        (c->*k.button)->setEnabled(true);
        (c->*k.button)->click();
        EXPECT_EQ(Queued(), k.queued) << k.name;
        c->close();
        Flush();
        g_lngDataMode = 0;
    }
}

TEST_F(ConsoleWindow, UntickingPreviewStopsLiveOutputWheneverItRunsOrIsComing) {
    struct Case {
        const char* name;
        int32_t dataMode, runState;
        bool lvstQueued;
        QStringList queued;
    };
    const Case cases[] = {
        {"run state says live", 0, 3, false, {"LVSP", "MODE REC"}},
        {"data mode live, run state not yet", 1, 0, false, {"LVSP", "MODE REC"}},
        {"LVST on its way", 0, 0, true, {"LVST", "LVSP", "MODE REC"}},
        {"nothing live", 0, 0, false, {"MODE REC"}},
    };
    for (const Case& k : cases) {
        frmRec* c = OpenConsole();
        c->chkPreview->setChecked(true);
        ClearQueue();
        g_lngDataMode = k.dataMode;
        g_lngRunState = k.runState;
        if (k.lvstQueued) SendLVST();
        c->chkPreview->setChecked(false);
        EXPECT_EQ(Queued(), k.queued) << k.name;
        c->close();
        Flush();
        g_lngDataMode = 0;
        g_lngRunState = 0;
    }
}

TEST_F(ConsoleWindow, ClearAsksFirstAndCancelSendsNothing) {
    frmRec* c = OpenConsole();
    for (MsgResult answer : {MsgResult::Cancel, MsgResult::Ok}) {
        ClearQueue();
        ui.Clear();
        ui.answers = {answer};
        c->cmdSetRACL->setEnabled(true);
        c->cmdSetRACL->click();
        ASSERT_EQ(ui.messages.size(), 1);
        EXPECT_EQ(ui.messages[0].title, QStringLiteral("Image Data Clear"));
        EXPECT_EQ(ui.messages[0].text, QStringLiteral("Clear all image data?"));
        EXPECT_EQ(ui.messages[0].buttons, MsgButtons::OkCancel);
        EXPECT_EQ(ui.messages[0].icon, MsgIcon::Information);
        EXPECT_EQ(Queued(), answer == MsgResult::Ok ? QStringList{"RACL"} : QStringList{});
        EXPECT_FALSE(g_blnMsgBoxOpen);
    }
}

TEST_F(ConsoleWindow, RestoreNeedsABackupInTheSettingsFile) {
    g_blnDebug = true;
    frmRec* c = OpenConsole();
    ClearQueue();
    c->cmdRstr->click();
    EXPECT_TRUE(Queued().isEmpty());
    ASSERT_EQ(ui.messages.size(), 1);
    EXPECT_EQ(ui.messages[0].title, QStringLiteral("EPROM Data Load"));
    EXPECT_EQ(ui.messages[0].text, QStringLiteral("EPROM data not found in INI file."));
    ASSERT_TRUE(SaveEpromBackup(QStringLiteral("ZRKBK1 1 2 3")));
    c->cmdRstr->click();
    EXPECT_EQ(Queued(), QStringList{"RSTR ZRKBK1 1 2 3"});
}

TEST_F(ConsoleWindow, ALinkLostUnderTheClearQuestionIsHandledAfterIt) {
    frmRec* c = OpenConsole();
    QPointer<frmRec> alive(c);
    ui.answers = {MsgResult::Ok};
    ui.whileShown = [&](const ShownMessage&) {
        // What the supervisor does when the command link closes while a box is up.
        EXPECT_TRUE(g_blnMsgBoxOpen);
        g_blnLostDuringMsgBox = true;
    };
    ClearQueue();
    c->cmdSetRACL->setEnabled(true);
    c->cmdSetRACL->click();
    EXPECT_EQ(control.calls, (QStringList{"CloseingTCPCom", "CloseTCPCom"}));
    EXPECT_FALSE(g_blnLostDuringMsgBox);
    EXPECT_FALSE(g_blnMsgBoxOpen);
    EXPECT_EQ(g_lngViewMode, 0);
    EXPECT_TRUE(alive); // closed, but not deleted under the click handler
    Flush();
    EXPECT_FALSE(alive);
    EXPECT_FALSE(RecordConsole());
}

TEST_F(ConsoleWindow, ClosingStopsLiveOutputAndShowsTheMainWindow) {
    QWidget main;
    Windows().frmMain = &main;
    g_lngCamMode = 1;
    frmRec* c = OpenConsole();
    ClearQueue();
    c->close();
    Flush();
    EXPECT_EQ(Queued(), QStringList{"LVSP"});
    EXPECT_EQ(g_lngViewMode, 0);
    EXPECT_TRUE(main.isVisible());
    EXPECT_FALSE(RecordConsole());
    Windows().frmMain = nullptr;
}

TEST_F(ConsoleWindow, RepliesReachTheOpenConsole) {
    frmRec* c = OpenConsole();
    // An accepted RMOD makes the new mode current, shows it and resizes the picture.
    g_RecModeNew = g_RecMode;
    g_RecModeNew.ImageSize = 3;
    g_RecModeNew.RateHigh = 6;
    SendRMOD(g_RecModeNew);
    Reply(QStringLiteral("200 Record mode set"));
    EXPECT_EQ(c->lblSpeed->text(), QStringLiteral("90FPS"));
    EXPECT_EQ(c->picImage->geometry(), QRect(4, 4, 516, 516));
    // An accepted analog gain enables the analog labels.
    ClearQueue();
    g_lngAnalogGainNew = 1;
    SendANIG(1);
    Reply(QStringLiteral("200 1"));
    EXPECT_TRUE(c->lblAnalog->isEnabled());
}

TEST_F(ConsoleWindow, SaveStopsLivePreviewAndHandsOverToTheBrowser) {
    g_lngCamMode = 1;
    frmRec* c = OpenConsole();
    c->show();
    g_lngDataMode = 1;
    g_lngDataState = 1;
    ClearQueue();
    c->cmdDownload->setEnabled(true);
    c->cmdDownload->click();
    EXPECT_EQ(Queued().mid(0, 2), (QStringList{"LVSP", "MODE REC"}));
    EXPECT_FALSE(c->chkPreview->isChecked());
    ASSERT_TRUE(Windows().frmThumbNail) << "the thumbnail browser is part of this build";
    EXPECT_EQ(g_lngViewMode, 2);
    EXPECT_FALSE(c->isVisible());
    EXPECT_TRUE(Windows().frmThumbNail->isVisible());
    // The console closing (a lost link, say) takes the browser with it.
    Targets().closeRecordConsole();
    Flush();
    EXPECT_FALSE(Windows().frmThumbNail && Windows().frmThumbNail->isVisible());
    EXPECT_EQ(g_lngViewMode, 0);
}

} // namespace
