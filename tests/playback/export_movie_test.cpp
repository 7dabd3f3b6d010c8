// The shareable movies from the player: MP4 and MKV through the same progress, cancel, messages and
// same-file guard as the AVI; the dialog's rate and slow-motion line. Read back by ffprobe.
#include "playback/export_movie.h"
#include "playback/export_run.h"
#include "playback/frm_convert.h"
#include "playback/up_down.h"
#include "tests/imagelib/ffmpeg_reader.h"
#include "tests/playback/player_fixture.h"

#include <QLabel>
#include <QRadioButton>

namespace {

struct MovieFormat {
    ConvertFormat format;
    const char* file;
    const char* title;
    const char* filter;
    const char* codec;
};
const MovieFormat kMovies[] = {
    {ConvertFormat::Mp4, "clip.mp4", "MP4 File Conversion", "MP4 File (*.MP4)|*.mp4", "h264"},
    {ConvertFormat::Mkv, "clip.mkv", "MKV File Conversion", "MKV File (*.MKV)|*.mkv", "ffv1"},
};

ConvertChoice Choice(ConvertFormat format, int32_t start, int32_t end, int32_t rate) {
    ConvertChoice choice{format, start, end, 1, rate};
    choice.quality = zrk::movie::kDefaultQuality;
    return choice;
}

// A whole run and one that is cancelled after frame 3, for each format: count, rate, progress, title,
// the recording rate (256 x 256 at rate code 1: 120 frames/s) in the metadata.
TEST_F(PlayerTest, ShareableMoviesWriteTheRangeAndStopAtCancelWithAPlayableMovie) {
    for (const MovieFormat& m : kMovies) {
        SCOPED_TRACE(m.title);
        frmPlay* p = OpenClip({.frames = 12});
        ASSERT_NE(p, nullptr);
        const QString movie = dir.file(m.file);
        ui.messages.clear();
        ui.fileAnswers.push_back(movie);
        p->RunExport(Choice(m.format, 2, 11, 24));
        EXPECT_TRUE(ui.messages.isEmpty()) << ui.MessageTexts().join(' ').toStdString();
        EXPECT_EQ(ui.dialogFilters.last(), m.filter);
        EXPECT_EQ(ui.exportProgressTitle, m.title);
        EXPECT_EQ(ui.exportProgressMax, 10);
        EXPECT_EQ(ui.exportProgressTexts.last(), "100% completed.");
        auto facts = testsupport::probeVideo(movie.toStdString());
        EXPECT_EQ(facts["codec_name"], m.codec);
        EXPECT_EQ(facts["nb_read_packets"], "10");
        EXPECT_EQ(facts["r_frame_rate"], "24/1");
        EXPECT_TRUE(p->isEnabled());

        ui.fileAnswers.push_back(movie); // replaced by the cancelled run
        ui.exportCancelWhen = [&] { return ui.exportProgressValue == 3; };
        p->RunExport(Choice(m.format, 0, 11, 30));
        ui.exportCancelWhen = nullptr;
        EXPECT_TRUE(ui.messages.isEmpty()); // a cancel says nothing
        facts = testsupport::probeVideo(movie.toStdString());
        EXPECT_EQ(facts["nb_read_packets"], "3");
        EXPECT_EQ(facts["r_frame_rate"], "30/1");
        EXPECT_FALSE(ExportRunning());
    }
}

// Refused before the movie is begun: frames past FileSize, a target that is the data file.
TEST_F(PlayerTest, ShareableMoviesAreRefusedBeforeTheFileExists) {
    frmPlay* p = OpenClip({.frames = 6, .headers = [](auto& f, auto&) { f.fileSize -= 65664; }});
    ASSERT_NE(p, nullptr);
    const QByteArray data = ReadAll(dir.file("clip.dat"));
    const QString link = dir.file("link.mkv");
    QFile::link(dir.file("clip.dat"), link);
    for (const MovieFormat& m : kMovies) {
        SCOPED_TRACE(m.title);
        ui.messages.clear();
        ui.fileAnswers.push_back(dir.file(m.file));
        p->RunExport(Choice(m.format, 0, 5, 30)); // frame 5 lies past FileSize
        ui.fileAnswers.push_back(link);
        p->RunExport(Choice(m.format, 0, 3, 30));
        EXPECT_EQ(ui.MessageTexts(),
                  QStringList({"Cannot read ZRK file.", "Cannot open movie file (it is the data file)."}));
        EXPECT_EQ(ui.messages.last().title, m.title);
        EXPECT_FALSE(QFile::exists(dir.file(m.file)));
        EXPECT_EQ(ReadAll(dir.file("clip.dat")), data);
    }
    EXPECT_EQ(ui.exportProgressShows, 0);
}

// The dialog offers both movies at 1 to 240 frames/s, 30 by default, and says how long the clip runs
// and how much slower than it was recorded; the AVI keeps its own rates. The quality (0 .. 51, 18 by
// default) is asked for the MP4 only and kept across formats.
TEST_F(PlayerTest, ConvertDialogShowsTheSlowMotionOfAMovie) {
    frmPlay* p = OpenClip({.frames = 300});
    ASSERT_NE(p, nullptr);
    frmConvert dialog(p);
    EXPECT_TRUE(dialog.lblSlowMotion->text().isEmpty()); // AVI
    for (const int i : {2, 3}) {
        dialog.optFormat[i]->click();
        EXPECT_EQ(dialog.choice().format, kMovies[i - 2].format);
        EXPECT_EQ(dialog.txtFrameRate->text(), "30");
        EXPECT_EQ(dialog.lblSlowMotion->text(),
                  QString::fromUtf8("300 frames at 30 fps = 10.0 s, 4.0× slower"));
        dialog.udnFrameRate->SetValue(240);
        dialog.udnEndFrame->SetValue(239);
        EXPECT_EQ(dialog.lblSlowMotion->text(),
                  QString::fromUtf8("240 frames at 240 fps = 1.0 s, 2.0× faster"));
        dialog.udnFrameRate->SetValue(241); // past the range: held at its end
        EXPECT_EQ(dialog.choice().rate, 240);
        EXPECT_EQ(dialog.txtQuality->isEnabled(), i == 2);
    }
    dialog.optFormat[2]->click();
    EXPECT_EQ(dialog.txtQuality->text(), "18");
    dialog.udnQuality->SetValue(60); // past the range: held at its end
    EXPECT_EQ(dialog.choice().quality, 51);
    dialog.udnQuality->SetValue(23);
    dialog.optFormat[0]->click();
    EXPECT_FALSE(dialog.txtQuality->isEnabled());
    EXPECT_EQ(dialog.choice().quality, 23);
    EXPECT_EQ(dialog.txtFrameRate->text(), "20");
    EXPECT_TRUE(dialog.lblSlowMotion->text().isEmpty());
}

} // namespace
