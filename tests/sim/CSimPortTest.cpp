#include "RawLine.h"

#include "sim/CSimNetwork.h"

#include <gtest/gtest.h>

#include <atomic>
#include <fcntl.h>
#include <mutex>
#include <sys/ioctl.h>
#include <unistd.h>

namespace {

std::string Addr(int address) {
    return std::string(1, static_cast<char>(0x80 + address));
}
const std::string kRelease = "\xBF";

class CSimPortTest : public testing::Test {
protected:
    void SetUp() override {
        SimCounterConfig config;
        config.address = 5;
        config.model = "  KTR-100\r\n";
        config.sizes = {0.3, 0.5};
        config.points = {{0.3, 100}, {0.5, 150.5}, {1, 400}};
        counter = &port.AddCounter(config);
        ASSERT_EQ(line.Open(port.LinkPath()), 0);
    }

    // Sends a whole command, each byte after the echo of the one before,
    // and returns the echoes followed by whatever the counter sends after.
    // A release byte at the end is written without waiting for an echo.
    // Where silence is expected, echoTimeoutMs is short.
    std::string Command(std::string bytes, int echoTimeoutMs = 1000, int quietMs = 60) {
        bool release = !bytes.empty() && bytes.back() == kRelease[0];
        if (release)
            bytes.pop_back();
        std::string received = Text(line.Exchange(bytes, echoTimeoutMs));
        received += Text(line.ReadUntilQuiet(quietMs));
        if (release)
            line.Write(kRelease);
        return received;
    }

