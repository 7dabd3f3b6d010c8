// The camera settings dialog and the small setup dialogs without a camera: what each control
// enables, what each button queues, one window of each kind, and a link lost under a question.
// Pictures of every window for the docs are written when ZRK_DOCS_DIR names a folder.
#include "base/main_window_parts.h"
#include "base/open_windows.h"
#include "base/shared_state.h"
#include "console/console_message.h"
#include "console/frm_about.h"
#include "console/frm_analog_in.h"
#include "console/frm_camera.h"
#include "console/frm_date_time.h"
#include "console/frm_sync_mode.h"
#include "console/frm_version.h"
#include "console/setup_dialogs.h"
#include "protocol/command_channel.h"
#include "protocol/main_control.h"
#include "tests/support/scripted_ui.h"

#include <QComboBox>
#include <QDateEdit>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QTest>
#include <QTimeEdit>
#include <gtest/gtest.h>

namespace {

class LostLinkControl final : public MainControl {
public:
    int lost = 0;
    void SetMainControls(int) override {}
    void UntickConnect() override {}
    void CloseTCPCom() override {}
    void CloseingTCPCom() override { ++lost; }
};

class SetupDialogs : public ::testing::Test {
protected:
    ScriptedUi ui;
    QWidget mainWindow, console;
    LostLinkControl control;

