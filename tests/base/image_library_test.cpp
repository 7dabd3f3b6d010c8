// The program binds the image library by name, and tells the operator when it cannot.
#include "base/image_library.h"
#include "tests/support/scripted_ui.h"

#include <functional>
#include <gtest/gtest.h>
#include <utility>
#include <vector>

namespace {

TEST(ImageLibrary, TheProgramsBindingFindsTheLibraryBesideTheExecutables) {
    // The tests live in the same folder as Zrk1 and libzrkimage.so.
    ASSERT_TRUE(ImageLib().bindAll()) << ImageLib().message();
    std::vector<uint8_t> buffer(16, 0);
    const uint8_t bytes[4] = {1, 2, 3, 4};
    EXPECT_EQ(ImageLib().writeImageBuf(buffer.data(), 16, bytes, 14, 4), -1); // would not fit
    EXPECT_GE(ImageLib().writeImageBuf(buffer.data(), 16, bytes, 12, 4), 0);
    EXPECT_EQ(buffer[15], 4);
}

TEST(ImageLibrary, AMissingLibraryBecomesAMessageNotACrash) {
    ScriptedUi ui;
    zrk::imagelib::ImageLibrary missing("/nonexistent/libzrkimage.so");
    int16_t status = 0;
    ZRK_ENHANCE off{0, 0};
    EXPECT_EQ(missing.combRgbFile("a.dat", "a.bmp", 200, 200, &off, 32, 0, &status), 0);
    EXPECT_EQ(status, zrk::imagelib::kStatusUnavailable);
    EXPECT_FALSE(ReportImageLibraryUnavailable(0, QStringLiteral("Play Control"), missing));
    EXPECT_TRUE(ui.messages.isEmpty());
    EXPECT_TRUE(ReportImageLibraryUnavailable(status, QStringLiteral("Play Control"), missing));
    ASSERT_EQ(ui.messages.size(), 1);
    EXPECT_EQ(ui.messages[0].title, QStringLiteral("Play Control"));
    EXPECT_TRUE(ui.messages[0].text.contains(QStringLiteral("zrkimage")))
        << ui.messages[0].text.toStdString();

    // Every later call, of the same function or another, says the same thing again.
    const ZRK_SURFACE surface{};
    uint8_t frame[4] = {};
    const std::pair<const char*, std::function<void()>> calls[] = {
        {"file", [&] { missing.combRgbFile("a.dat", "a.bmp", 200, 200, &off, 32, 0, &status); }},
        {"live",
         [&] { missing.combRgbLive(&surface, frame, 2, 2, 2, 2, nullptr, 100, &off, nullptr, &status); }},
        {"thumbnail", [&] { missing.combRgbThumbNail(&surface, frame, 2, 2, 2, 2, &off, nullptr, &status); }},
    };
    for (const auto& [name, call] : calls) {
        status = 0;
        call();
        EXPECT_EQ(status, zrk::imagelib::kStatusUnavailable) << name;
        EXPECT_TRUE(ReportImageLibraryUnavailable(status, QStringLiteral("Play Control"), missing));
        EXPECT_EQ(ui.messages.last().text, ui.messages[0].text) << name;
    }
}

} // namespace
