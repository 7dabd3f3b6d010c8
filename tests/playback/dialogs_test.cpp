// The export dialog's boxes, format switch, range check and folders; the new-folder dialog; the
// enhancement dialog.
#include "base/qt_ui.h"
#include "playback/frm_convert.h"
#include "playback/frm_enhance.h"
#include "playback/frm_make_folder.h"
#include "playback/up_down.h"
#include "tests/playback/player_fixture.h"

#include <QCheckBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QTest>

namespace {

class ConvertDialogTest : public PlayerTest {
protected:
    void SetUp() override {
        PlayerTest::SetUp();
        player = OpenClip({.frames = 11});
        ASSERT_NE(player, nullptr);
        dialog = std::make_unique<frmConvert>(player);
        dialog->show();
        QApplication::setActiveWindow(dialog.get());
    }
    void TearDown() override {
        dialog.reset();
        PlayerTest::TearDown();
    }
    // Types into a box as the operator would (focus in, keys, focus out).
    void Type(DigitBox* box, const QString& keys) {
        box->setFocus();
        QTest::keyClicks(box, keys);
    }
    void Clear(DigitBox* box) {
        box->setFocus();
        box->selectAll();
        QTest::keyClick(box, Qt::Key_Backspace);
    }
    frmPlay* player = nullptr;
    std::unique_ptr<frmConvert> dialog;
};

TEST_F(ConvertDialogTest, OpensOnAviForTheWholeFile) {
    EXPECT_EQ(dialog->windowTitle(), "Conversion");
    EXPECT_TRUE(dialog->optFormat[0]->isChecked());
    EXPECT_EQ(dialog->lblZRKFileName->text(), dir.file("clip.dat"));
    EXPECT_EQ(dialog->txtStartFrame->text(), "0");
    EXPECT_EQ(dialog->txtEndFrame->text(), "10");
    EXPECT_EQ(dialog->txtFrameRate->text(), "20");
    EXPECT_TRUE(dialog->lblSaveFolder->text().isEmpty());
    EXPECT_FALSE(dialog->txtInterval->isEnabled());
    EXPECT_TRUE(dialog->txtFrameRate->isEnabled());

    dialog->optFormat[1]->click();
    EXPECT_EQ(dialog->lblSaveFolder->text(), g_strAppPath);
    EXPECT_TRUE(dialog->txtInterval->isEnabled());
    EXPECT_TRUE(dialog->cmdMakeFolder->isEnabled());
    EXPECT_FALSE(dialog->txtFrameRate->isEnabled());
    EXPECT_EQ(dialog->choice().format, ConvertFormat::DibSequence);
}

TEST_F(ConvertDialogTest, BoxesTakeDigitsInsideTheirRangeAndFallBackOtherwise) {
    dialog->optFormat[1]->click();
    struct Case {
        const char* name;
        DigitBox* box;
        bool clearFirst;
        const char* keys;
        const char* text; // what the box shows afterwards
    };
    const Case cases[] = {
        {"a letter is dropped", dialog->txtStartFrame, false, "a", "0"},
        {"start inside the range", dialog->txtStartFrame, true, "3", "3"},
        {"start past the last frame falls back to the first", dialog->txtStartFrame, false, "5", "0"}, // 35
        {"end inside the range", dialog->txtEndFrame, true, "7", "7"},
        {"interval inside its range", dialog->txtInterval, true, "3", "3"},
        {"interval past the last frame keeps the interval", dialog->txtInterval, false, "0", "3"}, // 30
        {"interval 0 keeps the interval", dialog->txtInterval, true, "0", "3"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        if (c.clearFirst) Clear(c.box);
        Type(c.box, QString::fromLatin1(c.keys));
        EXPECT_EQ(c.box->text().toStdString(), c.text);
    }
    EXPECT_EQ(dialog->choice().start, 0);
    EXPECT_EQ(dialog->choice().end, 7);
    EXPECT_EQ(dialog->choice().interval, 3);
}

TEST_F(ConvertDialogTest, EmptyBoxesTakeTheirEmptyValueAndEnterMovesOn) {
    Clear(dialog->txtFrameRate);
    dialog->txtStartFrame->setFocus(); // leaving the emptied box
    EXPECT_EQ(dialog->txtFrameRate->text(), "20");
    Type(dialog->txtFrameRate, "");
    dialog->udnFrameRate->SetValue(7);
    EXPECT_EQ(dialog->txtFrameRate->text(), "7");
    Clear(dialog->txtFrameRate);
    dialog->txtEndFrame->setFocus();
    EXPECT_EQ(dialog->choice().rate, 20);

    Clear(dialog->txtEndFrame);
    dialog->txtStartFrame->setFocus();
    EXPECT_EQ(dialog->choice().end, 10);

    QTest::keyClick(dialog->txtStartFrame, Qt::Key_Return);
    EXPECT_TRUE(dialog->txtEndFrame->hasFocus());
    QTest::keyClick(dialog->txtEndFrame, Qt::Key_Return); // AVI: on to the frame rate
    EXPECT_TRUE(dialog->txtFrameRate->hasFocus());
    QTest::keyClick(dialog->txtFrameRate, Qt::Key_Return);
    EXPECT_TRUE(dialog->cmdOK->hasFocus());
    dialog->optFormat[1]->click();
    dialog->txtEndFrame->setFocus();
    QTest::keyClick(dialog->txtEndFrame, Qt::Key_Return); // bitmaps: on to the interval
    EXPECT_TRUE(dialog->txtInterval->hasFocus());
}

TEST_F(ConvertDialogTest, OkRefusesAReversedRangeAndResetsItToTheWholeFile) {
    dialog->udnStartFrame->SetValue(8);
    dialog->udnEndFrame->SetValue(3);
    dialog->cmdOK->click();
    ASSERT_EQ(ui.messages.size(), 1);
    EXPECT_EQ(ui.messages[0].title, "DIB Sequence Conversion");
    EXPECT_EQ(ui.messages[0].text, "Save frame range invalid.\r\nInput correct setting.");
    EXPECT_EQ(ui.messages[0].icon, MsgIcon::Exclamation);
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_EQ(dialog->choice().start, 0);
    EXPECT_EQ(dialog->choice().end, 10);
    dialog->cmdOK->click();
    EXPECT_EQ(dialog->result(), QDialog::Accepted);
}

TEST_F(ConvertDialogTest, FoldersAreChosenOrMadeInsideTheExportFolder) {
    dialog->optFormat[1]->click();
    ui.fileAnswers.push_back(QString()); // cancelled: unchanged
    dialog->cmdSelectFolder->click();
    EXPECT_EQ(Playback().exportFolder, g_strAppPath);
    ui.fileAnswers.push_back(dir.path());
    dialog->cmdSelectFolder->click();
    EXPECT_EQ(Playback().exportFolder, dir.path() + u'/');
    EXPECT_EQ(dialog->lblSaveFolder->text(), dir.path() + u'/');
    EXPECT_EQ(ui.folderStarts, QStringList({g_strAppPath, g_strAppPath})); // each opened at the folder

    frmMakeFolder make(dialog.get());
    EXPECT_FALSE(make.cmdOK->isEnabled());
    make.txtMakeFolder->setText("shots");
    EXPECT_TRUE(make.cmdOK->isEnabled());
    make.cmdOK->click();
    EXPECT_TRUE(QDir(dir.file("shots")).exists());
    EXPECT_EQ(Playback().exportFolder, dir.file("shots") + u'/');

    Playback().exportFolder = dir.path() + u'/';
    frmMakeFolder again(dialog.get());
    again.txtMakeFolder->setText("shots"); // exists already
    again.cmdOK->click();
    EXPECT_EQ(ui.MessageTexts(), QStringList({"Cannot create new folder."}));
    EXPECT_EQ(ui.messages[0].title, "Create New Folder");
    EXPECT_EQ(Playback().exportFolder, dir.path() + u'/');
}

TEST_F(PlayerTest, AOneFrameFileKeepsInterval1) {
    frmPlay* p = OpenClip({.frames = 1});
    ASSERT_NE(p, nullptr);
    frmConvert dialog(p);
    dialog.optFormat[1]->click();
    EXPECT_EQ(dialog.choice().interval, 1);
    EXPECT_EQ(dialog.txtInterval->text(), "1");
    EXPECT_EQ(dialog.choice().end, 0);
}

TEST(EnhanceDialog, TheSliderSetsTheStrengthLiveAndCancelPutsItBack) {
    struct Case {
        int position;
        int16_t strength;
    };
    ZRK_ENHANCE enhance{0, 100};
    int redraws = 0;
    {
        frmEnhance dialog(nullptr, enhance, [&] { ++redraws; });
        EXPECT_EQ(dialog.windowTitle(), "Enhance Properties");
        EXPECT_FALSE(dialog.chkOnOff->isChecked());
        EXPECT_EQ(dialog.sldApply->value(), 3); // 100 / 50 + 1
        EXPECT_FALSE(dialog.sldApply->isEnabled());
        EXPECT_EQ(redraws, 0); // filling itself draws nothing
        dialog.chkOnOff->click();
        EXPECT_EQ(enhance.radius, 1);
        EXPECT_TRUE(dialog.sldApply->isEnabled());
        for (const Case& c : {Case{2, 50}, Case{1, 0}, Case{11, 500}, Case{3, 100}}) {
            dialog.sldApply->setValue(c.position);
            EXPECT_EQ(enhance.strength, c.strength) << c.position;
        }
        EXPECT_EQ(redraws, 5);
        dialog.sldApply->setValue(5);
        dialog.cmdCancel->click();
        EXPECT_EQ(redraws, 7);
    }
    EXPECT_EQ(enhance.radius, 0);
    EXPECT_EQ(enhance.strength, 100);
    {
        frmEnhance dialog(nullptr, enhance, [&] { ++redraws; });
        dialog.chkOnOff->click();
        dialog.sldApply->setValue(4);
        dialog.cmdOK->click();
    }
    EXPECT_EQ(enhance.radius, 1);
    EXPECT_EQ(enhance.strength, 150);
    {
        frmEnhance dialog(nullptr, enhance, [&] { ++redraws; });
        EXPECT_TRUE(dialog.chkOnOff->isChecked());
        EXPECT_EQ(dialog.sldApply->value(), 4);
        dialog.show();
        dialog.sldApply->setValue(9);
        dialog.close(); // closing another way restores too
    }
    EXPECT_EQ(enhance.strength, 150);
}

} // namespace

namespace {

// The program's own export progress window: bar, text, "Cancel"; closing it cancels too.
TEST(ExportProgressWindow, CancelAndClosingBothCancel) {
    QtUi ui;
    ui.ShowExportProgress(nullptr, QStringLiteral("AVI File Conversion"), QStringLiteral(" 0% completed."),
                          5);
    QWidget* window = nullptr;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->objectName() == "frmConvertProgress" && w->isVisible()) window = w;
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(window->windowTitle(), "AVI File Conversion");
    auto* label = window->findChild<QLabel*>(QStringLiteral("lblMsg"));
    auto* cancel = window->findChild<QPushButton*>(QStringLiteral("cmdCancel"));
    auto* bar = window->findChild<QProgressBar*>(QStringLiteral("ProgressBar"));
    ASSERT_TRUE(label && cancel && bar);
    EXPECT_EQ(label->text(), " 0% completed.");
    EXPECT_EQ(cancel->text(), "Cancel");
    ui.SetExportProgress(2, QStringLiteral("40% completed."));
    EXPECT_EQ(bar->value(), 2);
    EXPECT_EQ(bar->maximum(), 5);
    EXPECT_EQ(label->text(), "40% completed.");
    EXPECT_FALSE(ui.ExportCancelled());
    cancel->click();
    EXPECT_TRUE(ui.ExportCancelled());

    ui.ShowExportProgress(nullptr, QStringLiteral("DIB Sequence Conversion"), QString(), 3);
    EXPECT_FALSE(ui.ExportCancelled()); // a new export starts uncancelled
    window->close();
    EXPECT_TRUE(ui.ExportCancelled());
    EXPECT_TRUE(window->isVisible()); // the export closes it once it has stopped
    ui.CloseExportProgress();
    EXPECT_FALSE(window->isVisible());
}

} // namespace
