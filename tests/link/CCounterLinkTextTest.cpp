// The counter's texts without a line: formatting, checksums, reply checks,
// parsing and validation, each in the C locale and under a comma-decimal one.

#include "link/CCounterLink.h"

#include "link/ReplyFormat.h"
#include "link/TableRules.h"

#include "CCounterLinkTestLocale.h"
#include "model/CSensor.h"
#include "res/StringTable.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <utility>
#include <vector>

namespace {

// The message ids of a refusal, in order.
std::vector<unsigned> Ids(const LinkResult& result) {
    std::vector<unsigned> ids;
    for (const LinkMessage& message : result.messages)
        ids.push_back(message.id);
    return ids;
}

using L = CCounterLink;

constexpr double kInf = std::numeric_limits<double>::infinity();
const double kNaN = std::nan("");

CSizeList Sizes(const std::vector<double>& values) {
    CSizeList list;
    for (double v : values)
        list.AddTail(v);
    return list;
}

std::vector<double> Values(const CSizeList& list) {
    std::vector<double> values;
    for (auto pos = list.GetHeadPosition(); pos;)
        values.push_back(list.GetNext(pos));
    return values;
}

CCalCurve Curve(const std::vector<std::pair<double, double>>& points) {
    CCalCurve curve;
    for (const auto& [size, voltage] : points)
        curve.AddTail(CCalPoint(size, voltage));
    return curve;
}

std::vector<std::pair<double, double>> Points(const CCalCurve& curve) {
    std::vector<std::pair<double, double>> points;
    for (auto pos = curve.GetHeadPosition(); pos;) {
        const CCalPoint& p = curve.GetNext(pos);
        points.emplace_back(p.m_size, p.m_voltage);
    }
    return points;
}

// count sizes 1, 2, 3, ...
std::vector<double> Ascending(int count) {
    std::vector<double> sizes;
    for (int i = 1; i <= count; ++i)
        sizes.push_back(i);
    return sizes;
}

class CounterTextTest : public CLocaleParamTest {};
KTR_INSTANTIATE_LOCALES(CounterTextTest);

// ------------------------------------------------------------ formatting

TEST_P(CounterTextTest, SizeTextCarriesFieldsAndChecksum) {
    std::string text = "left over";
    ASSERT_TRUE(L::FormatSizes(Sizes({0.3, 0.5, 1.0}), text));
    EXPECT_EQ(text, " 0.3 0.5 1.0");
    EXPECT_EQ(L::FormatChecksum(L::TextChecksum(text)), "000213");

    ASSERT_TRUE(L::FormatSizes(Sizes({0.25, 5.25, 15.5, 20, 100}), text));
    EXPECT_EQ(text, " .25 5.2 15. 20. 100");
    EXPECT_FALSE(L::FormatSizes(CSizeList(), text));
}

TEST_P(CounterTextTest, CalibrationTextHasNoMarker) {
    std::string text;
    ASSERT_TRUE(L::FormatCalibration(Curve({{0.3, 100}, {0.5, 150.5}, {1, 400}}), text));
    EXPECT_EQ(text, " 0.3 100 0.5 150.5 1 400");
    EXPECT_FALSE(L::FormatCalibration(CCalCurve(), text));
}

TEST(CounterText, ChecksumIsSixUpperCaseDigits) {
    EXPECT_EQ(L::FormatChecksum(0), "000000");
    EXPECT_EQ(L::FormatChecksum(0x2C3), "0002C3");
    EXPECT_EQ(L::FormatChecksum(0xABCDEF), "ABCDEF");
    EXPECT_EQ(L::FormatChecksum(0x12345678), "345678");
}

// ------------------------------------------------------------- checksums

TEST(CounterText, ByteSumIsUnsignedAndWrapsAt32Bits) {
    EXPECT_EQ(L::TextChecksum(" 0.3 0.5"), 0x164u);
    EXPECT_EQ(L::TextChecksum(" 0.3 0.5 1.0 2.0"), 0x2C3u);
    EXPECT_EQ(L::TextChecksum(""), 0u);
    EXPECT_EQ(L::TextChecksum("\xFF\x80"), 255u + 128u);
    // 16843010 * 255 = 2^32 + 254.
    EXPECT_EQ(L::TextChecksum(std::string(16843010, '\xFF')), 254u);
}

TEST(CounterText, HexKeepsTheLast8DigitsAndReadsOthersAsZero) {
    EXPECT_EQ(L::ParseHex("000164"), 0x164u);
    EXPECT_EQ(L::ParseHex("0002C3"), 0x2C3u);
    EXPECT_EQ(L::ParseHex(""), 0u);
    EXPECT_EQ(L::ParseHex("G1"), 0x01u);
    EXPECT_EQ(L::ParseHex(" 164"), 0x164u);
    EXPECT_EQ(L::ParseHex("c3"), 0x03u);
    EXPECT_EQ(L::ParseHex("123456789"), 0x23456789u);
    EXPECT_EQ(L::ParseHex("FFFFFFFFFFFF"), 0xFFFFFFFFu);
}

struct ReplyCase {
    std::string reply;
    ReplyVerdict verdict;
};

// One grammar: marker in any case, one separator, hex digits, then only
// line ends; the check and the parsers agree on where the data ends.
TEST(CounterText, ReplyGrammar) {
    const auto V = ReplyVerdict::Valid;
    const auto Sum = ReplyVerdict::BadChecksum;
    const auto Bad = ReplyVerdict::Malformed;
    // 89 '@' sum to 0x1640: digits "164" must not borrow a 0 from the line end.
    const std::string sum1640(89, '@');
    const std::vector<ReplyCase> cases = {
        {" 0.3 0.5 C/S 000164\r\n", V},
        {" 0.3 0.5 1.0 2.0 C/S 0002c3\r\n", V},
        {" 0.3 0.5 1.0 2.0 C/S 000165\r\n", Sum},
        {" 0.3 0.5 000164\r\n", ReplyVerdict::NoMarker},
        {"", ReplyVerdict::NoMarker},
        // Any one separator; more spaces read as leading zeros; without a
        // separator the first digit is lost.
        {" 0.3 0.5 C/S:000164", V},
        {" 0.3 0.5 C/S  000164\r\n", V},
        {" 0.3 0.5 C/S164", Sum},
        // Any line end, or none.
        {" 0.3 0.5 C/S 164", V},
        {" 0.3 0.5 C/S 164\n\n", V},
        {" 0.3 0.5 C/S 000164\n\r", V},
        {" 0.3 0.5 C/S 000164\r\n\r\n", V},
        {sum1640 + " C/S 164\n\r", Sum},
        {sum1640 + " C/S 1640\n\r", V},
        // Anything else after the digits.
        {" 0.3 0.5 C/S 000164 \r\n", Bad},
        {" 0.3 0.5 C/S 16\n4", Bad},
        {" 0.3 0.5 C/S 000164x", Bad},
        {" 0.3 0.5 C/S ", Bad},
        {" 0.3 0.5 C/S", Bad},
        // The marker stands first or after the space that ends a value.
        {" 0.3 0.5C/S 0", Bad},
        {"C/S 0", V},
        // Letters count upper-cased, in the marker and in the data.
        {" 0.3 0.5 c/s 164", V},
        {" 0.3 0.5 C/s 164", V},
        {"a C/S 41", V},
        // Leading zeros are harmless; a ninth significant digit is not.
        {" 0.3 0.5 C/S 0000000164", V},
        {" 0.3 0.5 C/S 100000164", Sum},
    };
    for (const ReplyCase& c : cases) {
        EXPECT_EQ(JudgeReply(c.reply), c.verdict) << testing::PrintToString(c.reply);
        EXPECT_EQ(L::CheckReply(c.reply), c.verdict == V) << testing::PrintToString(c.reply);
    }
}

// A reader fed one byte at a time may stop at the first complete reply, and
// only where the grammar sees a whole reply ending in CR LF; what it then
// holds is judged as the whole reply is, line ends after it or not.
TEST(CounterText, CompleteReplyIsWhereAReaderMayStop) {
    struct Case {
        std::string reply;
        size_t completeAt; // length of the first complete prefix
    };
    const size_t never = std::string::npos;
    const size_t whole = std::string::npos - 1;
    const std::string sound = " 0.3 0.5 C/S 000164\r\n";
    const std::vector<Case> cases = {
        {sound, whole},
        {" 0.3 0.5 1.0 2.0 c/s 0002c3\r\n", whole},
        // Complete, though the check will refuse it.
        {" 0.3 0.5 C/S 000165\r\n", whole},
        {std::string(89, '@') + " C/S 164\r\n", whole},
        {"\x07? 0.3 0.5 C/S 000164\r\n", whole},
        // More line ends change nothing.
        {sound + "\r\n", sound.size()},
        // No CR LF at the end: only the time-out rules can end the read.
        {" 0.3 0.5 C/S 000164", never},
        {" 0.3 0.5 C/S 000164\r", never},
        {" 0.3 0.5 C/S 000164\n\r", never},
        // CR LF where the grammar sees no whole reply.
        {"\r\n 0.3\r\n 0.5 000164\r\n", never},
        {" 0.3 0.5 C/S \r\n", never},
        {" 0.3 0.5 C/S\r\n", never},
        {" 0.3 0.5 C/S 0001x4\r\n", never},
        {" 0.3 0.5C/S 000164\r\n", never},
        {" 0.3 0.5 C/S 000164 \r\n", never},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.reply));
        size_t at = never;
        for (size_t length = 0; length <= c.reply.size() && at == never; ++length)
            if (IsCompleteReply(std::string_view(c.reply).substr(0, length)))
                at = length;
        EXPECT_EQ(at, c.completeAt == whole ? c.reply.size() : c.completeAt);
        if (at != never) {
            EXPECT_EQ(JudgeReply(c.reply.substr(0, at)), JudgeReply(c.reply));
        }
    }
}