    void SetUp() override {
        Windows().frmMain = &mainWindow;
        MainParts() = MainWindowParts{};
        ResetCameraSettings();
        ResetCommandChannel();
        g_blnLinkOpen = true;
        SetMainControl(&control);
    }
    void TearDown() override {
        CloseSetupDialogs();
        QTest::qWait(1); // deferred deletions
        SetMainControl(nullptr);
        Windows().frmMain = nullptr;
        g_blnLinkOpen = false;
        ResetCommandChannel();
    }
    // Every command queued since the channel was reset (nothing answers here).
    static QStringList Queued() {
        QStringList out;
        for (int16_t i = 0; i != g_intQueueWrite; IncWrap(i, 0, kCmdQueueSlots - 1))
            out << g_CmdQueue[static_cast<std::size_t>(i)].Text;
        return out;
    }
    static void Picture(QWidget* window, const char* name) {
        const QString folder = qEnvironmentVariable("ZRK_DOCS_DIR");
        const QPixmap shot = window->grab();
        EXPECT_FALSE(shot.isNull()) << name;
        if (!folder.isEmpty()) shot.save(folder + u'/' + QString::fromLatin1(name));
    }
};

// Enabled state of the preset controls: sliders, "Default", "Recall", "Save", and the user labels.
QString PresetControls(frmCamera& d) {
    QString s;
    for (QWidget* w : std::initializer_list<QWidget*>{d.sldRed, d.cmdInitial, d.cmdUserLoad, d.cmdUserSet})
        s += w->isEnabled() ? u'1' : u'0';
    return s + u' ' + d.lblUserRed->text() + u',' + d.lblUserGreen->text() + u',' + d.lblUserBlue->text();
}

TEST_F(SetupDialogs, PresetControlsFollowThePresetAndTheSliders) {
    g_WB = WhiteBalance{1, 150, 128, 100};
    g_UserWB[1] = UserWhiteBalance{11, 22, 33};
    ui.answers = {MsgResult::Ok};
    ShowCameraDialog(&console);
    frmCamera& d = *CameraDialog();
    struct Step {
        const char* action;
        std::function<void()> run;
        const char* controls;
        int red; // slider position afterwards
    };
    const Step steps[] = {
        {"opened at a built-in preset", [] {}, "0000 ,,", 128},
        {"User 2 chosen", [&] { d.cmbWhiteBalance->setCurrentIndex(4); }, "1100 11,22,33", 11},
        {"a slider moved", [&] { d.sldRed->setValue(40); }, "1111 11,22,33", 40},
        {"Recall", [&] { d.cmdUserLoad->click(); }, "1100 11,22,33", 11},
        {"moved again and saved", [&] { d.sldBlue->setValue(90), d.cmdUserSet->click(); }, "1100 11,22,90",
         11},
        {"Daylight chosen", [&] { d.cmbWhiteBalance->setCurrentIndex(0); }, "0000 ,,", 128},
    };
    for (const Step& s : steps) {
        s.run();
        EXPECT_EQ(PresetControls(d), QString::fromLatin1(s.controls)) << s.action;
        EXPECT_EQ(d.sldRed->value(), s.red) << s.action;
        EXPECT_EQ(d.lblRed->text(), QString::number(s.red)) << s.action;
        if (&s == &steps[2]) Picture(&d, "camera-properties.png"); // a user preset being edited
    }
    EXPECT_EQ(ui.messages.value(0).title, QStringLiteral("User White Balance Setup"));
    EXPECT_EQ(Queued(), QStringList{QStringLiteral("WBPR 7 11 22 90")});
}

TEST_F(SetupDialogs, CameraDialogSendsGainAtOnceTheRestOnOkAndRestoresOnCancel) {
    g_lngGain = 2;
    g_Gamma = GammaSetting{0, 100};
    g_WB = WhiteBalance{1, 150, 128, 100};
    ShowCameraDialog(&console);
    EXPECT_FALSE(console.isEnabled());
    EXPECT_TRUE(CameraDialog()->isEnabled()); // usable over the disabled console
    EXPECT_TRUE(CameraDialogOpen());
    for (int gain : {3, 4, 5})
        CameraDialog()->cmbCamGain->setCurrentIndex(gain);
    CameraDialog()->cmbGamma->setCurrentIndex(2);
    CameraDialog()->cmbWhiteBalance->setCurrentIndex(3);
    CameraDialog()->sldGreen->setValue(77);
    EXPECT_EQ(g_GammaNew, (GammaSetting{2, 67})); // what the live picture is drawn with meanwhile
    EXPECT_EQ(g_WBNew.Preset, 6);
    EXPECT_EQ(g_WBNew.Green, 77);
    CameraDialog()->cmdCancel->click();
    EXPECT_FALSE(CameraDialogOpen());
    EXPECT_TRUE(console.isEnabled());
    EXPECT_EQ(Queued(), (QStringList{"GAIN 3", "GAIN 4", "GAIN 5", "GAIN 2"}));
    EXPECT_EQ(g_GammaNew, g_Gamma); // the camera's own values again
    EXPECT_EQ(g_WBNew, g_WB);

    ResetCommandChannel();
    ShowCameraDialog(&console);
    CameraDialog()->cmbGamma->setCurrentIndex(2);
    CameraDialog()->cmbWhiteBalance->setCurrentIndex(4);
    CameraDialog()->sldRed->setValue(60);
    CameraDialog()->cmdOK->click();
    const UserWhiteBalance& user2 = g_UserWB[1];
    EXPECT_EQ(Queued(),
              (QStringList{"GAMM 2 67", QStringLiteral("WBPR 7 60 %1 %2").arg(user2.Green).arg(user2.Blue)}));
}

TEST_F(SetupDialogs, DefaultAsksFirstAndALinkLostUnderTheQuestionIsHandledAfterIt) {
    g_WB = WhiteBalance{6, 1, 2, 3};
    ShowCameraDialog(&console);
    ui.answers = {MsgResult::Cancel, MsgResult::Ok, MsgResult::Ok};
    CameraDialog()->cmdInitial->click(); // cancelled: nothing
    CameraDialog()->cmdInitial->click();
    EXPECT_EQ(Queued(), QStringList{"WBPR 6 184 128 202"});
    EXPECT_EQ(ui.messages.value(1).text, QStringLiteral("Return settings to factory default?"));

    ui.whileShown = [](const ShownMessage&) {
        EXPECT_TRUE(g_blnMsgBoxOpen);
        g_blnLostDuringMsgBox = true; // what the supervisor does for a link lost now
    };
    CameraDialog()->sldRed->setValue(9);
    CameraDialog()->cmdUserSet->click();
    EXPECT_EQ(control.lost, 1); // the lost-connection notice, once the box is gone
    EXPECT_FALSE(g_blnMsgBoxOpen || g_blnLostDuringMsgBox);
    EXPECT_EQ(Queued().size(), 1);      // nothing saved
    ASSERT_NE(CameraDialog(), nullptr); // not deleted under the handler

    {
        const ConsoleMessageScope outer; // the question nested in another box's scope
        ui.answers = {MsgResult::Cancel};
        CameraDialog()->cmdInitial->click();
        EXPECT_TRUE(g_blnMsgBoxOpen); // still the outer box's
    }
    EXPECT_FALSE(g_blnMsgBoxOpen);
}

TEST_F(SetupDialogs, OkOfTheSmallDialogsOnlyWhenThereIsSomethingToSendAndALinkToSendItOn) {
    g_lngSyncMode = 1;
    g_lngAnalogGain = 2;
    ShowSyncModeDialog();
    ShowAnalogInDialog(&console);
    frmSyncMode& sync = *SyncModeDialog();
    frmAnalog& analog = *AnalogInDialog();
    EXPECT_TRUE(sync.optSyncMode[1]->isChecked());
    EXPECT_EQ(analog.cmbAnalogGain->currentText(), QStringLiteral("x2"));
    struct Step {
        const char* action;
        std::function<void()> run;
        bool syncOk, analogOk;
    };
    const Step steps[] = {
        {"opened", [] {}, false, false},
        {"changed", [&] { sync.optSyncMode[0]->click(), analog.cmbAnalogGain->setCurrentIndex(4); }, true,
         true},
        {"link lost", [] { g_blnLinkOpen = false, QTest::qWait(300); }, false, false},
        {"link back", [] { g_blnLinkOpen = true, QTest::qWait(300); }, true, true},
        {"changed back", [&] { sync.optSyncMode[1]->click(), analog.cmbAnalogGain->setCurrentIndex(2); },
         false, false},
    };
    for (const Step& s : steps) {
        s.run();
        EXPECT_EQ(sync.cmdOK->isEnabled(), s.syncOk) << s.action;
        EXPECT_EQ(analog.cmdOK->isEnabled(), s.analogOk) << s.action;
    }
    Picture(&sync, "master-slave.png");
    Picture(&analog, "analog-input.png");
    sync.optSyncMode[0]->click();
    analog.cmbAnalogGain->setCurrentIndex(0);
    sync.cmdOK->click();
    analog.cmdOK->click();
    EXPECT_EQ(Queued(), (QStringList{"SMOD 0", "ANIG 0"}));
    EXPECT_TRUE(console.isEnabled());
}

TEST_F(SetupDialogs, DateTimeDialogSendsThePickedMomentAndKeepsWhatWasTyped) {
    g_blnTimeDialogPending = true;
    ShowDateTimeDialog(QDateTime(QDate(2020, 6, 1), QTime(12, 0, 0)));
    frmSetTime& d = *DateTimeDialog();
    EXPECT_FALSE(mainWindow.isEnabled());
    EXPECT_EQ(d.dtpDate->minimumDate(), QDate(2000, 1, 1));
    EXPECT_EQ(d.dtpDate->maximumDate(), QDate(2099, 12, 31));
    d.dtpDate->setDate(QDate(2003, 3, 5));
    d.dtpTime->setTime(QTime(7, 8, 9));
    ShowDateTimeDialog(QDateTime(QDate(2021, 1, 1), QTime(0, 0, 0))); // a second reply
    EXPECT_EQ(DateTimeDialog(), &d);
    EXPECT_EQ(d.dtpDate->date(), QDate(2003, 3, 5));
    g_blnLinkOpen = false;
    QTest::qWait(300);
    EXPECT_FALSE(d.cmdOK->isEnabled());
    g_blnLinkOpen = true;
    QTest::qWait(300);
    Picture(&d, "date-time.png");
    d.cmdOK->click();
    EXPECT_EQ(Queued(), QStringList{"TIME 2003 03 05 07 08 09"});
    EXPECT_FALSE(g_blnTimeDialogPending);
    EXPECT_TRUE(mainWindow.isEnabled());
}

TEST_F(SetupDialogs, VersionsAndAboutShowOnceEachOverTheMainWindow) {
    g_intVersion = {1, 2, 3, 0, 12, 1};
    ShowVersions();
    ShowVersions();
    frmVersion& v = *VersionWindow();
    EXPECT_EQ(v.lblMainProg->text(), QStringLiteral("KB4401-03"));
    EXPECT_EQ(v.lblCpuCard->text(), QStringLiteral("KB4402-12"));
    EXPECT_EQ(v.lblTgCard->text(), QStringLiteral("KB4403-01"));
    EXPECT_EQ(PartNumber("KB4401-", 123), QStringLiteral("KB4401-123"));
    EXPECT_FALSE(mainWindow.isEnabled());
    Picture(&v, "versions.png");
    v.cmdOK->click();
    EXPECT_TRUE(mainWindow.isEnabled());

    ShowAboutBox();
    frmAbout* about = AboutWindow();
    ShowAboutBox();
    EXPECT_EQ(AboutWindow(), about);
    EXPECT_TRUE(about->lblVersion->text().startsWith(QStringLiteral("ZRK-1 Control Program Ver ")));
    EXPECT_EQ(about->lblVersion->text().section(u' ', -1).count(u'.'), 2);
    Picture(about, "about.png");
    about->cmdOK->click();
    EXPECT_TRUE(mainWindow.isEnabled());
}

} // namespace
