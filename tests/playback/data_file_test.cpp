// Opening data files: every check of the open, as a table of broken files; the header captions.
#include "playback/header_captions.h"
#include "playback/play_file.h"
#include "tests/playback/clip_files.h"

#include <QDir>
#include <QFile>
#include <gtest/gtest.h>
#include <sys/stat.h>

namespace {

const char* const kSpec = "ZRK file data not within specifications";

TEST(OpenChecks, BrokenFilesAreRefusedWithTheirMessage) {
    ClipDir dir;
    using Headers = std::function<void(ZRK_DATA_FILE_HEADER&, ZRK_DATA_INFO_HEADER&)>;
    using Frame = std::function<void(ZRK_FRAME_HEADER&, int)>;
    struct Case {
        const char* name;
        std::function<QString(const QString& path)> make;
        const char* message; // "" = opens
    };
    auto clip = [](ClipShape shape) {
        return [shape](const QString& path) { return WriteClip(path, shape); };
    };
    auto headers = [&](Headers h) { return clip({.headers = std::move(h)}); };
    auto frame0 = [&](Frame f) { return clip({.frame = std::move(f)}); };
    auto bytes = [](QByteArray content) {
        return [content](const QString& path) {
            QFile f(path);
            f.open(QIODevice::WriteOnly);
            f.write(content);
            return path;
        };
    };
    const Case cases[] = {
        {"a good file", clip({}), ""},
        {"one frame", clip({.frames = 1}), ""},
        {"a whole 512 x 512 memory announced",
         clip({.width = 512,
               .height = 512,
               .frames = 2,
               .headers = [](auto&, auto& i) { i.frameCount = 2047; }}),
         ""},
        {"one frame more than a 512 x 512 memory holds",
         clip({.width = 512,
               .height = 512,
               .frames = 2,
               .headers = [](auto&, auto& i) { i.frameCount = 2048; }}),
         kSpec},
        {"FileSize short of the frames (the missing ones fail when drawn)",
         headers([](auto& f, auto&) { f.fileSize -= 65664; }), ""},
        {"missing file", [](const QString& p) { return p + ".none"; }, "Cannot open ZRK data file."},
        {"a folder",
         [](const QString& p) {
             QDir().mkdir(p + ".d");
             return p + ".d";
         },
         "Cannot open ZRK data file."},
        {"a pipe",
         [](const QString& p) {
             ::mkfifo((p + ".fifo").toLocal8Bit().constData(), 0600);
             return p + ".fifo";
         },
         "Cannot open ZRK data file."},
        {"empty file", bytes(""), "Cannot read ZRK_DATA_FILE_HEADER."},
        {"wrong signature", headers([](auto& f, auto&) { f.signature[1] = 'Q'; }),
         "Selected file not ZRK file."},
        {"10 bytes starting with ZR", bytes(QByteArray("ZR\x20\0\0\0\x20\0\0\0", 10)),
         "Cannot read ZRK_DATA_INFO_HEADER."},
        {"HeaderSize 0", headers([](auto&, auto& i) { i.headerSize = 0; }), kSpec},
        {"HeaderSize 24", headers([](auto&, auto& i) { i.headerSize = 24; }), kSpec},
        {"DataOffset 33", headers([](auto& f, auto&) { f.dataOffset = 33; }), kSpec},
        {"no first frame header", bytes([] {
             QByteArray b(32, '\0');
             b[0] = 'Z';
             b[1] = 'R';
             b[6] = 32;
             b[10] = 22;
             b[14] = 1;
             return b;
         }()),
         "Cannot read ZRK file header."},
        {"frame without magic", frame0([](auto& h, int) { h.magic[3] = 'X'; }), "No header in ZRK data."},
        {"frame count 0", headers([](auto&, auto& i) { i.frameCount = 0; }), kSpec},
        {"negative frame count", headers([](auto&, auto& i) { i.frameCount = -3; }), kSpec},
        {"more frames than the camera holds", headers([](auto&, auto& i) { i.frameCount = 20000; }), kSpec},
        {"FileSize smaller than one frame", headers([](auto& f, auto&) { f.fileSize = 100; }), kSpec},
        {"negative FileSize", headers([](auto& f, auto&) { f.fileSize = -1; }), kSpec},
        {"a frame size the camera does not write", frame0([](auto& h, int) { h.width = 64; }), kSpec},
        {"a zero frame size", frame0([](auto& h, int) { h.width = h.height = 0; }), kSpec},
    };
    int n = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const QString path = c.make(dir.file(QStringLiteral("f%1.dat").arg(n++)));
        PlayFile file;
        file.lastFrame = 1234;
        const OpenCheck check = ReadDataFile(path, file);
        EXPECT_EQ(check.message.toStdString(), c.message);
        if (*c.message) {
            EXPECT_EQ(file.lastFrame, 1234); // nothing of a refused file is kept
        } else {
            EXPECT_EQ(file.path, path);
            EXPECT_EQ(file.dataOffset, 32);
            EXPECT_EQ(file.lastFrame, file.info.frameCount - 1);
        }
    }
}

