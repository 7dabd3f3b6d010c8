#include "base/file_utils.h"
#include "tests/support/scripted_ui.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

TEST(FileDialogs, EmptyFilterOffersAllFilesAndCancelGivesEmptyPath) {
    ScriptedUi ui;
    ui.fileAnswers.push_back(QString());
    EXPECT_TRUE(ShowOpenDialog(QString()).isEmpty());
    EXPECT_EQ(ui.dialogFilters, QStringList{QStringLiteral("All Files(*.*)|*.*")});
    ui.fileAnswers.push_back(QStringLiteral("/tmp/a.dat"));
    EXPECT_EQ(ShowSaveDialog(QStringLiteral("ZRK Data File(*.DAT)|*.dat")), QStringLiteral("/tmp/a.dat"));
}

TEST(FileDialogs, PipeFiltersBecomeQtFiltersMatchingEitherCase) {
    EXPECT_EQ(QtFilterFromPipes(QStringLiteral("ZRK Data File(*.DAT)|*.dat")),
              QStringLiteral("ZRK Data File(*.DAT) (*.dat *.DAT)"));
    EXPECT_EQ(QtFilterFromPipes(QStringLiteral("Bitmap|*.bmp|All Files(*.*)|*.*")),
              QStringLiteral("Bitmap (*.bmp *.BMP);;All Files(*.*) (*)"));
    EXPECT_EQ(QtFilterFromPipes(QString()), QStringLiteral("All Files(*.*) (*)"));
}

TEST(FileQueries, FreeSpaceAndFileName) {
    QTemporaryDir dir;
    const QString file = dir.path() + "/frames.dat";
    EXPECT_GT(GetFreeSpace(file), 0.0); // not created yet: its folder's file system
    EXPECT_TRUE(GetFileName(file).isEmpty());
    QFile f(file);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.close();
    EXPECT_EQ(GetFileName(file), QStringLiteral("frames.dat"));
    EXPECT_GT(GetFreeSpace(dir.path() + "/new/sub/x.dat"), 0.0);
}

} // namespace
