// Export from the player: bitmap sequences and movies, their progress, cancel, failures, the
// same-file guard, and what an export in progress keeps from starting.
#include "playback/export_run.h"
#include "playback/frm_convert.h"
#include "protocol/hot_keys.h"
#include "tests/imagelib/avi_reader.h"
#include "tests/playback/player_fixture.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QPushButton>
#include <QRegularExpression>
#include <QTimer>
#include <QToolButton>

namespace {

ConvertChoice Bitmaps(int32_t start, int32_t end, int32_t interval) {
    return {ConvertFormat::DibSequence, start, end, interval, 20};
}
ConvertChoice Movie(int32_t start, int32_t end, int32_t rate = 20) {
    return {ConvertFormat::Avi, start, end, 1, rate};
}

QStringList Bitmaps(const QString& folder) {
    return QDir(folder).entryList({QStringLiteral("*.bmp")}, QDir::Files, QDir::Name);
}

TEST_F(PlayerTest, BitmapSequencesWriteTheStepsOfTheRangeWithProgress) {
    struct Case {
        int32_t start, end, interval;
        QStringList files;
        int maximum;
        QStringList texts;
    };
    const Case cases[] = {
        {5, 5, 1, {"00005.bmp"}, 1, {"", "100% completed."}},
        {0,
         10,
         4,
         {"00000.bmp", "00004.bmp", "00008.bmp"},
         3,
         {"", "33% completed.", "66% completed.", "100% completed."}},
        {9, 10, 1, {"00009.bmp", "00010.bmp"}, 2, {"", "50% completed.", "100% completed."}},
    };
    frmPlay* p = OpenClip({.width = 200, .height = 200, .frames = 11});
    ASSERT_NE(p, nullptr);
    int n = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.start);
        const QString folder = dir.file(QString::number(n++));
        QDir().mkdir(folder);
        Playback().exportFolder = folder + u'/';
        p->RunExport(Bitmaps(c.start, c.end, c.interval));
        EXPECT_EQ(Bitmaps(folder), c.files);
        EXPECT_EQ(ui.exportProgressTitle, "DIB Sequence Conversion");
        EXPECT_EQ(ui.exportProgressMax, c.maximum);
        EXPECT_EQ(ui.exportProgressTexts, c.texts);
        EXPECT_FALSE(ui.exportProgressOpen);
        EXPECT_EQ(ui.exportProgressOwner, p); // the player's window
        EXPECT_TRUE(p->isEnabled());
        EXPECT_EQ(QFileInfo(folder + "/" + c.files[0]).size(), 600 * 200 + 54);
        EXPECT_EQ(
            ui.statuses.last(),
            QStringLiteral("%1 exported to %2/")
                .arg(c.files.size() == 1 ? "1 frame" : QString::number(c.files.size()) + " frames", folder));
    }
    EXPECT_TRUE(ui.messages.isEmpty());
}

TEST_F(PlayerTest, ABitmapSequenceStopsAtCancelOrAtAMissingFrameKeepingWhatItWrote) {
    frmPlay* p = OpenClip({.frames = 8, .headers = [](auto& f, auto&) { f.fileSize -= 3 * 65664; }});
    ASSERT_NE(p, nullptr);
    Playback().exportFolder = dir.path() + u'/';
    ui.exportCancelWhen = [&] { return ui.exportProgressValue == 2; };
    p->RunExport(Bitmaps(0, 7, 1));
    EXPECT_EQ(Bitmaps(dir.path()), QStringList({"00000.bmp", "00001.bmp"}));
    EXPECT_TRUE(ui.messages.isEmpty()); // a cancel says nothing in a box, only in the status line
    EXPECT_EQ(ui.statuses, QStringList{"Export cancelled: 2 frames written to " + dir.path() + "/"});

    ui.exportCancelWhen = nullptr;
    p->RunExport(Bitmaps(3, 7, 1)); // frames 5 to 7 lie past FileSize
    EXPECT_EQ(Bitmaps(dir.path()), QStringList({"00000.bmp", "00001.bmp", "00003.bmp", "00004.bmp"}));
    ASSERT_EQ(ui.messages.size(), 1);
    EXPECT_EQ(ui.messages[0].title, "DIB Sequences Conversion");
    EXPECT_EQ(ui.messages[0].text, "Cannot read ZRK file.");
    EXPECT_TRUE(p->isEnabled());
}

