#include "link/Numbers.h"

#include "CCounterLinkTestLocale.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <random>
#include <string>
#include <utility>
#include <vector>

namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();

class NumbersTest : public CLocaleParamTest {};
KTR_INSTANTIATE_LOCALES(NumbersTest);

TEST(Numbers, CommaLocaleChangesTheCLibraryButNotTheHelpers) {
    CScopedProcessLocale locale(kCommaLocale);
    ASSERT_TRUE(locale.Ok()) << kCommaLocale << " is not installed";
    // The C library follows the locale: this is what the helpers guard against.
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%0.2f", 0.3);
    EXPECT_STREQ(buffer, "0,30");
    EXPECT_EQ(std::atof("0.3"), 0.0);

    EXPECT_EQ(AtofC("0.3"), 0.3);
    EXPECT_EQ(FormatFixed(0.3, 2), "0.30");
    // A comma ends a number, as in the C locale.
    EXPECT_EQ(AtofC("0,5"), 0.0);
}

TEST_P(NumbersTest, AtofReadsLikeTheCLocale) {
    const std::vector<std::pair<std::string, double>> cases = {
        {"0.3", 0.3},         {" \t\r\n0.5", 0.5}, {"+1.5e2", 150.0}, {"-2", -2.0},
        {".25", 0.25},        {"10.", 10.0},       {"1.0x", 1.0},     {"12 34", 12.0},
        {"abc", 0.0},         {"", 0.0},           {"-", 0.0},        {".", 0.0},
        {"1e", 1.0},          {"1e+", 1.0},        {"1.5E-1", 0.15},  {"0x1A", 26.0},
        {"0x1p3", 8.0},       {"0x", 0.0},         {"0xg", 0.0},      {"inf", kInf},
        {"-Infinity", -kInf}, {"infinit", kInf},   {"1e400", kInf},   {"-1e400", -kInf},
        {"1e-400", 0.0},      {"150.5", 150.5},    {"0,5", 0.0},      {"\r\n400", 400.0},
    };
    for (const auto& [text, expected] : cases)
        EXPECT_EQ(AtofC(text), expected) << "text \"" << text << "\"";
    EXPECT_TRUE(std::isnan(AtofC("nan")));
    EXPECT_TRUE(std::isnan(AtofC(" -NAN(123)")));
    // Only the view is read: no terminator needed, and a zero byte ends it.
    EXPECT_EQ(AtofC(std::string_view("1.25", 3)), 1.2);
    EXPECT_EQ(AtofC(std::string_view("1\0"
                                     "5",
                                     3)),
              1.0);
}

TEST_P(NumbersTest, FixedFormatRoundsTheBinaryValue) {
    const std::vector<std::tuple<double, int, std::string>> cases = {
        {0.3, 2, "0.30"},        {0.125, 2, "0.12"},
        {0.375, 2, "0.38"},      {2.675, 2, "2.67"},
        {1.005, 2, "1.00"},      {0.0005, 3, "0.001"},
        {150.5, 3, "150.500"},   {-1.5, 2, "-1.50"},
        {-0.0, 2, "-0.00"},      {1e21, 2, "1000000000000000000000.00"},
        {999.996, 2, "1000.00"}, {kInf, 2, "inf"},
        {-kInf, 3, "-inf"},      {2.5, 0, "2"},
        {3.5, 0, "4"},
    };
    for (const auto& [value, decimals, expected] : cases)
        EXPECT_EQ(FormatFixed(value, decimals), expected) << value << " with " << decimals;
    EXPECT_EQ(FormatFixed(std::nan(""), 2), "nan");
    EXPECT_EQ(FormatFixed(std::numeric_limits<double>::max(), 2).size(), 309u + 3u);
}

// printf in the C locale is the reference; compare over many values,
// including every value with up to 3 decimals below 1000.
TEST(Numbers, FixedFormatAgreesWithPrintfInTheCLocale) {
    CScopedProcessLocale locale("C");
    ASSERT_TRUE(locale.Ok());
    std::vector<double> values;
    for (int i = 0; i < 1000000; i += 7)
        values.push_back(i / 1000.0);
    std::mt19937_64 random(12345);
    std::uniform_real_distribution<double> wide(-1e6, 1e6);
    for (int i = 0; i < 20000; ++i)
        values.push_back(wide(random));
    char buffer[512];
    int mismatches = 0;
    for (double v : values) {
        for (int decimals : {2, 3}) {
            std::snprintf(buffer, sizeof buffer, "%0.*f", decimals, v);
            if (FormatFixed(v, decimals) != buffer && ++mismatches < 10)
                ADD_FAILURE() << v << " gives " << FormatFixed(v, decimals) << ", printf "
                              << buffer;
        }
    }
    EXPECT_EQ(mismatches, 0);
}

TEST_P(NumbersTest, SizeFieldHasThreeCharacters) {
    const std::vector<std::pair<double, std::string>> cases = {
        {0.3, "0.3"},  {0.25, ".25"},  {0.05, ".05"},  {1.0, "1.0"},   {2.5, "2.5"},
        {5.25, "5.2"}, {10, "10."},    {15.5, "15."},  {100, "100"},   {1000, "100"},
        {9.99, "9.9"}, {0.999, "1.0"}, {999.6, "999"}, {0.004, "0.0"},
    };
    for (const auto& [size, field] : cases)
        EXPECT_EQ(FormatSizeField(size), field) << size;
}

TEST_P(NumbersTest, CalibrationNumbersLoseTrailingZerosAndPoint) {
    const std::vector<std::pair<double, std::string>> cases = {
        {0.3, "0.3"},       {10, "10"},   {125.5, "125.5"}, {1.25, "1.25"},    {2000, "2000"},
        {1.23456, "1.235"}, {100, "100"}, {0.0001, "0"},    {400.0004, "400"},
    };
    for (const auto& [value, text] : cases)
        EXPECT_EQ(FormatCalNumber(value), text) << value;
}

} // namespace
