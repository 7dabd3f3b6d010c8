// The trace window's cut-back and the waiting windows standing in for modality.
#include "base/frm_trace.h"
#include "base/open_windows.h"
#include "base/shared_state.h"
#include "base/waiting_windows.h"

#include <QLabel>
#include <QListWidget>
#include <gtest/gtest.h>

namespace {

TEST(TraceWindow, KeepsTheNewest100LinesAndSelectsTheLast) {
    frmTrace window;
    EXPECT_EQ(window.windowTitle(), QStringLiteral("Debug Window"));
    for (int i = 1; i <= 101; ++i)
        window.AddTraceLine(QString::number(i));
    EXPECT_EQ(window.lstMsg()->count(), 101);
    window.AddTraceLine(QStringLiteral("102"));
    EXPECT_EQ(window.lstMsg()->count(), 100);
    for (int i = 103; i <= 150; ++i)
        window.AddTraceLine(QString::number(i));
    ASSERT_EQ(window.lstMsg()->count(), 100);
    EXPECT_EQ(window.lstMsg()->item(0)->text(), QStringLiteral("51"));
    EXPECT_EQ(window.lstMsg()->item(99)->text(), QStringLiteral("150"));
    EXPECT_EQ(window.lstMsg()->currentRow(), 99);
}

TEST(WaitingWindows, NoticeDisablesTheRecordConsoleOnlyWhileOpen) {
    QWidget console, thumbs;
    Windows().frmRec = &console;
    Windows().frmThumbNail = &thumbs;
    g_lngViewMode = 1;
    {
        frmMsgBox notice;
        notice.SetMessage(QStringLiteral("TCP/IP COM"), QStringLiteral("Connecting to camera.\r\nWait..."));
        EXPECT_EQ(notice.lblMsg()->text(), QStringLiteral("Connecting to camera.\nWait..."));
        notice.show();
        EXPECT_FALSE(console.isEnabled());
        EXPECT_TRUE(thumbs.isEnabled());
        notice.hide();
        EXPECT_TRUE(console.isEnabled());
    }
    g_lngViewMode = 2;
    {
        frmProgress progress;
        progress.Setup(QStringLiteral("Download"), QStringLiteral("Saving"), 10);
        progress.show();
        EXPECT_FALSE(thumbs.isEnabled());
    } // closing by destruction re-enables as well
    EXPECT_TRUE(thumbs.isEnabled());
    g_lngViewMode = 0;
    Windows().frmRec = nullptr;
    Windows().frmThumbNail = nullptr;
}

} // namespace