    CSimNetwork network;
    CSimPort& port = network.AddPort(3);
    CSimCounter* counter = nullptr;
    RawLine line;
};

TEST_F(CSimPortTest, LinkIsNamedByComNumberInThePortDir) {
    EXPECT_EQ(port.LinkPath(), network.PortDir() + "/COM3");
    EXPECT_EQ(network.Port(3), &port);
    EXPECT_EQ(network.Port(4), nullptr);
}

TEST_F(CSimPortTest, EchoesOnlyWhileAPresentCounterIsSelected) {
    EXPECT_EQ(Command(Addr(5)), Addr(5));
    EXPECT_EQ(Command("AB"), "AB");
    // An address without a counter: silence, also for the bytes after it.
    EXPECT_EQ(Command(Addr(6) + "AB", 60), "");
    EXPECT_EQ(Command(Addr(5) + "\r\n"), Addr(5) + "\r\n");
    counter->SetPresent(false);
    EXPECT_EQ(Command(Addr(5), 60), "");
}

TEST_F(CSimPortTest, ReleaseByteIsNotEchoedAndEndsTheSelection) {
    EXPECT_EQ(Command(Addr(5)), Addr(5));
    line.Write(kRelease);
    EXPECT_TRUE(line.ReadUntilQuiet(60).empty());
    EXPECT_EQ(Command("T", 60), "");
    ASSERT_TRUE(port.WaitForBytesToCounter(3, 1000));
    EXPECT_EQ(Text(port.BytesToCounter()), Addr(5) + kRelease + "T");
}

TEST_F(CSimPortTest, IdentifyAnswersTheRawModelText) {
    EXPECT_EQ(Command(Addr(5) + "T"), Addr(5) + "T" + "  KTR-100\r\n");
}

TEST_F(CSimPortTest, SizeQueryRepliesWithChecksum) {
    EXPECT_EQ(Command(Addr(5) + "P\r\n"), Addr(5) + "P\r\n" + " 0.3 0.5 C/S 000164\r\n");
}

TEST_F(CSimPortTest, LowerCaseChecksumOnRequest) {
    SimCounterConfig config = counter->GetConfig();
    config.sizes = {0.3, 0.5, 1.0, 2.0};
    config.lowerCaseChecksum = true;
    counter->SetConfig(config);
    EXPECT_EQ(Command(Addr(5) + "P\r\n"), Addr(5) + "P\r\n" + " 0.3 0.5 1.0 2.0 C/S 0002c3\r\n");
}

TEST_F(CSimPortTest, CalibrationQueryRepliesWithPairsAndChecksum) {
    EXPECT_EQ(Command(Addr(5) + "K\r\n"),
              Addr(5) + "K\r\n" + " 0.3 100 0.5 150.5 1.0 400 C/S 000491\r\n");
}

TEST_F(CSimPortTest, ProgrammedSizesAreReturnedByTheNextQuery) {
    const std::string program = Addr(5) + "P 0.3 0.5 1.0 C/S 000213\r\n";
    EXPECT_EQ(Command(program + kRelease), program);
    EXPECT_EQ(counter->GetSizes(), (std::vector<double>{0.3, 0.5, 1.0}));
    EXPECT_EQ(counter->SizesProgrammed(), 1);
    EXPECT_EQ(Command(Addr(5) + "P\r\n"), Addr(5) + "P\r\n" + " 0.3 0.5 1.0 C/S 000213\r\n");
}

TEST_F(CSimPortTest, SizesWithAWrongChecksumAreRefused) {
    const std::string program = Addr(5) + "P 0.3 0.5 1.0 C/S 000214\r\n";
    EXPECT_EQ(Command(program), program);
    EXPECT_EQ(counter->GetSizes(), (std::vector<double>{0.3, 0.5}));
    EXPECT_EQ(counter->RejectedLines(), 1);
    EXPECT_EQ(counter->SizesProgrammed(), 0);
}

TEST_F(CSimPortTest, ProgrammedCalibrationIsReturnedByTheNextQuery) {
    Command(Addr(5) + "K 0.3 120 0.5 150\r\n" + kRelease);
    using Points = std::vector<std::pair<double, double>>;
    EXPECT_EQ(counter->GetPoints(), (Points{{0.3, 120}, {0.5, 150}}));
    EXPECT_EQ(Command(Addr(5) + "K\r\n"), Addr(5) + "K\r\n" + " 0.3 120 0.5 150 C/S 0002CD\r\n");
    // An odd number of values is no calibration.
    Command(Addr(5) + "K 0.3 120 0.5\r\n");
    EXPECT_EQ(counter->GetPoints(), (Points{{0.3, 120}, {0.5, 150}}));
    EXPECT_EQ(counter->RejectedLines(), 1);
}

TEST_F(CSimPortTest, FlashTextsSwitchTheFlash) {
    EXPECT_FALSE(counter->IsFlashOn());
    EXPECT_EQ(Command(Addr(5) + "o0001\r\n" + kRelease), Addr(5) + "o0001\r\n");
    EXPECT_TRUE(counter->IsFlashOn());
    Command(Addr(5) + "o0000\r\n" + kRelease);
    EXPECT_FALSE(counter->IsFlashOn());
    EXPECT_EQ(counter->FlashCommands(), 2);
}

TEST_F(CSimPortTest, AReselectDropsAnUnfinishedLine) {
    Command(Addr(5) + "o00");
    Command(Addr(5) + "01\r\n");
    EXPECT_EQ(counter->FlashCommands(), 0);
}

TEST_F(CSimPortTest, TranscriptKeepsBothDirectionsInOrder) {
    Command(Addr(5) + "T");
    line.Write(kRelease);
    ASSERT_TRUE(port.WaitForBytesToCounter(3, 1000));
    std::vector<SimTranscriptEntry> entries = port.Transcript();
    std::string order;
    for (const auto& entry : entries)
        order += entry.toCounter ? '>' : '<';
    EXPECT_EQ(order, "><><" + std::string(11, '<') + ">");
    for (size_t i = 1; i < entries.size(); ++i)
        EXPECT_LE(entries[i - 1].ns, entries[i].ns);
    EXPECT_EQ(Text(port.BytesFromCounter()), Addr(5) + "T  KTR-100\r\n");
    EXPECT_NE(SimFormatTranscript(entries).find("> 85"), std::string::npos);
    port.ClearTranscript();
    EXPECT_TRUE(port.Transcript().empty());
}

TEST_F(CSimPortTest, ListenerSeesEveryByteAsItIsRecorded) {
    std::mutex mutex;
    std::string seen;
    port.SetTranscriptListener([&](const SimTranscriptEntry& entry) {
        std::lock_guard lock(mutex);
        seen += entry.toCounter ? '>' : '<';
        seen += static_cast<char>(entry.byte);
    });
    Command(Addr(5) + "T");
    port.SetTranscriptListener(nullptr);
    std::lock_guard lock(mutex);
    std::string expected = ">" + Addr(5) + "<" + Addr(5) + ">T<T";
    for (char c : std::string("  KTR-100\r\n"))
        expected += std::string("<") + c;
    EXPECT_EQ(seen, expected);
}

TEST_F(CSimPortTest, TranscriptLimitDropsTheOldest) {
    port.SetTranscriptLimit(4);
    Command(Addr(5) + "AB");
    std::vector<SimTranscriptEntry> entries = port.Transcript();
    ASSERT_EQ(entries.size(), 4u);
    EXPECT_EQ(entries.front().byte, 'A');
    EXPECT_EQ(entries.back().byte, 'B');
}

TEST_F(CSimPortTest, PacingTakesAByteTimePerByteSent) {
    port.SetPacing(true);
    line.Write(Addr(5));
    ASSERT_EQ(line.Read(1, 500).size(), 1u);
    line.Write("P");
    ASSERT_EQ(line.Read(1, 500).size(), 1u);
    line.Write("\r");
    ASSERT_EQ(line.Read(1, 500).size(), 1u);
    line.Write("\n");
    std::vector<uint8_t> reply = line.Read(22, 2000);
    EXPECT_EQ(Text(reply), "\n 0.3 0.5 C/S 000164\r\n");
    // From the LF received: its echo and the 21 reply bytes, each at least
    // a byte time after the one before was due.
    std::vector<SimTranscriptEntry> entries = port.Transcript();
    ASSERT_GE(entries.size(), 23u);
    const SimTranscriptEntry& lf = entries[entries.size() - 23];
    ASSERT_TRUE(lf.toCounter && lf.byte == '\n');
    EXPECT_GE(entries.back().ns - lf.ns, 21 * 1041666);
}

TEST_F(CSimPortTest, ExclusiveOpenRefusesASecondOpenerAndReleasesOnClose) {
    RawLine second;
    EXPECT_NE(second.Open(port.LinkPath()), 0);
    line.Close();
    EXPECT_EQ(second.Open(port.LinkPath()), 0);
}

TEST_F(CSimPortTest, ReleaseExclusiveClearsAMarkLeftBehind) {
    int excl = 0;
    ASSERT_EQ(ioctl(line.Fd(), TIOCGEXCL, &excl), 0);
    EXPECT_EQ(excl, 1);
    EXPECT_TRUE(port.ReleaseExclusive());
    ASSERT_EQ(ioctl(line.Fd(), TIOCGEXCL, &excl), 0);
    EXPECT_EQ(excl, 0);
}

// A passer-by opens the device just before the holder and closes it while
// the holder has the port: the open events may be merged and count none
// left, but the holder's lock keeps its mark, and its replies are kept.
TEST_F(CSimPortTest, MarkOfAProgramThatStillHasThePortIsKept) {
    std::atomic<int> cleared{0};
    port.SetStaleMarkListener([&] { ++cleared; });
    line.Close();
    const int passer = open(port.LinkPath().c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    ASSERT_GE(passer, 0);
    ASSERT_EQ(line.Open(port.LinkPath()), 0);
    close(passer);
    usleep(100000);
    int exclusive = 0;
    ASSERT_EQ(ioctl(line.Fd(), TIOCGEXCL, &exclusive), 0);
    EXPECT_EQ(exclusive, 1);
    EXPECT_EQ(Command(Addr(5) + "T"), Addr(5) + "T  KTR-100\r\n");
    EXPECT_EQ(cleared, 0);
    port.SetStaleMarkListener(nullptr);
}

TEST_F(CSimPortTest, KeepsServingAcrossManyOpensAndCloses) {
    line.Close();
    for (int i = 0; i < 200; ++i) {
        RawLine again;
        ASSERT_EQ(again.Open(port.LinkPath()), 0) << "open " << i;
        ASSERT_EQ(Text(again.Exchange(Addr(5) + "o0001\r\n")), Addr(5) + "o0001\r\n")
            << "exchange " << i;
        again.Write(kRelease);
    }
    EXPECT_EQ(counter->FlashCommands(), 200);
    ASSERT_EQ(line.Open(port.LinkPath()), 0);
    EXPECT_EQ(Command(Addr(5) + "T"), Addr(5) + "T  KTR-100\r\n");
}

} // namespace

namespace {

TEST_F(CSimPortTest, WhatCountersSendWhileTheLinkIsClosedIsLost) {
    SimFaults faults;
    faults.replyDelayMs = 80;
    counter->SetFaults(faults);
    ASSERT_EQ(Text(line.Exchange(Addr(5) + "T")), Addr(5) + "T");
    line.Close();
    // The reply goes out on the line after the close...
    const std::string model = "  KTR-100\r\n";
    const int64_t deadline = SimMonotonicNs() + 3000000000LL;
    while (port.BytesFromCounter().size() < 2 + model.size() && SimMonotonicNs() < deadline)
        usleep(5000);
    EXPECT_EQ(Text(port.BytesFromCounter()), Addr(5) + "T" + model);
    // ...and the next program to open the link does not read it.
    ASSERT_EQ(line.Open(port.LinkPath()), 0);
    EXPECT_TRUE(line.Read(1, 50).empty());
    counter->SetFaults({});
    EXPECT_EQ(Command(Addr(5) + "T"), Addr(5) + "T" + model);
}

} // namespace
