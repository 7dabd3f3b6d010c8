// The frame table: time from the trigger for every rate, the clock as ISO 8601, the CSV whatever
// the locale, frames that cannot be read, and the "Frame data (CSV)" tick of the conversion dialog
// and the player's time beside the frame number.
#include "playback/export_frame_data.h"
#include "playback/frame_table.h"
#include "playback/frm_convert.h"
#include "tests/playback/player_fixture.h"

#include <QCheckBox>
#include <QDir>
#include <QLabel>
#include <QLocale>
#include <QPushButton>
#include <QRadioButton>
#include <clocale>

namespace {

PlayFile Opened(const QString& path) {
    PlayFile file;
    EXPECT_TRUE(ReadDataFile(path, file).message.isEmpty()) << path.toStdString();
    return file;
}

TEST(FrameTable, TimeFromTriggerFollowsTheRateOfTheRecordSpeedCode) {
    struct Case {
        const char* what;
        int32_t code, size, trigger, index;
        const char* text; // "" = no time
    };
    const Case cases[] = {
        {"300FPS after", 0, 0, 2, 5, "0.010000"},
        {"150FPS before", 1, 0, 3, 0, "-0.020000"},
        {"at the trigger", 0, 1, 4, 4, "0.000000"},
        {"45FPS", 1, 3, 0, 1, "0.022222"},
        {"30FPS", 2, 3, 0, 9, "0.300000"},
        {"1SPF at 256x256", 239, 1, 1, 3, "2.000000"},
        {"60SPF at 512x512, before", 5399, 3, 1, 0, "-60.000000"},
        {"5SPF at 200x200", 1499, 0, 0, 2, "10.000000"},
        {"no such rate at 256x256", 2, 1, 0, 1, ""},
        {"no slow rate", 3, 0, 0, 1, ""},
        {"no trigger", 0, 0, -1, 1, ""},
        {"trigger past the file", 0, 0, 10, 1, ""},
        {"image size code out of range", 0, 9, 0, 1, ""},
    };
    ClipDir dir;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const PlayFile file = Opened(WriteClip(
            dir.file("rate.dat"), {.frames = 10, .triggerFrame = c.trigger, .frame = [&](auto& h, int) {
                                       h.recordSpeed = c.code;
                                       h.imageSizeCode = c.size;
                                   }}));
        const FrameTable table = ReadFrameTable(file, c.index, c.index);
        ASSERT_EQ(table.rows.size(), 1);
        const std::optional<double> t = SecondsFromTrigger(table, c.index);
        EXPECT_EQ(t ? SecondsText(*t) : QString(), QString::fromLatin1(c.text));
        const QString shown = TriggerTimeText(file, c.index);
        EXPECT_EQ(shown.isEmpty(), !t);
        if (t) {
            EXPECT_TRUE(shown.endsWith(QString::fromLatin1(c.text).remove(u'-') + " s"))
                << shown.toStdString();
        }
    }
}

TEST(FrameTable, DatesAreIso8601OrEmptyWhenTheyDoNotExist) {
    struct Case {
        int16_t year, month, day, hour, minute, second;
        const char* text;
    };
    const Case cases[] = {
        {26, 12, 7, 16, 42, 3, "2026-12-07T16:42:03"},
        {126, 1, 31, 0, 0, 0, "2026-01-31T00:00:00"}, // "20" + year % 100, as the player shows it
        {24, 2, 29, 23, 59, 59, "2024-02-29T23:59:59"},
        {26, 2, 29, 12, 0, 0, ""},
        {26, 13, 1, 12, 0, 0, ""},
        {26, 1, 1, 24, 0, 0, ""},
        {26, 1, 1, 12, 60, 0, ""},
        {-1, 1, 1, 12, 0, 0, ""},
    };
    for (const Case& c : cases) {
        ZRK_FRAME_HEADER h{};
        h.year = c.year;
        h.month = c.month;
        h.day = c.day;
        h.hour = c.hour;
        h.minute = c.minute;
        h.second = c.second;
        EXPECT_EQ(IsoDateTime(h), QString::fromLatin1(c.text)) << c.text;
    }
}

