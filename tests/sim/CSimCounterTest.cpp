#include "RawLine.h"

#include "sim/CSimCounter.h"
#include "sim/CSimNetwork.h"

#include <gtest/gtest.h>

namespace {

// Drives a counter without a line: what it sends for each byte it gets.
struct Driven {
    std::string sent;
    std::vector<int64_t> pauses;
};

Driven Drive(CSimCounter& counter, const std::string& bytes) {
    Driven result;
    std::vector<SimOutByte> out;
    for (char c : bytes)
        counter.Receive(static_cast<uint8_t>(c), out);
    for (const SimOutByte& byte : out) {
        result.sent += static_cast<char>(byte.byte);
        result.pauses.push_back(byte.pauseNs);
    }
    return result;
}

SimCounterConfig BaseConfig() {
    SimCounterConfig config;
    config.address = 2;
    config.model = "KTR-100\r\n";
    config.sizes = {0.3, 0.5};
    config.points = {{0.3, 100}, {0.5, 150.5}};
    return config;
}

CSimCounter MakeCounter(const SimFaults& faults) {
    SimCounterConfig config = BaseConfig();
    config.faults = faults;
    return CSimCounter(config);
}

} // namespace

TEST(CSimCounterFaults, EchoStopsAfterTheGivenByteUntilTheNextSelect) {
    SimFaults faults;
    faults.echoStopsAfter = 3;
    CSimCounter counter(BaseConfig());
    counter.SetFaults(faults);
    ASSERT_TRUE(counter.Select());
    EXPECT_EQ(Drive(counter, "P 0.3 0.5").sent, "P 0");
    ASSERT_TRUE(counter.Select());
    EXPECT_EQ(Drive(counter, "o0001\r\n").sent, "o00");
}

TEST(CSimCounterFaults, WrongEchoAtTheGivenByteOnly) {
    SimFaults faults;
    faults.wrongEchoAt = 3;
    CSimCounter counter = MakeCounter(faults);
    counter.Select();
    EXPECT_EQ(Drive(counter, "o0001\r\n").sent, "o0101\r\n");
}

TEST(CSimCounterFaults, BadChecksumAndMissingMarker) {
    SimFaults faults;
    faults.badChecksum = true;
    CSimCounter bad = MakeCounter(faults);
    bad.Select();
    EXPECT_EQ(Drive(bad, "P\r\n").sent, "P\r\n 0.3 0.5 C/S 000165\r\n");
    faults = {};
    faults.noMarker = true;
    CSimCounter unmarked = MakeCounter(faults);
    unmarked.Select();
    EXPECT_EQ(Drive(unmarked, "K\r\n").sent, "K\r\n 0.3 100 0.5 150.5 00032E\r\n");
}

TEST(CSimCounterFaults, NoReplyStillEchoes) {
    SimFaults faults;
    faults.noReply = true;
    CSimCounter counter = MakeCounter(faults);
    counter.Select();
    EXPECT_EQ(Drive(counter, "T").sent, "T");
    EXPECT_EQ(Drive(counter, "P\r\n").sent, "P\r\n");
    EXPECT_EQ(Drive(counter, "K\r\n").sent, "K\r\n");
}

TEST(CSimCounterFaults, NoiseDelayAndGapShapeTheReply) {
    SimFaults faults;
    faults.noise = "\x01\x02";
    faults.replyDelayMs = 30;
    faults.gapAfterByte = 4;
    faults.gapMs = 150;
    CSimCounter counter = MakeCounter(faults);
    counter.Select();
    Driven driven = Drive(counter, "T");
    EXPECT_EQ(driven.sent, "T\x01\x02KTR-100\r\n");
    std::vector<int64_t> expected(driven.sent.size(), 0);
    expected[1] = 30000000;  // the first noise byte waits for the delay
    expected[7] = 150000000; // after "KTR-"
    EXPECT_EQ(driven.pauses, expected);
}

TEST(CSimCounterFaults, OverlongRepliesStayWellFormed) {
    SimFaults faults;
    faults.overlongBytes = 1100;
    CSimCounter counter = MakeCounter(faults);
    counter.Select();
    std::string reply = Drive(counter, "P\r\n").sent.substr(3);
    ASSERT_EQ(reply.size(), 1100 + 21u);
    EXPECT_EQ(reply.substr(1100), " 0.3 0.5 C/S 008AE4\r\n"); // 356 + 1100 * 32
    EXPECT_EQ(Drive(counter, "T").sent, "T" + BaseConfig().model + std::string(1100, '#'));
}

