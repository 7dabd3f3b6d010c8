#include "base/text_fields.h"

#include <gtest/gtest.h>

namespace {

TEST(SplitFields, CollapsesRunsAndEndsOfDelimiters) {
    QStringList f;
    int n = -1;
    SplitFields(QStringLiteral(".1..2."), QStringLiteral("."), 4, f, n);
    EXPECT_EQ(n, 2);
    EXPECT_EQ(f[1], QStringLiteral("1"));
    EXPECT_EQ(f[2], QStringLiteral("2"));
    EXPECT_TRUE(f[3].isEmpty());

    SplitFields(QStringLiteral("200   OK"), QStringLiteral(" "), 5, f, n);
    EXPECT_EQ(n, 2);
    EXPECT_EQ(f[1], QStringLiteral("200"));
    EXPECT_EQ(f[2], QStringLiteral("OK"));
}

TEST(SplitFields, StopsAtMaxFields) {
    QStringList f;
    int n = 0;
    SplitFields(QStringLiteral("1.2.3.4.5"), QStringLiteral("."), 4, f, n);
    EXPECT_EQ(n, 4);
    EXPECT_EQ(f[4], QStringLiteral("4"));
    EXPECT_EQ(f.size(), 5);
}

TEST(SplitFields, EmptyTextOrDelimiterLeavesFieldsAlone) {
    QStringList f{QStringLiteral("keep")};
    int n = 7;
    SplitFields(QString(), QStringLiteral("."), 4, f, n);
    EXPECT_EQ(n, 0);
    EXPECT_EQ(f, QStringList{QStringLiteral("keep")});
    n = 7;
    SplitFields(QStringLiteral("a b"), QString(), 4, f, n);
    EXPECT_EQ(n, 0);
}

TEST(IsDigits, OnlyPlainDigits) {
    EXPECT_FALSE(IsDigits(QString()));
    EXPECT_FALSE(IsDigits(QStringLiteral("-1")));
    EXPECT_FALSE(IsDigits(QStringLiteral("12 ")));
    EXPECT_FALSE(IsDigits(QStringLiteral("1.5")));
    EXPECT_TRUE(IsDigits(QStringLiteral("007")));
}

TEST(IsNumberInRange, RangeAndNumbersBeyond32Bits) {
    EXPECT_TRUE(IsNumberInRange(QStringLiteral("255"), 0, 255));
    EXPECT_FALSE(IsNumberInRange(QStringLiteral("256"), 0, 255));
    EXPECT_TRUE(IsNumberInRange(QStringLiteral("2147483647"), 0, 2147483647));
    EXPECT_FALSE(IsNumberInRange(QStringLiteral("2147483648"), 0, 2147483647));
    EXPECT_FALSE(IsNumberInRange(QStringLiteral("4294967297"), 0, 5)); // would wrap to 1
    EXPECT_FALSE(IsNumberInRange(QStringLiteral("99999999999999999999999"), 0, 2147483647));
    EXPECT_TRUE(IsNumberInRange(QStringLiteral("0000000000000000000012"), 0, 20));
}

TEST(MinOfArray, CapsAt999999) {
    EXPECT_EQ(MinOfArray({}), 999999);
    EXPECT_EQ(MinOfArray({1e7, 2e6}), 999999);
    EXPECT_EQ(MinOfArray({5, 3, 8}), 3);
}

} // namespace
