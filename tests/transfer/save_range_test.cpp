// SaveRange: the proposed name and filter, the free-space test with the headers counted, arming,
// and the refusal of a second save while a download is armed or running.
#include "tests/transfer/transfer_fixture.h"
#include "transfer/free_space_probe.h"
#include "transfer/save_range.h"

#include <QRegularExpression>
#include <QWidget>

namespace {

constexpr double kFrame = 40128;
double g_free = 0;

class Save : public TransferTest {
protected:
    void SetUp() override {
        TransferTest::SetUp();
        SetFreeSpaceProbe([](const QString&) { return g_free; });
        g_free = 1e12;
        ResetCommandChannel();
    }
    void TearDown() override {
        SetFreeSpaceProbe(nullptr);
        TransferTest::TearDown();
    }
    QString Chosen() const { return dir.filePath(QStringLiteral("chosen.dat")); }
};

TEST_F(Save, ProposesATimeStampedNameInTheProgramFolderAndArmsTheRequest) {
    ui.fileAnswers = {Chosen()};
    QWidget owner;
    ASSERT_TRUE(SaveRange(2, 40, 12, 7, 3, &owner));
    ASSERT_EQ(ui.proposedPaths.size(), 1);
    EXPECT_TRUE(QRegularExpression(QStringLiteral("^") + QRegularExpression::escape(g_strAppPath) +
                                   QStringLiteral("\\d{12}\\.dat$"))
                    .match(ui.proposedPaths[0])
                    .hasMatch())
        << ui.proposedPaths[0].toStdString();
    EXPECT_EQ(ui.dialogFilters, QStringList{"ZRK Data File (*.DAT)|*.dat"});
    EXPECT_EQ(InFlight(), QStringLiteral("RQDL 2 40 12"));
    EXPECT_EQ(g_strSaveFile, Chosen());
    EXPECT_EQ(g_intIDNumber, 7);
    EXPECT_EQ(g_lngTrigOffset, 3);
    EXPECT_TRUE(DownloadBusy());

    // The progress window belongs to the window that asked.
    DispatchReply(QStringLiteral("150 1 40128"));
    Feed(MakeFrame(40128, 1).left(100));
    EXPECT_EQ(ui.progressOwner, &owner);
}

TEST_F(Save, TheFreeSpaceMustExceedTheWholeFileHeadersIncluded) {
    const double file = 12 * kFrame + 32;
    struct Case {
        double free;
        bool accepted;
    };
    for (const Case c :
         {Case{file, false}, Case{file - 16, false}, Case{12 * kFrame, false}, Case{file + 1, true}}) {
        SCOPED_TRACE(c.free);
        ResetCommandChannel();
        ui.Clear();
        g_free = c.free;
        ui.fileAnswers = {Chosen()};
        EXPECT_EQ(SaveRange(0, 12, 12, 0, -1), c.accepted);
        EXPECT_EQ(g_blnCmdBusy, c.accepted);
        if (!c.accepted) {
            ASSERT_EQ(ui.messages.size(), 1);
            EXPECT_EQ(ui.messages[0].text,
                      QStringLiteral("Not enough free space. Cannot save ZRK data file."));
            EXPECT_EQ(ui.messages[0].title, QStringLiteral("Save"));
            EXPECT_EQ(ui.messages[0].icon, MsgIcon::Information);
        }
    }
}

TEST_F(Save, CancellingTheDialogSendsNothing) {
    ui.fileAnswers = {QString()};
    EXPECT_FALSE(SaveRange(0, 5, 5, 0, -1));
    EXPECT_FALSE(g_blnCmdBusy);
    EXPECT_TRUE(ui.messages.isEmpty());
}

TEST_F(Save, ASecondSaveCannotRedirectOrDropTheRunningDownload) {
    ui.fileAnswers = {Chosen(), dir.filePath(QStringLiteral("other.dat"))};
    RequestGAIN(); // something in flight: the RQDL waits in the queue, armed
    ASSERT_TRUE(SaveRange(0, 5, 5, 1, -1));
    EXPECT_FALSE(SaveRange(1, 3, 3, 2, -1)); // queued: refused without a dialog
    EXPECT_EQ(ui.dialogFilters.size(), 1);
    DispatchReply(QStringLiteral("200 3")); // GAIN done, the RQDL goes out
    DispatchReply(QStringLiteral("150 5 200640"));
    Feed(MakeFrame(40128, 0));
    EXPECT_FALSE(SaveRange(1, 3, 3, 2, -1)); // running: refused
    EXPECT_EQ(g_strSaveFile, Chosen());
    EXPECT_EQ(g_intIDNumber, 1);
    EXPECT_EQ(ui.dialogFilters.size(), 1);
}

TEST_F(Save, ARequestThatEndsWithoutDataFreesSave) {
    struct Case {
        const char* name;
        std::function<void()> end;
    };
    const Case cases[] = {
        {"camera refuses", [] { DispatchReply(QStringLiteral("552 Invalid count")); }},
        {"connection lost",
         [] {
             g_blnLinkOpen = false;
             AbortTransfer();
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ResetCommandChannel();
        g_blnLinkOpen = true;
        ui.fileAnswers = {Chosen()};
        ASSERT_TRUE(SaveRange(0, 5, 5, 0, -1));
        ASSERT_TRUE(DownloadBusy());
        c.end();
        EXPECT_FALSE(DownloadBusy());
    }
    // A camera in live mode: the channel drops the request unsent.
    ResetCommandChannel();
    g_blnLinkOpen = true;
    g_lngCamMode = 1;
    ui.fileAnswers = {Chosen()};
    SaveRange(0, 5, 5, 0, -1);
    EXPECT_FALSE(DownloadBusy());
}

} // namespace