TEST(OpenChecks, AFramePastFileSizeCountsAsMissing) {
    ClipDir dir;
    PlayFile f;
    const QString path =
        WriteClip(dir.file("a.dat"), {.headers = [](auto& h, auto&) { h.fileSize -= 65664 + 1; }});
    ASSERT_TRUE(ReadDataFile(path, f).message.isEmpty());
    EXPECT_TRUE(f.FrameInFile(2));
    EXPECT_FALSE(f.FrameInFile(3));
    EXPECT_FALSE(f.FrameInFile(4));
    EXPECT_FALSE(f.FrameInFile(5));
    EXPECT_FALSE(f.FrameInFile(-1));
}

TEST(HeaderCaptions, CodesInsideTheTablesNameTheirSettingAndOthersGiveNothing) {
    struct Case {
        QString got;
        const char* want;
    };
    ZRK_FRAME_HEADER date{};
    date.year = 126; // shown as 20 + the last two digits
    date.month = 2;
    date.day = 29;
    date.hour = 23;
    date.minute = 59;
    date.second = 58;
    ZRK_FRAME_HEADER leap = date, noDay = date, badHour = date, negative = date;
    leap.year = 24;
    noDay.month = 13;
    badHour.hour = 24;
    negative.year = -1;
    const Case cases[] = {
        {SizeCaption(0), "200x200"},
        {SizeCaption(3), "512x512"},
        {SizeCaption(4), ""},
        {SizeCaption(-1), ""},
        {RecordSpeedCaption(0, 0), "300FPS"},
        {RecordSpeedCaption(2, 0), "100FPS"},
        {RecordSpeedCaption(1, 2), "80FPS"},
        {RecordSpeedCaption(2, 2), ""}, // no third rate at 512x256
        {RecordSpeedCaption(2, 3), "30FPS"},
        {RecordSpeedCaption(299, 0), "1SPF"},  // 300 x 1 - 1
        {RecordSpeedCaption(899, 3), "10SPF"}, // 90 x 10 - 1
        {RecordSpeedCaption(5399, 3), "60SPF"},
        {RecordSpeedCaption(300, 0), ""},
        {RecordSpeedCaption(-7, 0), ""},
        {RecordSpeedCaption(0, 9), ""},
        {ShutterCaption(0), "Open"},
        {ShutterCaption(10), "1/100000"},
        {ShutterCaption(11), ""},
        {ShutterCaption(16), "1/30"},
        {ShutterCaption(20), "1/120"},
        {ShutterCaption(21), ""},
        {ShutterCaption(-1), ""},
        {GainCaption(0), "0dB"},
        {GainCaption(6), "+18dB"},
        {GainCaption(7), ""},
        {GainCaption(-32768), ""},
        {RecordDateText(noDay), ""},
        {RecordDateText(badHour), ""},
        {RecordDateText(negative), ""},
        {RecordDateText(ZRK_FRAME_HEADER{}), ""}, // month 0
        {TriggerFrameText(-1), "---"},
        {TriggerFrameText(17), "17"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.got.toStdString(), c.want);
    EXPECT_TRUE(RecordDateText(date).isEmpty()); // 2026 has no 29 February
    const QString text = RecordDateText(leap);
    EXPECT_TRUE(text.contains(u'4') && text.contains("23") && text.contains("58")) << text.toStdString();
    EXPECT_TRUE(text.endsWith(u' '));
}

} // namespace
