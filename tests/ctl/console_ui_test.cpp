// The progress bars on a terminal: the download's caption follows its real percentage, the export
// draws a bar too, and a message ends a bar's line before it is written.
#include "ctl/console_ui.h"

#include <gtest/gtest.h>
#include <pty.h>
#include <unistd.h>

namespace {
TEST(ConsoleUi, DrawsProgressOnATerminal) {
    int master = -1, slave = -1;
    ASSERT_EQ(openpty(&master, &slave, nullptr, nullptr, nullptr), 0);
    std::FILE* out = fdopen(slave, "w");
    ASSERT_NE(out, nullptr);
    {
        ConsoleUi ui(out);
        ui.ShowProgressOver(nullptr, "0% download completed", QString(), 100);
        ui.SetProgressCaption("37% download completed");
        ui.SetProgress(37, "37.0 KB copied from 100.0 KB.");
        ui.MessageBox("Save", "Cannot write to file.", MsgIcon::None, MsgButtons::Ok);
        ui.CloseProgress();
        ui.ShowExportProgress(nullptr, "AVI File Conversion", " 0% completed.", 10);
        ui.SetExportProgress(5, "50% completed.");
        ui.CloseExportProgress();
        EXPECT_EQ(ui.failures(), 1);
    }
    std::fclose(out);
    QByteArray seen;
    char buffer[4096];
    for (ssize_t n; (n = ::read(master, buffer, sizeof buffer)) > 0;)
        seen.append(buffer, n);
    ::close(master);
    const QString text = QString::fromLatin1(seen).remove(QLatin1Char('\r')).remove("\x1b[K");
    EXPECT_TRUE(text.contains("37% download completed [###########...................] 37.0 KB copied"))
        << text.toStdString();
    // The bar's line ends before the message; the pty turns LF into CR LF.
    EXPECT_TRUE(text.contains("KB.\nSave: Cannot write to file.\n")) << text.toStdString();
    EXPECT_TRUE(text.contains("AVI File Conversion [###############...............] 50% completed.\n"))
        << text.toStdString();
}
} // namespace
