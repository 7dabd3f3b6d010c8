// zrkctl export --mp4 / --mkv as a script runs it: the slow-motion line, the movie, and the refusals
// that come before any file exists.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>

#include "tests/imagelib/ffmpeg_reader.h"
#include "tests/imagelib/test_support.h"

using namespace testsupport;

namespace {

struct CtlRun {
    int exit = -1;
    std::string out; // standard output and error together
};

CtlRun zrkctl(const std::string& args) {
    const char* bin = std::getenv("ZRK_BIN_DIR");
    const std::string command = std::string(bin ? bin : ".") + "/zrkctl " + args + " 2>&1";
    CtlRun r;
    FILE* p = ::popen(command.c_str(), "r");
    if (!p) return r;
    char buffer[4096];
    for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, p)) > 0;)
        r.out.append(buffer, n);
    const int status = ::pclose(p);
    r.exit = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return r;
}

// Eight 256 x 256 frames as the camera writes them: size code 1, rate code 1 (120 frames/s).
std::string recording(const TempDir& dir) {
    std::vector<std::vector<uint8_t>> records;
    for (unsigned k = 0; k < 8; ++k) {
        auto r = frameRecord(256, 256, 0);
        fillPattern(r, k);
        ZRK_FRAME_HEADER h;
        std::memcpy(&h, r.data(), sizeof h);
        h.imageSizeCode = 1;
        h.recordSpeed = 1;
        std::memcpy(r.data(), &h, sizeof h);
        records.push_back(r);
    }
    const std::string path = dir.file("rec.dat");
    writeDataFile(path, records);
    return path;
}

TEST(ZrkctlMovie, ExportsBothFormatsAndRefusesBadArgumentsBeforeTheFile) {
    TempDir dir;
    const std::string data = recording(dir);
    struct Case {
        const char* what;
        std::string args;
        int exit;
        const char* says;
        const char* codec; // null: no movie may exist
        const char* rate;
    };
    const std::string mp4 = dir.file("clip.mp4"), mkv = dir.file("clip.mkv");
    const Case cases[] = {
        {"mp4", "--mp4 " + mp4 + " --rate 25 --range 1:6 --quality 20", 0,
         "6 frames at 25 fps = 0.2 s, 4.8\u00d7 slower", "h264", "25/1"},
        {"mkv", "--mkv " + mkv, 0, "8 frames at 30 fps = 0.3 s, 4.0\u00d7 slower", "ffv1", "30/1"},
        {"quality out of range", "--mp4 " + mp4 + " --quality 52", 2, "--quality takes 0", nullptr, nullptr},
        {"rate 0", "--mkv " + mkv + " --rate 0", 2, "--rate takes 1 to 240", nullptr, nullptr},
        {"two formats", "--mp4 " + mp4 + " --mkv " + mkv, 2, "give one of", nullptr, nullptr},
        {"range past the file", "--mp4 " + mp4 + " --range 5:8", 1, "holds frames 0 to 7", nullptr, nullptr},
        {"the data file itself", "--mkv " + data, 1, "MKV File Conversion: Cannot open movie file", nullptr,
         nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::filesystem::remove(mp4);
        std::filesystem::remove(mkv);
        const CtlRun r = zrkctl("export " + data + " " + c.args);
        EXPECT_EQ(r.exit, c.exit) << r.out;
        EXPECT_NE(r.out.find(c.says), std::string::npos) << r.out;
        if (!c.codec) {
            EXPECT_FALSE(std::filesystem::exists(mp4));
            EXPECT_FALSE(std::filesystem::exists(mkv));
            continue;
        }
        auto facts = probeVideo(c.codec == std::string("h264") ? mp4 : mkv);
        EXPECT_EQ(facts["codec_name"], c.codec);
        EXPECT_EQ(facts["r_frame_rate"], c.rate);
        EXPECT_EQ(facts["nb_read_packets"], c.codec == std::string("h264") ? "6" : "8");
    }
    EXPECT_EQ(std::filesystem::file_size(data), 32 + 8 * (256 * 256 + 128)); // never written over
}

} // namespace