// --------------------------------------------------------------- parsing

TEST_P(CounterTextTest, SizesReplyParsesInOrder) {
    CSensor sensor;
    sensor.GetSizes().AddTail(7.0);
    EXPECT_TRUE(L::ParseSizes(" 0.3 0.5 C/S 000164\r\n", sensor));
    EXPECT_EQ(Values(sensor.GetSizes()), (std::vector<double>{0.3, 0.5}));

    EXPECT_TRUE(L::ParseSizes(" 0.3  0.5 C/S 000164", sensor));
    EXPECT_EQ(Values(sensor.GetSizes()), (std::vector<double>{0.3, 0.0, 0.5}));

    // The sent text reads back as the fields went out.
    EXPECT_TRUE(L::ParseSizes(" .25 5.2 15. 20. 100 C/S 00037F", sensor));
    EXPECT_EQ(Values(sensor.GetSizes()), (std::vector<double>{0.25, 5.2, 15, 20, 100}));

    // The marker in any letter case ends the data, as the check sees it.
    EXPECT_TRUE(L::ParseSizes(" 0.3 0.5 c/s 000164", sensor));
    EXPECT_EQ(Values(sensor.GetSizes()), (std::vector<double>{0.3, 0.5}));

    // A value with no space before the marker is dropped.
    EXPECT_TRUE(L::ParseSizes(" 0.3 0.5C/S 0", sensor));
    EXPECT_EQ(Values(sensor.GetSizes()), (std::vector<double>{0.3}));
}

