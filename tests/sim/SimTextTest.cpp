#include "sim/SimText.h"

#include <gtest/gtest.h>

TEST(SimText, NumbersLookLikeTheCountersOwn) {
    EXPECT_EQ(SimFormatNumber(0.3), "0.3");
    EXPECT_EQ(SimFormatNumber(1), "1.0");
    EXPECT_EQ(SimFormatNumber(0.25), "0.25");
    EXPECT_EQ(SimFormatNumber(10), "10");
    EXPECT_EQ(SimFormatNumber(150.5), "150.5");
    EXPECT_EQ(SimFormatNumber(2000), "2000");
    EXPECT_EQ(SimFormatNumber(1.23456), "1.235");
    EXPECT_EQ(SimFormatNumber(9.9999), "10"); // rounds up past the one-digit range
}

TEST(SimText, ParsingTakesWholeDecimalTokensOnly) {
    EXPECT_EQ(SimParseNumber("10."), 10.0);
    EXPECT_EQ(SimParseNumber(".25"), 0.25);
    EXPECT_EQ(SimParseNumber("150.5"), 150.5);
    EXPECT_FALSE(SimParseNumber(""));
    EXPECT_FALSE(SimParseNumber("1,5"));
    EXPECT_FALSE(SimParseNumber("1e3"));
    EXPECT_FALSE(SimParseNumber("nan"));
    EXPECT_FALSE(SimParseNumber("0.3\r"));
}

TEST(SimText, ChecksumsAndTokens) {
    EXPECT_EQ(SimByteSum(" 0.3 0.5"), 356u);
    EXPECT_EQ(SimByteSum("\xFF"), 255u);
    EXPECT_EQ(SimChecksumText(0x164, false), "000164");
    EXPECT_EQ(SimChecksumText(0x2C3, true), "0002c3");
    EXPECT_EQ(SimChecksumText(0x1234567, false), "1234567");
    std::vector<std::string_view> tokens = SimTokens("  a bb  c ");
    EXPECT_EQ(tokens, (std::vector<std::string_view>{"a", "bb", "c"}));
}
