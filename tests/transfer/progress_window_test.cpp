// The download's progress window as the operator sees it: the real window, fed by the real writer
// through the Qt side of the UI seam, standing over the window that started the download.
#include "base/open_windows.h"
#include "base/qt_ui.h"
#include "base/waiting_windows.h"
#include "tests/transfer/transfer_fixture.h"
#include "transfer/download_owner.h"

#include <QImage>
#include <QLabel>
#include <QLocale>
#include <QProgressBar>
#include <QWidget>

namespace {

using ProgressWindow = TransferTest;

TEST_F(ProgressWindow, ShowsThePercentTheBarAndTheKilobytesOverItsOwner) {
    constexpr int32_t kFrame = 262272; // 512 x 512
    QtUi qtUi;
    SetUi(&qtUi);
    QWidget owner;
    owner.setWindowTitle(QStringLiteral("Save - 192.168.0.2"));
    owner.resize(400, 300);
    owner.show();
    Windows().frmThumbNail = &owner; // the browser the progress window disables
    g_RecMode.ImageSize = 3;
    g_strSaveFile = dir.filePath(QStringLiteral("shown.dat"));
    SendRQDL(DownloadRequest{0, 8, 8});
    DispatchReply(QStringLiteral("150 8 %1").arg(8 * kFrame));
    SetDownloadOwner(&owner);
    QByteArray frames;
    for (int i = 0; i < 3; ++i)
        frames += MakeFrame(kFrame, static_cast<uint16_t>(i));
    Feed(frames, {65536});

    auto* progress = qobject_cast<frmProgress*>(Windows().frmProgress.data());
    ASSERT_NE(progress, nullptr);
    EXPECT_TRUE(progress->isVisible());
    EXPECT_FALSE(owner.isEnabled());
    EXPECT_TRUE(progress->isEnabled()); // the window it covers is disabled, not the progress itself
    EXPECT_LE((progress->frameGeometry().center() - owner.frameGeometry().center()).manhattanLength(), 2);
    EXPECT_EQ(progress->windowTitle(), QStringLiteral("38% download completed"));
    EXPECT_EQ(progress->bar()->value(), 38);
    const QLocale locale = QLocale::system();
    EXPECT_EQ(progress->lblMsg()->text(),
              locale.toString((32 + 3 * kFrame) / 1024.0, 'f', 1) + QStringLiteral(" KB copied from ") +
                  locale.toString((32 + 8 * kFrame) / 1024.0, 'f', 1) + QStringLiteral(" KB."));
    const QImage picture = progress->grab().toImage();
    EXPECT_GT(picture.width(), 300);
    const QString docs = qEnvironmentVariable("ZRK_DOCS_DIR");
    if (!docs.isEmpty()) {
        EXPECT_TRUE(picture.save(docs + QStringLiteral("/download-progress.png")));
    }

    AbortTransfer(); // the connection ends: the window goes and gives its owner back
    EXPECT_FALSE(progress->isVisible());
    EXPECT_TRUE(owner.isEnabled());
    delete Windows().frmProgress.data();
    Windows().frmThumbNail = nullptr;
    SetUi(&ui);
}

} // namespace