TEST(FrameTable, CsvHasAHeaderLineCrLfAndAPointWhateverTheLocale) {
    // A comma locale for both Qt and the C library, where the system has one.
    const QLocale saved;
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    const std::string cNumeric = std::setlocale(LC_NUMERIC, nullptr);
    std::setlocale(LC_NUMERIC, "de_DE.UTF-8");
    ClipDir dir;
    const PlayFile file =
        Opened(WriteClip(dir.file("c.dat"), {.frames = 6, .triggerFrame = 2, .frame = [](auto& h, int i) {
                                                 h.recordSpeed = 0; // 240FPS at 256x256
                                                 if (i == 5) h.realFrame = 0xFFFF;
                                                 if (i == 4) h.month = 2, h.day = 30;
                                             }}));
    const QByteArray csv = FrameTableCsv(ReadFrameTable(file, 0, 5, 2));
    const QByteArray full = FrameTableCsv(ReadFrameTable(file, 3, 5));
    std::setlocale(LC_NUMERIC, cNumeric.c_str());
    QLocale::setDefault(saved);
    EXPECT_EQ(csv, "index,camera_frame,date_time,time_from_trigger_s,trigger,analog\r\n"
                   "0,100,2026-12-07T10:20:00,-0.008333,0,-5\r\n"
                   "2,102,2026-12-07T10:20:02,0.000000,1,1\r\n"
                   "4,104,,0.008333,0,7\r\n");
    EXPECT_TRUE(full.endsWith("5,65535,2026-12-07T10:20:05,0.012500,0,10\r\n")) << full.constData();
}

TEST(FrameTable, ReadingStopsAtTheFirstFrameThatIsMissingOrHasNoHeader) {
    struct Case {
        const char* what;
        ClipShape shape;
        int cutBytes; // taken off the end of the file after writing
        int rows;
        const char* error;
    };
    const Case cases[] = {
        {"whole", {.frames = 5}, 0, 5, ""},
        {"FileSize one frame short",
         {.frames = 5, .headers = [](auto& f, auto&) { f.fileSize -= 65664; }},
         0,
         4,
         "Cannot read ZRK file."},
        {"file cut inside frame 3's picture", {.frames = 5}, 65664 + 100, 3, "Cannot read ZRK file."},
        {"frame 2 without magic",
         {.frames = 5, .frame = [](auto& h, int i) { h.magic[0] = i == 2 ? 'X' : 'Z'; }},
         0,
         2,
         "No header in ZRK data."},
    };
    ClipDir dir;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const QString path = WriteClip(dir.file("r.dat"), c.shape);
        const PlayFile file = Opened(path);
        if (c.cutBytes) QFile::resize(path, QFileInfo(path).size() - c.cutBytes);
        const FrameTable table = ReadFrameTable(file, 0, 100);
        EXPECT_EQ(table.rows.size(), c.rows);
        EXPECT_EQ(table.error, QString::fromLatin1(c.error));
        for (int i = 0; i < table.rows.size(); ++i)
            EXPECT_EQ(table.rows[i].header.realFrame, 100 + i);
    }
}

TEST(FrameTable, TheCsvNeverReplacesTheDataFile) {
    ClipDir dir;
    const QString path = WriteClip(dir.file("same.csv"), {.frames = 2});
    const PlayFile file = Opened(path);
    const QByteArray before = ReadAll(path);
    EXPECT_FALSE(WriteFrameTableCsv(path, file, ReadFrameTable(file, 0, 1)));
    EXPECT_EQ(ReadAll(path), before);
    EXPECT_FALSE(WriteFrameTableCsv(dir.file("no/such/folder.csv"), file, ReadFrameTable(file, 0, 1)));
}

