// Start-up without the memory for the frame buffers: the operator is told, nothing is shown.
#include "base/frame_buffers.h"
#include "base/open_windows.h"
#include "base/shared_state.h"
#include "program/startup.h"
#include "tests/support/scripted_ui.h"

#include <QTemporaryDir>
#include <cstdlib>
#include <gtest/gtest.h>

namespace {

int g_blocksLeft = 0; // blocks the test allocator still grants

void* Limited(std::size_t count, std::size_t size) {
    if (g_blocksLeft <= 0) return nullptr;
    --g_blocksLeft;
    return std::calloc(count, size);
}

struct Case {
    int blocks;
    const char* text;
};

TEST(StartUpMemory, EachMissingBufferHasItsMessageAndTheProgramEnds) {
    const Case cases[] = {
        {0, "Not enough PC memory for preview. \r\nCannot open Application."},
        {1, "Not enough PC memory for preview. \r\nCannot open Application."},
        {2, "Not enough PC memory for thumbnail.\r\nCannot open application."},
    };
    QTemporaryDir dir;
    SetBlockAllocator(Limited);
    for (const Case& c : cases) {
        ScriptedUi ui;
        g_blocksLeft = c.blocks;
        EXPECT_FALSE(StartUp(StartUpOptions{dir.path()})) << c.blocks;
        ASSERT_EQ(ui.messages.size(), 1) << c.blocks;
        EXPECT_EQ(ui.messages[0].title, QStringLiteral("Memory Error"));
        EXPECT_EQ(ui.messages[0].text, QString::fromLatin1(c.text));
        EXPECT_TRUE(Windows().frmMain.isNull()); // the main window is never created
        ShutDown();
        EXPECT_EQ(g_PreviewBuf[0].address, nullptr);
        EXPECT_EQ(g_ThumbBuf.address, nullptr);
    }
    SetBlockAllocator(nullptr);
}

TEST(StartUpMemory, ANormalStartAllocatesZeroFilledBuffersAndShutDownFreesThem) {
    QTemporaryDir dir;
    ScriptedUi ui;
    ASSERT_TRUE(StartUp(StartUpOptions{dir.path()}));
    ASSERT_NE(g_PreviewBuf[1].address, nullptr);
    EXPECT_EQ(g_PreviewBuf[1].address[kFrameBufferBytes - 1], 0);
    EXPECT_FALSE(Windows().frmMain.isNull());
    EXPECT_TRUE(ui.messages.isEmpty());
    ShutDown();
    EXPECT_EQ(g_PreviewBuf[0].address, nullptr);
    EXPECT_EQ(g_ThumbBuf.handle, nullptr);
    EXPECT_TRUE(Windows().frmMain.isNull());
}

} // namespace
