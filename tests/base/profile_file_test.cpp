// The settings file reader/writer against files another editor wrote.
#include "base/profile_file.h"

#include <QTemporaryDir>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>

namespace {

class ProfileFile : public ::testing::Test {
protected:
    QTemporaryDir dir;
    std::string path = (dir.path() + "/Zrk1.ini").toStdString();

    void Write(const std::string& text) { std::ofstream(path, std::ios::binary) << text; }
    std::string Read() {
        std::ifstream in(path, std::ios::binary);
        std::ostringstream s;
        s << in.rdbuf();
        return s.str();
    }
};

TEST_F(ProfileFile, ReadsCrLfFilesWithCommentsOddSpacingAndOtherCase) {
    Write("; written by hand\r\n[tcp]\r\n  clientip =  192.168.0.9  \r\n; CommandPort=1\r\n"
          "CommandPort=4100\r\n\r\n[ Common ]\r\nDEBUG=1\r\n");
    EXPECT_EQ(profile::GetString(path, "TCP", "ClientIP", "x", 1022), "192.168.0.9");
    EXPECT_EQ(profile::GetInt(path, "TCP", "CommandPort", 0), 4100);
    EXPECT_EQ(profile::GetInt(path, "COMMON", "Debug", 0), 1);
    EXPECT_EQ(profile::GetInt(path, "COMMON", "Missing", 77), 77);
    EXPECT_EQ(profile::GetString(path, "NOSECTION", "ClientIP", "dflt", 1022), "dflt");
}

TEST_F(ProfileFile, MissingFileGivesDefaults) {
    EXPECT_EQ(profile::GetString(path, "TCP", "ClientIP", "192.168.0.2", 1022), "192.168.0.2");
    EXPECT_EQ(profile::GetInt(path, "TIMEOUT", "Command", 60000), 60000);
}

TEST_F(ProfileFile, WriteReplacesOnlyThatKeyAndKeepsEverythingElse) {
    const std::string before = "; settings\r\n[TCP]\r\nclientIP = 10.0.0.1\r\nDataPort=4001\r\n\r\n"
                               "[EPROM]\r\nData=abc def\r\n[Other]\r\nx=1\r\n";
    Write(before);
    ASSERT_TRUE(profile::WriteString(path, "tcp", "ClientIP", "10.0.0.2"));
    EXPECT_EQ(Read(), "; settings\r\n[TCP]\r\nClientIP=10.0.0.2\r\nDataPort=4001\r\n\r\n"
                      "[EPROM]\r\nData=abc def\r\n[Other]\r\nx=1\r\n");
}

TEST_F(ProfileFile, WriteAddsKeysToTheirSectionAndNewSectionsAtTheEnd) {
    Write("[TCP]\nClientIP=1.2.3.4\n\n[COMMON]\nDebug=0\n");
    ASSERT_TRUE(profile::WriteString(path, "TCP", "CommandPort", "4000"));
    ASSERT_TRUE(profile::WriteString(path, "EPROM", "Data", "x y"));
    EXPECT_EQ(Read(),
              "[TCP]\nClientIP=1.2.3.4\nCommandPort=4000\n\n[COMMON]\nDebug=0\n\n[EPROM]\nData=x y\n");
}

TEST_F(ProfileFile, WriteCreatesTheFile) {
    ASSERT_TRUE(profile::WriteString(path, "TCP", "ClientIP", "192.168.0.2"));
    EXPECT_EQ(profile::GetString(path, "TCP", "ClientIP", "", 1022), "192.168.0.2");
}

TEST_F(ProfileFile, WriteToAnUnwritableFolderFailsAndReportsIt) {
    EXPECT_FALSE(profile::WriteString(dir.path().toStdString() + "/no/such/folder/x.ini", "A", "b", "c"));
}

TEST_F(ProfileFile, LongValuesAreCutAt1022Characters) {
    Write("[EPROM]\nData=" + std::string(2000, 'a') + "\n");
    EXPECT_EQ(profile::GetString(path, "EPROM", "Data", "", 1022).size(), 1022u);
}

TEST_F(ProfileFile, NumbersReadLikeTheClassicCall) {
    Write("[N]\ntrail=123abc\nhuge=99999999999\nneg=-5\nhex=0x10\nword=abc\nempty=\n");
    EXPECT_EQ(profile::GetInt(path, "N", "trail", 0), 123);
    EXPECT_EQ(profile::GetInt(path, "N", "huge", 0), static_cast<int32_t>(99999999999ULL & 0xffffffffu));
    EXPECT_EQ(profile::GetInt(path, "N", "neg", 0), -5);
    EXPECT_EQ(profile::GetInt(path, "N", "hex", 0), 16);
    EXPECT_EQ(profile::GetInt(path, "N", "word", 9), 0);
    EXPECT_EQ(profile::GetInt(path, "N", "empty", 9), 9);
}

} // namespace