// Echo faults by position: 0 is the address byte, 1 the command letter.
TEST(CSimCounterFaults, EchoesComeLateOrAfterNoiseAtTheirByteOnly) {
    SimFaults faults;
    faults.lateEchoAt = 0;
    faults.lateEchoMs = 65;
    faults.echoNoiseAt = 2;
    faults.echoNoise = "\x55";
    CSimCounter counter = MakeCounter(faults);
    std::vector<SimOutByte> out;
    ASSERT_TRUE(counter.Select(0x82, out));
    ASSERT_EQ(out.size(), 1u);
    EXPECT_EQ(out[0].byte, 0x82);
    EXPECT_EQ(out[0].pauseNs, 65000000);
    Driven driven = Drive(counter, "P\r\n");
    EXPECT_EQ(driven.sent.substr(0, 4), "P\x55\r\n");
    EXPECT_EQ(driven.pauses[0], 0);

    faults = {};
    faults.wrongEchoAt = 0;
    CSimCounter wrong = MakeCounter(faults);
    out.clear();
    ASSERT_TRUE(wrong.Select(0x82, out));
    EXPECT_EQ(out.at(0).byte, 0x83);
}

TEST(CSimCounterFaults, ReplyFaultsTouchOnlyTheQueriesNamed) {
    SimFaults faults;
    faults.replyFaultsOn = "K";
    faults.noReply = true;
    faults.badChecksum = true;
    CSimCounter counter = MakeCounter(faults);
    counter.Select();
    EXPECT_EQ(Drive(counter, "T").sent, "T" + BaseConfig().model);
    EXPECT_EQ(Drive(counter, "P\r\n").sent, "P\r\n 0.3 0.5 C/S 000164\r\n");
    EXPECT_EQ(Drive(counter, "K\r\n").sent, "K\r\n");
}

TEST(CSimCounterFaults, ReleaseNoiseFollowsOnlyTheReleaseByte) {
    SimFaults faults;
    faults.releaseNoise = "\x85Z";
    faults.hangUpAt = 2;
    CSimCounter counter = MakeCounter(faults);
    std::vector<SimOutByte> out;
    counter.Release(false, out);
    EXPECT_TRUE(out.empty());
    counter.Release(true, out);
    ASSERT_EQ(out.size(), 2u);
    EXPECT_EQ(out[0].byte, 0x85);

    counter.Select();
    Drive(counter, "P");
    EXPECT_FALSE(counter.TakeHangUp());
    Drive(counter, "\r");
    EXPECT_TRUE(counter.TakeHangUp()) << "the second byte after the address asks to hang up";
    EXPECT_FALSE(counter.TakeHangUp());
}

TEST(CSimCounterFaults, OverridesAreSentVerbatim) {
    SimCounterConfig config = BaseConfig();
    config.sizesReplyOverride = " 0.3  0.5 C/S 000164\r\n";
    config.calibrationReplyOverride = "garbage";
    CSimCounter counter(config);
    counter.Select();
    EXPECT_EQ(Drive(counter, "P\r\n").sent, "P\r\n" + config.sizesReplyOverride);
    EXPECT_EQ(Drive(counter, "K\r\n").sent, "K\r\ngarbage");
}

TEST(CSimCounterProgramming, SizeTextNeedsAMatchingChecksum) {
    CSimCounter counter(BaseConfig());
    counter.Select();
    Drive(counter, "P 15. 20. C/S 000164\r\n");
    EXPECT_EQ(counter.GetSizes(), (std::vector<double>{15, 20}));
    Drive(counter, "P .25 1.0\r\n"); // no marker
    Drive(counter, "P .25 x C/S 00014D\r\n");
    EXPECT_EQ(counter.RejectedLines(), 2);
    EXPECT_EQ(counter.GetSizes(), (std::vector<double>{15, 20}));
    EXPECT_EQ(counter.LastLine(), "P .25 x C/S 00014D");
}

TEST(CSimCounterProgramming, SelectReportsPresenceAndKeepsTheAddress) {
    CSimCounter counter(BaseConfig());
    SimCounterConfig other = BaseConfig();
    other.address = 9;
    counter.SetConfig(other);
    EXPECT_EQ(counter.GetAddress(), 2);
    EXPECT_EQ(counter.GetConfig().address, 2);
    EXPECT_TRUE(counter.Select());
    counter.SetPresent(false);
    EXPECT_FALSE(counter.Select());
}

// The timing faults on a real line: lower bounds are exact, upper bounds generous.
TEST(CSimCounterTiming, DelayAndGapAreKeptOnTheLine) {
    CSimNetwork network;
    CSimPort& port = network.AddPort(1);
    SimCounterConfig config = BaseConfig();
    config.faults.replyDelayMs = 40;
    config.faults.gapAfterByte = 3;
    config.faults.gapMs = 60;
    port.AddCounter(config);
    RawLine line(port.LinkPath());
    ASSERT_EQ(Text(line.Exchange("\x82T")), "\x82T");
    EXPECT_EQ(Text(line.Read(9, 2000)), "KTR-100\r\n");
    std::vector<SimTranscriptEntry> entries = port.Transcript();
    ASSERT_EQ(entries.size(), 13u);
    const int64_t echoT = entries[3].ns;
    EXPECT_GE(entries[4].ns - echoT, 40000000);
    EXPECT_LT(entries[4].ns - echoT, 1000000000);
    EXPECT_GE(entries[7].ns - entries[6].ns, 60000000);
    EXPECT_LT(entries[7].ns - entries[6].ns, 1000000000);
}