TEST(FrameTable, TheTableBesideAMovieNeverTakesTheMoviesName) {
    const std::pair<const char*, const char*> cases[] = {
        {"/a/m.avi", "/a/m.csv"},         {"/a/m", "/a/m.csv"},         {"/a.b/m", "/a.b/m.csv"},
        {"/a/m.tar.AVI", "/a/m.tar.csv"}, {"/a/m.csv", "/a/m.csv.csv"}, {"/a/m.CSV", "/a/m.CSV.csv"},
    };
    for (const auto& [movie, table] : cases)
        EXPECT_EQ(FrameDataBesideMovie(QString::fromLatin1(movie)), QString::fromLatin1(table)) << movie;
}

class FrameDataTest : public PlayerTest {
protected:
    void TearDown() override {
        Playback().exportFrameData = false;
        PlayerTest::TearDown();
    }
    // Runs the dialog to OK with the tick as given and the format chosen.
    ConvertChoice Confirm(frmPlay* p, ConvertFormat format, bool tick) {
        frmConvert dialog(p);
        EXPECT_TRUE(dialog.chkFrameData->isChecked()); // on by default
        EXPECT_EQ(dialog.chkFrameData->text(), "Frame data (CSV)");
        dialog.optFormat[int(format)]->click();
        dialog.chkFrameData->setChecked(tick);
        dialog.cmdOK->click();
        return dialog.choice();
    }
};

TEST_F(FrameDataTest, TheTickWritesTheTableBesideTheMovieOrIntoTheBitmapFolder) {
    frmPlay* p = OpenClip({.width = 200, .height = 200, .frames = 7, .triggerFrame = 3}, "take.dat");
    ASSERT_NE(p, nullptr);
    struct Case {
        ConvertFormat format;
        bool tick;
        const char* csv; // the table's file, "" = none
        int rows;
    };
    const Case cases[] = {
        {ConvertFormat::Avi, true, "movie.csv", 7},
        {ConvertFormat::DibSequence, true, "bitmaps/take.csv", 4},
        {ConvertFormat::Avi, false, "", 0},
        {ConvertFormat::DibSequence, false, "", 0},
    };
    int n = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(n);
        const QString here = dir.file(QString::number(n++));
        QDir().mkpath(here + "/bitmaps");
        Playback().exportFolder = here + "/bitmaps/";
        ConvertChoice choice = Confirm(p, c.format, c.tick);
        EXPECT_EQ(choice.frameData, c.tick);
        if (c.format == ConvertFormat::DibSequence) choice.interval = 2;
        ui.fileAnswers.push_back(here + "/movie.avi");
        p->RunExport(choice);
        EXPECT_TRUE(ui.messages.isEmpty());
        const QStringList written =
            QDir(here).entryList({"*.csv"}) + QDir(here + "/bitmaps").entryList({"*.csv"});
        if (!*c.csv) {
            EXPECT_TRUE(written.isEmpty()) << written.join(' ').toStdString();
            continue;
        }
        const QList<QByteArray> lines = ReadAll(here + u'/' + c.csv).split('\n');
        ASSERT_EQ(lines.size(), c.rows + 2); // the header line and a last empty piece
        EXPECT_TRUE(lines[1].startsWith("0,100,2026-12-07T10:20:00,-0.020000,")) << lines[1].constData();
        EXPECT_TRUE(lines[2].startsWith(c.format == ConvertFormat::Avi ? "1,101," : "2,102,"));
    }
}

TEST_F(FrameDataTest, ThePlayerShowsTheTimeFromTheTriggerBesideTheFrameNumber) {
    frmPlay* p = OpenClip({.frames = 5, .triggerFrame = 1}); // 120FPS at 256x256
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(p->lblFrame->text(), "0/4");
    EXPECT_EQ(p->lblTrigTime->text(), "-0.008333 s");
    p->cmdStep->click();
    EXPECT_EQ(p->lblTrigTime->text(), "0.000000 s");
    p->cmdNext->click();
    EXPECT_EQ(p->lblTrigTime->text(), "+0.025000 s");

    frmPlay* none = OpenClip({.frames = 5});
    ASSERT_NE(none, nullptr);
    EXPECT_EQ(none->lblTrigTime->text(), "");
}

} // namespace