TEST_P(CounterTextTest, SizesReplyWithoutValuesClearsTheList) {
    for (const char* reply : {" 0.3 0.5 000164", "C/S 0", "   C/S 0", ""}) {
        CSensor sensor;
        sensor.GetSizes().AddTail(7.0);
        EXPECT_FALSE(L::ParseSizes(reply, sensor)) << reply;
        EXPECT_EQ(sensor.GetSizes().GetCount(), 0) << reply;
    }
}

TEST_P(CounterTextTest, CalibrationParsesPairs) {
    CSensor sensor;
    EXPECT_TRUE(L::ParseCalibration(" 0.3 120 0.5 150 0.3 C/S 00037E\r\n", sensor));
    EXPECT_EQ(Points(sensor.GetCalCurve()),
              (std::vector<std::pair<double, double>>{{0.3, 120}, {0.5, 150}}));

    // The text sent to the counter has no marker and no final space.
    EXPECT_TRUE(L::ParseCalibration(" 0.3 100 0.5 150.5 1 400", sensor));
    EXPECT_EQ(Points(sensor.GetCalCurve()),
              (std::vector<std::pair<double, double>>{{0.3, 100}, {0.5, 150.5}, {1, 400}}));

    // A lower-case marker ends the data: its checksum digits are no point.
    EXPECT_TRUE(L::ParseCalibration(" 0.3 100 0.5 150 1 400 c/s 0003D0\r\n", sensor));
    EXPECT_EQ(Points(sensor.GetCalCurve()),
              (std::vector<std::pair<double, double>>{{0.3, 100}, {0.5, 150}, {1, 400}}));

    // One token but no point is still a parsed reply; no token is not.
    EXPECT_TRUE(L::ParseCalibration(" 0.3 C/S 0", sensor));
    EXPECT_EQ(sensor.GetCalCurve().GetCount(), 0);
    EXPECT_FALSE(L::ParseCalibration("", sensor));
    EXPECT_FALSE(L::ParseCalibration("  C/S 0", sensor));
}