TEST_F(PlayerTest, NumberedBitmapsOfAnEarlierExportAreReplacedOnlyWhenTheOperatorSaysYes) {
    frmPlay* p = OpenClip({.width = 200, .height = 200, .frames = 3});
    ASSERT_NE(p, nullptr);
    struct Case {
        MsgResult answer;
        QStringList files;
        bool replaced;
    };
    const Case cases[] = {
        {MsgResult::No, {"00001.bmp", "notes.bmp"}, false},
        {MsgResult::Yes, {"00000.bmp", "00001.bmp", "00002.bmp", "notes.bmp"}, true},
    };
    int n = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.replaced);
        const QString folder = dir.file(QString::number(n++));
        QDir().mkdir(folder);
        for (const char* name : {"00001.bmp", "notes.bmp"}) {
            QFile f(folder + u'/' + QLatin1String(name));
            ASSERT_TRUE(f.open(QIODevice::WriteOnly));
            f.write("earlier");
        }
        Playback().exportFolder = folder + u'/';
        ui.Clear();
        ui.exportProgressShows = 0;
        ui.answers.push_back(c.answer);
        p->RunExport(Bitmaps(0, 2, 1));
        ASSERT_EQ(ui.messages.size(), 1);
        EXPECT_EQ(ui.messages[0].title, "DIB Sequence Conversion");
        EXPECT_EQ(ui.messages[0].text,
                  "The folder already holds numbered bitmaps of this range (00001.bmp).\r\nReplace them?");
        EXPECT_EQ(ui.messages[0].icon, MsgIcon::Question);
        EXPECT_EQ(ui.messages[0].buttons, MsgButtons::YesNo);
        EXPECT_EQ(Bitmaps(folder), c.files);
        EXPECT_EQ(ReadAll(folder + "/00001.bmp") == "earlier", !c.replaced);
        EXPECT_EQ(ReadAll(folder + "/notes.bmp"), "earlier"); // not a numbered bitmap
        EXPECT_EQ(ui.exportProgressShows, c.replaced ? 1 : 0);
        EXPECT_TRUE(p->isEnabled());
    }
}

TEST_F(PlayerTest, NoExportIsWrittenOverTheDataFile) {
    // The data file is named like the third bitmap of the sequence, in the export folder.
    frmPlay* p = OpenClip({}, QStringLiteral("00002.bmp"));
    ASSERT_NE(p, nullptr);
    const QByteArray before = ReadAll(dir.file("00002.bmp"));
    Playback().exportFolder = dir.path() + u'/';
    p->RunExport(Bitmaps(0, 4, 1));
    EXPECT_EQ(Bitmaps(dir.path()), QStringList({"00002.bmp"})); // refused before the first one
    ASSERT_EQ(ui.MessageTexts(), QStringList({"Cannot write to file."}));

    const QString link = dir.file("movie.avi");
    QFile::link(dir.file("00002.bmp"), link);
    ui.fileAnswers.push_back(link);
    p->RunExport(Movie(0, 4));
    EXPECT_EQ(ui.messages.size(), 2);
    EXPECT_EQ(ui.messages[1].title, "AVI File Conversion");
    EXPECT_EQ(ui.messages[1].text, "Cannot open AVI file.");
    EXPECT_EQ(ReadAll(dir.file("00002.bmp")), before);
}

TEST_F(PlayerTest, AMovieCountsItsProgressInPercentAndIsProposedATimeStampedName) {
    // 400 frames: past the 327 at which a 16-bit percentage would overflow.
    frmPlay* p = OpenClip({.width = 200, .height = 200, .frames = 400});
    ASSERT_NE(p, nullptr);
    const QString movie = dir.file("all.avi");
    ui.fileAnswers.push_back(movie);
    p->RunExport(Movie(0, 399, 30));
    EXPECT_TRUE(ui.messages.isEmpty());
    ASSERT_EQ(ui.dialogFilters.last(), "AVI File (*.AVI)|*.avi");
    EXPECT_TRUE(QRegularExpression(QRegularExpression::anchoredPattern(
                                       QRegularExpression::escape(g_strAppPath) + "\\d{12}\\.avi"))
                    .match(ui.proposedPaths.last())
                    .hasMatch())
        << ui.proposedPaths.last().toStdString();
    EXPECT_EQ(ui.exportProgressTitle, "AVI File Conversion");
    EXPECT_EQ(ui.exportProgressOwner, p);
    EXPECT_EQ(ui.exportProgressMax, 400);
    ASSERT_EQ(ui.exportProgressTexts.size(), 102);
    EXPECT_EQ(ui.exportProgressTexts.first(), " 0% completed."); // the dialog's own, then the frames'
    for (int i = 0; i <= 100; ++i)
        EXPECT_EQ(ui.exportProgressTexts[i + 1], QStringLiteral("%1% completed.").arg(i));
    const auto facts = testsupport::walkAvi(movie.toStdString());
    EXPECT_EQ(facts.error, "");
    EXPECT_EQ(facts.length, 400u);
    EXPECT_EQ(facts.rate, 30u);
    EXPECT_EQ(ui.statuses, QStringList{"400 frames exported to " + movie});
}

