// The program-side binding: by name beside the executable, and clear messages when something is missing.
#include <gtest/gtest.h>

#include <cstdlib>

#include "imagelib/client/zrkimage_client.h"
#include "tests/imagelib/test_support.h"

using namespace testsupport;
using zrk::imagelib::ImageLibrary;

TEST(ImageLibraryBinding, FindsTheLibraryBesideTheExecutableAndCallsIt) {
    ImageLibrary& library = zrk::imagelib::imageLibrary();
    std::vector<uint8_t> buffer(256, 0), piece(28, 5);
    EXPECT_EQ(library.writeImageBuf(buffer.data(), 256, piece.data(), 100, 28), 128);
    EXPECT_TRUE(library.message().empty());
    const char* binDir = std::getenv("ZRK_BIN_DIR");
    ASSERT_NE(binDir, nullptr);
    EXPECT_EQ(library.loadedFrom(), std::string(binDir) + "/libzrkimage.so");
    EXPECT_TRUE(library.bindAll()) << library.message();

    const auto record = frameRecord(64, 8, 100);
    Surface s(64, 8);
    int16_t status = 99;
    EXPECT_EQ(library.combRgbThumbNail(&s.s, record.data(), 64, 8, 64, 8, nullptr, nullptr, &status), 1);
    EXPECT_EQ(status, 0);
    EXPECT_EQ(s.at(4, 4), 0xff646464u);
    const uint16_t gains[3] = {128, 128, 128};
    EXPECT_EQ(library.combRgbLive(&s.s, record.data(), 64, 8, 64, 8, gains, 100, nullptr, nullptr, &status),
              1);
    TempDir dir;
    EXPECT_EQ(library.combRgbPlay(&s.s, dir.file("none.dat").c_str(), 64, 8, 64, 8, nullptr, nullptr, 32, 0,
                                  &status),
              0);
    EXPECT_EQ(status, ZRK_STATUS_READ); // a failure of the library's own, not of the binding
    EXPECT_TRUE(library.message().empty());
    EXPECT_EQ(library.combRgbFile(dir.file("none.dat").c_str(), dir.file("a.bmp").c_str(), 64, 8, nullptr, 32,
                                  0, &status),
              0);
    EXPECT_EQ(status, ZRK_STATUS_READ);
}

TEST(ImageLibraryBinding, AMissingLibraryFailsEveryCallWithAMessage) {
    ImageLibrary library("/nonexistent/folder/libzrkimage.so");
    int16_t status = 0;
    Surface s(64, 8);
    EXPECT_EQ(library.combRgbPlay(&s.s, "x.dat", 64, 8, 64, 8, nullptr, nullptr, 32, 0, &status), 0);
    EXPECT_EQ(status, zrk::imagelib::kStatusUnavailable);
    EXPECT_NE(library.message().find("zrkimage could not be loaded"), std::string::npos) << library.message();
    EXPECT_NE(library.message().find("/nonexistent/folder/libzrkimage.so"), std::string::npos);
    status = 0;
    EXPECT_EQ(library.combRgbThumbNail(&s.s, nullptr, 64, 8, 64, 8, nullptr, nullptr, &status), 0);
    EXPECT_EQ(status, zrk::imagelib::kStatusUnavailable);
    EXPECT_EQ(library.writeImageBuf(nullptr, 0, nullptr, 0, 0), -1);
    EXPECT_FALSE(library.bindAll());
    EXPECT_TRUE(s.untouched());
}

TEST(ImageLibraryBinding, AMissingFunctionIsNamedInTheMessage) {
    ImageLibrary library(ZRK_PARTIAL_LIBRARY);
    std::vector<uint8_t> buffer(64, 0), piece(8, 1);
    EXPECT_EQ(library.writeImageBuf(buffer.data(), 64, piece.data(), 0, 8), 8);
    int16_t status = 0;
    EXPECT_EQ(library.combRgbFile("a.dat", "b.bmp", 64, 8, nullptr, 32, 0, &status), 0);
    EXPECT_EQ(status, zrk::imagelib::kStatusUnavailable);
    EXPECT_NE(library.message().find("has no function CombRGB_File"), std::string::npos) << library.message();
    EXPECT_FALSE(library.bindAll());
    EXPECT_NE(library.message().find("CombRGB_Live"), std::string::npos);
}