// ------------------------------------------------------------ validation

struct SizeCase {
    std::vector<double> sizes;
    std::vector<unsigned> messages;
};

TEST_P(CounterTextTest, SizeValidation) {
    const std::vector<SizeCase> cases = {
        {{0.3, 0.5, 1.0}, {}},
        {{15.5, 20}, {}},
        {{999}, {}},
        {{}, {IDS_NEED_ONE_SIZE}},
        {{0.5, 0.5}, {IDS_SIZES_NOT_ASCENDING}},
        {{0, 1}, {IDS_SIZES_NOT_ASCENDING}},
        {{-1, 1}, {IDS_SIZES_NOT_ASCENDING}},
        {{kNaN, 1}, {IDS_SIZES_NOT_ASCENDING}},
        {{1, kNaN}, {IDS_SIZES_NOT_ASCENDING}},
        // What the 3-character field cannot carry.
        {{0.3, 1000}, {IDS_SIZE_TOO_LARGE}},
        {{5000}, {IDS_SIZE_TOO_LARGE}},
        {{999.996}, {IDS_SIZE_TOO_LARGE}},
        {{1, kInf}, {IDS_SIZE_TOO_LARGE}},
        // Sizes that the field would merge or turn into 0.
        {{15.2, 15.7}, {IDS_SIZES_NOT_ASCENDING}},
        {{5.21, 5.29}, {IDS_SIZES_NOT_ASCENDING}},
        {{0.004, 1}, {IDS_SIZES_NOT_ASCENDING}},
        // The counter holds 32 sizes at most.
        {Ascending(32), {}},
        {Ascending(33), {IDS_TOO_MANY_SIZES}},
        {Ascending(40), {IDS_TOO_MANY_SIZES}},
    };
    for (const auto& c : cases) {
        CSizeList sizes = Sizes(c.sizes);
        const LinkResult result = TableRules::CheckSizes(sizes);
        EXPECT_EQ(result.Ok(), c.messages.empty()) << testing::PrintToString(c.sizes);
        EXPECT_EQ(Ids(result), c.messages) << testing::PrintToString(c.sizes);
    }
}

TEST(CounterText, ValidationSortsAndNamesTheRefusedRule) {
    CSizeList sizes = Sizes({1.0, 0.3});
    EXPECT_TRUE(TableRules::CheckSizes(sizes).Ok());
    EXPECT_EQ(Values(sizes), (std::vector<double>{0.3, 1.0}));

    CSizeList duplicates = Sizes({0.5, 0.5});
    const LinkResult refused = TableRules::CheckSizes(duplicates);
    EXPECT_EQ(refused.status, LinkStatus::Refused);
    EXPECT_EQ(refused.rule, TableRule::Order);
    ASSERT_EQ(refused.messages.size(), 1u);
    EXPECT_EQ(refused.messages[0].text, LoadString(IDS_SIZES_NOT_ASCENDING));
}