TEST_F(PlayerTest, AMovieStopsOnCancelSilentlyAndOnAnUnreadableFrameWithItsMessage) {
    struct Case {
        const char* name;
        std::function<bool(const QString& data)> afterThirdFrame; // true cancels
        QStringList messages;
    };
    const Case cases[] = {
        {"cancel", [](const QString&) { return true; }, {}},
        {"data file cut short",
         [](const QString& data) {
             QFile::resize(data, 32 + 4 * 65664 - 10);
             return false;
         },
         {"Cannot read ZRK file."}},
        {"frame without its magic",
         [](const QString& data) {
             QFile f(data);
             f.open(QIODevice::ReadWrite);
             f.seek(32 + 3 * 65664);
             f.write("X");
             return false;
         },
         {"No header in ZRK data."}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ui.messages.clear();
        frmPlay* p = OpenClip({.frames = 10}, QStringLiteral("cut.dat"));
        ASSERT_NE(p, nullptr);
        const QString movie = dir.file("cut.avi");
        ui.fileAnswers.push_back(movie);
        bool fired = false, cancel = false;
        ui.exportCancelWhen = [&] {
            if (!fired && ui.exportProgressValue == 3) {
                fired = true;
                cancel = c.afterThirdFrame(dir.file("cut.dat"));
            }
            return cancel;
        };
        p->RunExport(Movie(0, 9));
        ui.exportCancelWhen = nullptr;
        EXPECT_EQ(ui.MessageTexts(), c.messages);
        for (const ShownMessage& m : ui.messages)
            EXPECT_EQ(m.title, "AVI File Conversion");
        const auto facts = testsupport::walkAvi(movie.toStdString());
        EXPECT_EQ(facts.error, "");
        EXPECT_EQ(facts.length, 3u); // a valid movie of the three frames written
        EXPECT_EQ(facts.idx1Entries, 3u);
        EXPECT_TRUE(p->isEnabled());
    }
}

TEST_F(PlayerTest, AMovieOfADataFileCutShortHoldsTheFramesBeforeTheCutThenSaysSo) {
    struct Case {
        const char* name;
        std::function<void(ZRK_DATA_FILE_HEADER&, ZRK_DATA_INFO_HEADER&)> headers;
        int64_t cutTo; // the file's size after opening, 0: as written
        int32_t start;
        uint32_t frames; // in the movie; 0: none begun
    };
    const Case cases[] = {
        {"an interrupted download: 3 of 10 frames", {}, 32 + 3 * 65664 + 100, 0, 3},
        {"FileSize short of the last frames", [](auto& f, auto&) { f.fileSize -= 4 * 65664; }, 0, 2, 4},
        {"the first frame missing", [](auto& f, auto&) { f.fileSize -= 9 * 65664; }, 0, 2, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ui.Clear();
        ui.exportProgressShows = 0;
        frmPlay* p = OpenClip({.frames = 10, .headers = c.headers}, QStringLiteral("cut.dat"));
        ASSERT_NE(p, nullptr);
        if (c.cutTo) QFile::resize(dir.file("cut.dat"), c.cutTo);
        const QString movie = dir.file("cut.avi");
        QFile::remove(movie);
        ui.fileAnswers.push_back(movie);
        p->RunExport(Movie(c.start, 9));
        EXPECT_EQ(ui.MessageTexts(), QStringList({"Cannot read ZRK file."}));
        EXPECT_EQ(ui.messages.value(0).title, "AVI File Conversion");
        EXPECT_EQ(ui.exportProgressShows, c.frames ? 1 : 0);
        EXPECT_TRUE(p->isEnabled());
        if (c.frames == 0) {
            EXPECT_FALSE(QFile::exists(movie));
            continue;
        }
        const auto facts = testsupport::walkAvi(movie.toStdString());
        EXPECT_EQ(facts.error, "");
        EXPECT_EQ(facts.length, c.frames);
        EXPECT_EQ(facts.idx1Entries, c.frames);
    }
}

TEST_F(PlayerTest, WhileAnExportRunsNothingElseStartsAndClosingCancelsIt) {
    frmPlay* p = OpenClip({.frames = 10});
    ASSERT_NE(p, nullptr);
    Playback().exportFolder = dir.path() + u'/';
    int openDialogs = 0;
    bool checked = false;
    ui.exportCancelWhen = [&] {
        if (ui.exportProgressValue != 2 || checked) return false;
        checked = true;
        EXPECT_TRUE(ExportRunning());
        EXPECT_FALSE(p->isEnabled());
        const int dialogs = ui.dialogFilters.size();
        EXPECT_TRUE(OpenDataFile()); // "Play": no dialog, the player stays
        openDialogs = ui.dialogFilters.size() - dialogs;
        RouteHotKey(6); // Right arrow: no playback
        RouteHotKey(0); // Page Up: no step
        EXPECT_FALSE(p->Playing());
        EXPECT_EQ(p->CurrentFrame(), 0);
        p->RunExport(Bitmaps(0, 9, 1)); // no second export
        p->close();                     // cancels; the window goes once the export has stopped
        EXPECT_FALSE(Windows().frmPlay.isNull());
        return false;
    };
    p->RunExport(Bitmaps(0, 9, 1));
    EXPECT_TRUE(checked);
    EXPECT_EQ(openDialogs, 0);
    EXPECT_EQ(Bitmaps(dir.path()).size(), 2);
    EXPECT_EQ(ui.exportProgressShows, 1);
    EXPECT_TRUE(ui.messages.isEmpty());
    EXPECT_FALSE(ExportRunning());
    QCoreApplication::processEvents();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(Windows().frmPlay.isNull());
    EXPECT_EQ(g_lngViewMode, 0);
}

} // namespace