// count points whose texts take 14 bytes each (" 10.125 1000.5").
std::vector<std::pair<double, double>> LongCurve(int count) {
    std::vector<std::pair<double, double>> points;
    for (int i = 0; i < count; ++i)
        points.emplace_back(10.125 + i, 1000.5 + i);
    return points;
}

struct CurveCase {
    std::vector<std::pair<double, double>> points;
    std::vector<unsigned> messages;
};

TEST_P(CounterTextTest, CalibrationValidation) {
    const unsigned kSize = IDS_CAL_SIZES_NOT_ASCENDING;
    const unsigned kVolt = IDS_CAL_VOLTAGES_NOT_ASCENDING;
    const std::vector<CurveCase> cases = {
        {{{0.3, 100}, {0.5, 150.5}, {1, 400}}, {}},
        {{{1, 400}, {0.3, 100}, {0.5, 150.5}}, {}},
        {{{0.3, 100}, {0.5, 150}}, {IDS_NEED_THREE_POINTS}},
        {{}, {IDS_NEED_THREE_POINTS}},
        {{{0.3, 100}, {0.5, 150}, {0.5, 120}}, {kSize, kVolt}},
        {{{0.3, 100}, {0.5, 150}, {0.5, 200}}, {kSize}},
        {{{0.3, 100}, {0.5, 150}, {0.7, 150}}, {kVolt}},
        {{{0, 100}, {0.5, 150}, {0.7, 200}}, {kSize}},
        {{{0.3, -1}, {0.5, 150}, {0.7, 200}}, {kVolt}},
        // Never a NaN or an infinity on the line.
        {{{0.3, 100}, {0.5, kNaN}, {0.7, 200}}, {kVolt}},
        {{{0.3, 100}, {0.5, 150}, {0.7, kInf}}, {kVolt}},
        {{{0.3, 100}, {0.5, 150}, {kInf, 200}}, {kSize}},
        // Rounded to 3 decimals the counter would get a 0 or a duplicate.
        {{{0.0001, 100}, {0.5, 150}, {0.7, 200}}, {kSize}},
        {{{1.0001, 100}, {1.0002, 150}, {2, 200}}, {kSize}},
        {{{0.3, 100}, {0.5, 150.0001}, {0.7, 150.0002}}, {kVolt}},
        // A reply the counter could not send back whole in 256 bytes.
        {{{0.3, 100}, {0.5, 150}, {1e300, 200}}, {IDS_CAL_REPLY_TOO_LONG}},
        {LongCurve(26), {IDS_CAL_REPLY_TOO_LONG}},
        {LongCurve(17), {}},
    };
    for (const auto& c : cases) {
        CCalCurve curve = Curve(c.points);
        const LinkResult result = TableRules::CheckCalibration(curve);
        EXPECT_EQ(result.Ok(), c.messages.empty()) << testing::PrintToString(c.points);
        EXPECT_EQ(Ids(result), c.messages) << testing::PrintToString(c.points);
    }
}

// A refused long curve names how many points fit, and that many do fit
// the calibration reply while one more would not.
TEST_P(CounterTextTest, TooLongCurveSaysHowManyPointsFit) {
    CCalCurve curve = Curve(LongCurve(26));
    const LinkResult result = TableRules::CheckCalibration(curve);
    ASSERT_EQ(result.status, LinkStatus::Refused);
    ASSERT_EQ(result.messages.size(), 1u);
    const std::string& text = result.messages[0].text;
    EXPECT_NE(text.find(" 256 "), std::string::npos) << text;
    EXPECT_NE(text.find(" of these 26 "), std::string::npos) << text;
    const size_t at = text.find("the first ") + 10;
    const int fit = std::stoi(text.substr(at));

    const auto replyLength = [&](int points) {
        std::string data;
        L::FormatCalibration(Curve(LongCurve(points)), data);
        return data.size() + std::string(" C/S 000000\r\n").size();
    };
    EXPECT_LE(replyLength(fit), L::kCalibrationReplySize);
    EXPECT_GT(replyLength(fit + 1), L::kCalibrationReplySize);
    CCalCurve fitting = Curve(LongCurve(fit));
    EXPECT_TRUE(TableRules::CheckCalibration(fitting).Ok());
}

} // namespace
