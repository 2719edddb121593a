// The counter link on a simulated line: the bytes it writes, the echoes it
// waits for, its retries and its read time-outs.

#include "link/CCounterLink.h"

#include "CCounterLinkTestLocale.h"
#include "link/CSerialPort.h"
#include "model/CSensor.h"
#include "res/StringTable.h"
#include "sim/CSimNetwork.h"
#include "sim/SimText.h"
#include "support/RecordingProgress.h"
#include "support/TableValues.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace {

const std::string kRel = "\xBF";
const std::string kCrLf = "\r\n";

std::string Addr(int address) {
    return std::string(1, static_cast<char>(0x80 + address));
}

// Sets an environment variable while it lives.
class CScopedEnv {
public:
    CScopedEnv(const char* name, const std::string& value) : m_name(name) {
        const char* saved = std::getenv(name);
        m_hadValue = saved != nullptr;
        if (saved)
            m_saved = saved;
        ::setenv(name, value.c_str(), 1);
    }
    ~CScopedEnv() {
        if (m_hadValue)
            ::setenv(m_name, m_saved.c_str(), 1);
        else
            ::unsetenv(m_name);
    }
    CScopedEnv(const CScopedEnv&) = delete;
    CScopedEnv& operator=(const CScopedEnv&) = delete;

private:
    const char* m_name;
    std::string m_saved;
    bool m_hadValue = false;
};

// One simulated com port with a counter link on it, and a supported-models
// file that lists KTR-100, KTR-200 and a 32-character model.
class CSimLine {
public:
    static constexpr int kCom = 7;
    static constexpr const char* kModel32 = "ABCDEFGHIJKLMNOPQRSTUVWXYZ012345";

    CSimLine()
        : m_portDir("KTRSETUP_PORT_DIR", net.PortDir()),
          m_models("KTRSETUP_SUPPORTED_MODELS", net.PortDir() + "/supported-models") {
        std::ofstream(net.PortDir() + "/supported-models")
            << "# models this test supports\nKTR-100\nktr-200\n"
            << kModel32 << "\n";
    }

    CSimCounter& Add(int address, const std::string& model = "  KTR-100\r\n",
                     const SimFaults& faults = SimFaults()) {
        SimCounterConfig config;
        config.address = address;
        config.model = model;
        config.sizes = {0.3, 0.5};
        config.points = {{0.3, 100}, {0.5, 150.5}, {1, 400}};
        config.faults = faults;
        return port.AddCounter(config);
    }

    bool Open() { return serial.Open(kCom) == PortOpenFailure::None; }

    // Everything written to the counters so far, once at least count bytes
    // arrived (and a little longer, so that a surplus shows).
    std::string Sent(size_t count) const {
        port.WaitForBytesToCounter(count, 3000);
        port.WaitForBytesToCounter(count + 1, 30);
        const auto bytes = port.BytesToCounter();
        return std::string(bytes.begin(), bytes.end());
    }

    CSimNetwork net;
    CSimPort& port = net.AddPort(kCom);

private:
    CScopedEnv m_portDir;
    CScopedEnv m_models;

public:
    CSerialPort serial;
    RecordingProgress progress;
    CCounterLink link{&serial, &progress};
};

CSensor SensorAt(int address) {
    CSensor sensor;
    sensor.SetPort(CSimLine::kCom);
    sensor.SetAddress(address);
    return sensor;
}

std::vector<std::string> ProgressOfOneAttempt(int length, int steps) {
    std::vector<std::string> calls = {"range 0 " + std::to_string(length), "pos 0"};
    calls.insert(calls.end(), static_cast<size_t>(steps), "step");
    return calls;
}

// Every byte the program writes, but the release byte, must be answered by
// its echo before the program writes the next one.
void ExpectEachByteAwaitsItsEcho(const std::vector<SimTranscriptEntry>& transcript) {
    int awaiting = -1;
    for (const auto& entry : transcript) {
        if (entry.toCounter) {
            EXPECT_EQ(awaiting, -1) << "byte written before the echo of " << awaiting;
            awaiting = entry.byte == 0xBF ? -1 : entry.byte;
        } else if (awaiting >= 0) {
            EXPECT_EQ(entry.byte, awaiting);
            awaiting = -1;
        }
    }
}

// Nanoseconds of the first transcript entry at or after from that matches.
int64_t TimeOf(const std::vector<SimTranscriptEntry>& transcript, bool toCounter, uint8_t byte,
               size_t from = 0, size_t* index = nullptr) {
    for (size_t i = from; i < transcript.size(); ++i) {
        if (transcript[i].toCounter == toCounter && transcript[i].byte == byte) {
            if (index)
                *index = i;
            return transcript[i].ns;
        }
    }
    ADD_FAILURE() << "byte " << int(byte) << " not in the transcript";
    return 0;
}

constexpr double kMs = 1e6;

class CounterWireTest : public testing::Test {
protected:
    CSimLine line;
};

// --------------------------------------------------------------- reading

TEST_F(CounterWireTest, CounterAtAddress5IsSelectedIdentifiedAndRead) {
    line.Add(5);
    ASSERT_TRUE(line.Open());
    CSensor sensor = SensorAt(5);
    ASSERT_TRUE(line.link.SelectAddress(sensor).Ok());
    ASSERT_TRUE(line.link.Identify(sensor).Ok());
    ASSERT_TRUE(line.link.ReadSizes(sensor).Ok());
    ASSERT_TRUE(line.link.ReadCalibration(sensor).Ok());

    const std::string expected = Addr(5) + Addr(5) + "T" + kRel + Addr(5) + "P" + kCrLf + kRel +
                                 Addr(5) + "K" + kCrLf + kRel;
    EXPECT_EQ(line.Sent(expected.size()), expected);
    ExpectEachByteAwaitsItsEcho(line.port.Transcript());
    EXPECT_EQ(sensor.GetModel(), "KTR-100");
    EXPECT_EQ(Values(sensor.GetSizes()), (std::vector<double>{0.3, 0.5}));
    EXPECT_EQ(PointsOf(sensor.GetCalCurve()), (Points{{0.3, 100}, {0.5, 150.5}, {1, 400}}));
    EXPECT_EQ(line.progress.Calls().size(), 0u);
}

TEST_F(CounterWireTest, IdentifyKeepsOnlySupportedModels) {
    line.Add(1, "XYZ-9\r\n");
    line.Add(2, CSimLine::kModel32); // exactly 32 bytes, no terminator
    ASSERT_TRUE(line.Open());

    CSensor unsupported = SensorAt(1);
    unsupported.SetModel("old");
    EXPECT_FALSE(line.link.Identify(unsupported).Ok());
    EXPECT_EQ(unsupported.GetModel(), "old");

    CSensor full = SensorAt(2);
    EXPECT_TRUE(line.link.Identify(full).Ok());
    EXPECT_EQ(full.GetModel(), CSimLine::kModel32);

    // No counter: the address byte goes unanswered, the release byte still goes.
    CSensor absent = SensorAt(3);
    EXPECT_FALSE(line.link.Identify(absent).Ok());
    const std::string expected = Addr(1) + "T" + kRel + Addr(2) + "T" + kRel + Addr(3) + kRel;
    EXPECT_EQ(line.Sent(expected.size()), expected);
}

TEST_F(CounterWireTest, RepliesWithLowerCaseChecksumOrAnOddSizeAreRead) {
    CSimCounter& counter = line.Add(4);
    SimCounterConfig config = counter.GetConfig();
    config.sizes = {0.3, 0.5, 1.0, 2.0};
    config.lowerCaseChecksum = true;
    config.calibrationReplyOverride = " 0.3 120 0.5 150 0.3 C/S 00037E\r\n";
    counter.SetConfig(config);
    ASSERT_TRUE(line.Open());

    CSensor sensor = SensorAt(4);
    ASSERT_TRUE(line.link.ReadSizes(sensor).Ok());
    EXPECT_EQ(Values(sensor.GetSizes()), (std::vector<double>{0.3, 0.5, 1.0, 2.0}));
    const auto reply = line.port.BytesFromCounter();
    EXPECT_NE(std::string(reply.begin(), reply.end()).find("C/S 0002c3"), std::string::npos);

    ASSERT_TRUE(line.link.ReadCalibration(sensor).Ok());
    EXPECT_EQ(PointsOf(sensor.GetCalCurve()), (Points{{0.3, 120}, {0.5, 150}}));
}

TEST_F(CounterWireTest, BadRepliesFailThreeAttemptsAndLeaveTheRecord) {
    SimFaults badChecksum;
    badChecksum.badChecksum = true;
    SimFaults noMarker;
    noMarker.noMarker = true;
    line.Add(4, "KTR-100", badChecksum);
    line.Add(6, "KTR-100", noMarker);
    ASSERT_TRUE(line.Open());

    CSensor sensor = SensorAt(4);
    sensor.GetSizes().AddTail(7.0);
    EXPECT_FALSE(line.link.ReadSizes(sensor).Ok());
    EXPECT_EQ(Values(sensor.GetSizes()), (std::vector<double>{7.0}));
    // Three attempts, each from the address byte, and one release at the end.
    const std::string query = Addr(4) + "P" + kCrLf;
    EXPECT_EQ(line.Sent(13), query + query + query + kRel);

    CSensor other = SensorAt(6);
    other.GetCalCurve().AddTail(CCalPoint(1, 2));
    EXPECT_FALSE(line.link.ReadCalibration(other).Ok());
    EXPECT_EQ(PointsOf(other.GetCalCurve()), (Points{{1, 2}}));
    EXPECT_FALSE(line.link.ReadSizes(other).Ok());
}

TEST_F(CounterWireTest, OverlongReplyIsCutAtTheBuffer) {
    SimFaults overlong;
    overlong.overlongBytes = 1100;
    line.Add(4, "KTR-100", overlong);
    ASSERT_TRUE(line.Open());
    CSensor sensor = SensorAt(4);
    sensor.GetSizes().AddTail(7.0);
    // The first 1024 bytes hold only spaces: no marker, no sizes.
    EXPECT_FALSE(line.link.ReadSizes(sensor).Ok());
    EXPECT_EQ(Values(sensor.GetSizes()), (std::vector<double>{7.0}));
}

TEST_F(CounterWireTest, ZeroByteEndsTheReply) {
    SimFaults zeroFirst;
    zeroFirst.noise = std::string(1, '\0');
    line.Add(4, "KTR-100", zeroFirst);
    ASSERT_TRUE(line.Open());
    CSensor sensor = SensorAt(4);
    sensor.GetCalCurve().AddTail(CCalPoint(1, 2));
    // The whole reply arrives, but its text ends before it begins.
    EXPECT_FALSE(line.link.ReadCalibration(sensor).Ok());
    EXPECT_EQ(PointsOf(sensor.GetCalCurve()), (Points{{1, 2}}));
}

// ----------------------------------------------------------- programming

TEST_F(CounterWireTest, SizesGoOutAsFieldsWithChecksum) {
    CSimCounter& counter = line.Add(3);
    ASSERT_TRUE(line.Open());
    CSensor sensor = SensorAt(3);
    CSizeList sizes;
    for (double v : {1.0, 0.3, 0.5})
        sizes.AddTail(v);

    ASSERT_TRUE(line.link.ProgramSizes(sensor, sizes).Ok());
    const std::string text = " 0.3 0.5 1.0 C/S 000213";
    const std::string expected = Addr(3) + "P" + text + kCrLf + kRel;
    EXPECT_EQ(line.Sent(expected.size()), expected);
    ExpectEachByteAwaitsItsEcho(line.port.Transcript());
    EXPECT_EQ(Values(sizes), (std::vector<double>{0.3, 0.5, 1.0}));
    EXPECT_EQ(Values(sensor.GetSizes()), (std::vector<double>{0.3, 0.5, 1.0}));
    EXPECT_EQ(counter.GetSizes(), (std::vector<double>{0.3, 0.5, 1.0}));
    EXPECT_EQ(line.progress.Calls(), ProgressOfOneAttempt(23, 23));

    // The record takes the values as the fields carried them.
    CSizeList cut;
    cut.AddTail(15.5);
    cut.AddTail(20);
    ASSERT_TRUE(line.link.ProgramSizes(sensor, cut).Ok());
    EXPECT_EQ(Values(sensor.GetSizes()), (std::vector<double>{15, 20}));
    EXPECT_EQ(counter.GetSizes(), (std::vector<double>{15, 20}));
}

TEST_F(CounterWireTest, CalibrationGoesOutWithoutChecksum) {
    CSimCounter& counter = line.Add(3);
    ASSERT_TRUE(line.Open());
    CSensor sensor = SensorAt(3);
    CCalCurve curve;
    curve.AddTail(CCalPoint(1, 400));
    curve.AddTail(CCalPoint(0.3, 100));
    curve.AddTail(CCalPoint(0.5, 150.5));

    ASSERT_TRUE(line.link.ProgramCalibration(sensor, curve).Ok());
    const std::string text = " 0.3 100 0.5 150.5 1 400";
    const std::string expected = Addr(3) + "K" + text + kCrLf + kRel;
    EXPECT_EQ(line.Sent(expected.size()), expected);
    const Points points = {{0.3, 100}, {0.5, 150.5}, {1, 400}};
    EXPECT_EQ(PointsOf(sensor.GetCalCurve()), points);
    EXPECT_EQ(counter.GetPoints(), points);
    EXPECT_EQ(line.progress.Calls(), ProgressOfOneAttempt(24, 24));
}

TEST_F(CounterWireTest, RefusedTablesSendNothing) {
    line.Add(3);
    ASSERT_TRUE(line.Open());
    CSensor sensor = SensorAt(3);
    CSizeList duplicates;
    duplicates.AddTail(0.5);
    duplicates.AddTail(0.5);
    CSizeList tooLarge;
    tooLarge.AddTail(1000);
    CCalCurve twoPoints;
    twoPoints.AddTail(CCalPoint(0.3, 100));
    twoPoints.AddTail(CCalPoint(0.5, 150));
    const std::vector<std::pair<LinkResult, unsigned>> refusals = {
        {line.link.ProgramSizes(sensor, duplicates), IDS_SIZES_NOT_ASCENDING},
        {line.link.ProgramSizes(sensor, tooLarge), IDS_SIZE_TOO_LARGE},
        {line.link.ProgramCalibration(sensor, twoPoints), IDS_NEED_THREE_POINTS}};
    for (const auto& [result, id] : refusals) {
        EXPECT_EQ(result.status, LinkStatus::Refused);
        ASSERT_EQ(result.messages.size(), 1u);
        EXPECT_EQ(result.messages[0].id, id);
    }
    EXPECT_EQ(line.Sent(0), "");
    EXPECT_EQ(line.progress.Calls().size(), 0u);
}

TEST_F(CounterWireTest, TransferThatStallsIsRetriedThenFails) {
    SimFaults stall;
    stall.echoStopsAfter = 11; // the command letter and ten text bytes
    CSimCounter& counter = line.Add(3, "KTR-100", stall);
    ASSERT_TRUE(line.Open());
    CSensor sensor = SensorAt(3);
    sensor.GetSizes().AddTail(7.0);
    CSizeList sizes;
    for (double v : {0.3, 0.5, 1.0})
        sizes.AddTail(v);

    EXPECT_FALSE(line.link.ProgramSizes(sensor, sizes).Ok());
    std::vector<std::string> calls;
    for (int attempt = 0; attempt < 3; ++attempt) {
        const auto one = ProgressOfOneAttempt(23, 10);
        calls.insert(calls.end(), one.begin(), one.end());
    }
    EXPECT_EQ(line.progress.Calls(), calls);
    // Each attempt stops at the eleventh text byte, whose echo never comes.
    const std::string attempt = Addr(3) + "P" + std::string(" 0.3 0.5 1.0 C/S 000213", 0, 11);
    EXPECT_EQ(line.Sent(3 * attempt.size() + 1), attempt + attempt + attempt + kRel);
    EXPECT_EQ(Values(sensor.GetSizes()), (std::vector<double>{7.0}));
    EXPECT_EQ(counter.GetSizes(), (std::vector<double>{0.3, 0.5}));
}

TEST_F(CounterWireTest, MissingLineEndEchoFailsTheTransfer) {
    SimFaults noLf;
    noLf.echoStopsAfter = 26; // 'K', 24 text bytes, CR; the LF goes unanswered
    line.Add(3, "KTR-100", noLf);
    ASSERT_TRUE(line.Open());
    CSensor sensor = SensorAt(3);
    sensor.GetCalCurve().AddTail(CCalPoint(1, 2));
    CCalCurve curve;
    for (auto [s, v] : Points{{0.3, 100}, {0.5, 150.5}, {1, 400}})
        curve.AddTail(CCalPoint(s, v));
    EXPECT_FALSE(line.link.ProgramCalibration(sensor, curve).Ok());
    EXPECT_EQ(PointsOf(sensor.GetCalCurve()), (Points{{1, 2}}));
    const std::string attempt = Addr(3) + "K 0.3 100 0.5 150.5 1 400\r\n";
    EXPECT_EQ(line.Sent(3 * attempt.size() + 1), attempt + attempt + attempt + kRel);
}

TEST_F(CounterWireTest, FlashTexts) {
    CSimCounter& counter = line.Add(5);
    ASSERT_TRUE(line.Open());
    CSensor sensor = SensorAt(5);
    ASSERT_TRUE(line.link.SetFlash(sensor, true).Ok());
    EXPECT_TRUE(counter.IsFlashOn());
    ASSERT_TRUE(line.link.SetFlash(sensor, false).Ok());
    EXPECT_FALSE(counter.IsFlashOn());
    const std::string expected = Addr(5) + "o0001\r\n" + kRel + Addr(5) + "o0000\r\n" + kRel;
    EXPECT_EQ(line.Sent(expected.size()), expected);
    EXPECT_EQ(line.progress.Steps(), 14);

    // No counter at the address: only the address byte and the release byte.
    line.port.ClearTranscript();
    CSensor absent = SensorAt(6);
    EXPECT_FALSE(line.link.SetFlash(absent, true).Ok());
    EXPECT_EQ(line.Sent(2), Addr(6) + kRel);
}

// ---------------------------------------------------------------- timing

TEST_F(CounterWireTest, EchoOfAnAbsentAddressIsAwaited51Ms) {
    ASSERT_TRUE(line.Open());
    CSensor absent = SensorAt(9);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(line.link.SelectAddress(absent).Ok());
    const auto elapsed = std::chrono::steady_clock::now() - start;
    EXPECT_GE(elapsed, std::chrono::milliseconds(51));
    EXPECT_LT(elapsed, std::chrono::milliseconds(1000));
}

TEST_F(CounterWireTest, ModelReadWithoutReplyEndsAfter82Ms) {
    SimFaults silent;
    silent.noReply = true;
    line.Add(2, "KTR-100", silent);
    ASSERT_TRUE(line.Open());
    CSensor sensor = SensorAt(2);
    EXPECT_FALSE(line.link.Identify(sensor).Ok());
    line.Sent(3);
    const auto t = line.port.Transcript();
    size_t echo = 0;
    const int64_t readStart = TimeOf(t, false, 'T', 0, &echo);
    const int64_t release = TimeOf(t, true, 0xBF, echo);
    EXPECT_GE(release - readStart, 82 * kMs);
    EXPECT_LT(release - readStart, 1000 * kMs);
}

// Under strict timing a short reply ends the read by the interval rule
// (200 ms for sizes, 100 ms for calibration), long before the total time-out.
TEST_F(CounterWireTest, StrictReplyReadsEndByTheIntervalRule) {
    line.Add(2);
    ASSERT_TRUE(line.Open());
    line.link.SetReplyTiming(ReplyTiming::Strict);
    CSensor sensor = SensorAt(2);
    ASSERT_TRUE(line.link.ReadSizes(sensor).Ok());
    ASSERT_TRUE(line.link.ReadCalibration(sensor).Ok());
    line.Sent(10);
    const auto t = line.port.Transcript();

    size_t lfEcho = 0, release = 0;
    for (int read = 0; read < 2; ++read) {
        const int64_t readStart = TimeOf(t, false, '\n', release, &lfEcho);
        const int64_t end = TimeOf(t, true, 0xBF, lfEcho, &release);
        const int64_t lastByte = t[release - 1].ns;
        ASSERT_FALSE(t[release - 1].toCounter);
        const double interval = read == 0 ? 200 : 100;
        EXPECT_GE(end - lastByte, interval * kMs) << "read " << read;
        EXPECT_LT(end - readStart, (read == 0 ? 1400 : 450) * kMs) << "read " << read;
    }
}

TEST_F(CounterWireTest, GapsInsideRepliesAgainstTheInterval) {
    SimFaults gap;
    gap.gapAfterByte = 5;
    gap.gapMs = 130; // shorter than the sizes interval, longer than calibration's
    line.Add(2, "KTR-100", gap);
    ASSERT_TRUE(line.Open());
    CSensor sensor = SensorAt(2);
    EXPECT_TRUE(line.link.ReadSizes(sensor).Ok());
    EXPECT_EQ(Values(sensor.GetSizes()), (std::vector<double>{0.3, 0.5}));
    EXPECT_FALSE(line.link.ReadCalibration(sensor).Ok());
    EXPECT_EQ(sensor.GetCalCurve().GetCount(), 0);
}

// --------------------------------------------------------- line in step

// The echo of a silent address that comes late reaches the next probe: it
// waits until the line has been quiet for the longest reply interval, then
// asks once more, and finds the next counter.
TEST_F(CounterWireTest, StrayByteMakesTheNextProbeWaitForQuietAndAskAgain) {
    SimFaults late;
    late.lateEchoAt = 0;
    late.lateEchoMs = 75; // after its own 51 ms, within the next probe's
    line.Add(4, "KTR-100\r\n", late);
    line.Add(5);
    ASSERT_TRUE(line.Open());
    CSensor silent = SensorAt(4);
    EXPECT_EQ(line.link.SelectAddress(silent).status, LinkStatus::NoEcho);
    CSensor next = SensorAt(5);
    ASSERT_TRUE(line.link.SelectAddress(next).Ok());

    EXPECT_EQ(line.Sent(3), Addr(4) + Addr(5) + Addr(5));
    const auto t = line.port.Transcript();
    size_t firstProbe = 0;
    const int64_t asked = TimeOf(t, true, 0x85, 0, &firstProbe);
    const int64_t askedAgain = TimeOf(t, true, 0x85, firstProbe + 1);
    EXPECT_GE(askedAgain - asked, CCounterLink::kSettleQuietMs * kMs);
    EXPECT_LT(askedAgain - asked, 3000 * kMs);
}

// The device vanishes while the link waits for a reply: the read ends at
// once as "port gone", with no second attempt and no release byte.
TEST_F(CounterWireTest, DeviceThatVanishesEndsTheReadAtOnce) {
    SimFaults slow;
    slow.replyDelayMs = 1300;
    line.Add(4, "KTR-100\r\n", slow);
    ASSERT_TRUE(line.Open());
    std::thread vanish([&] {
        line.port.WaitForBytesToCounter(4, 3000);
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        line.port.HangUp();
    });
    CSensor sensor = SensorAt(4);
    const auto start = std::chrono::steady_clock::now();
    const LinkResult result = line.link.ReadSizes(sensor);
    const auto took = std::chrono::steady_clock::now() - start;
    vanish.join();
    EXPECT_EQ(result.status, LinkStatus::PortGone);
    EXPECT_EQ(result.attempts, 1);
    EXPECT_EQ(DescribeLinkResult(result), "port gone (the device hung up)");
    EXPECT_GE(took, std::chrono::milliseconds(100));
    EXPECT_LT(took, std::chrono::milliseconds(1200)) << "the read must not wait out its time";
    EXPECT_EQ(line.Sent(4), Addr(4) + "P" + kCrLf);
    EXPECT_EQ(line.link.Identify(sensor).status, LinkStatus::PortGone);
}

// ---------------------------------------------------------- reply framing

// The reply to the default tables of CSimLine::Add with its own line end.
std::string SizesReplyEndingWith(const std::string& end) {
    const std::string data = " 0.3 0.5";
    return data + " C/S " + SimChecksumText(SimByteSum(data), false) + end;
}

std::string CalibrationReplyEndingWith(const std::string& end) {
    const std::string data = " 0.3 100 0.5 150.5 1 400";
    return data + " C/S " + SimChecksumText(SimByteSum(data), false) + end;
}

// A counter whose replies differ from the sound ones in one way, and whether
// a framed read of its size and of its calibration reply may end at the
// reply's CR LF.
struct FramingCase {
    const char* name;
    std::function<void(SimCounterConfig&)> change;
    bool framedAtOnce[2];
};

// What reading both tables of one counter came to: the results and tables
// (which must not depend on the timing), and for each read how it ended and
// how long the line had been quiet when the release byte went out (-1 when
// the read failed).
struct TableReads {
    std::string results;
    ReadEnd end[2] = {ReadEnd::Failed, ReadEnd::Failed};
    double quietMs[2] = {-1, -1};
};

double QuietBeforeRelease(const CSimPort& port) {
    auto released = [&port] {
        const auto bytes = port.BytesToCounter();
        return !bytes.empty() && bytes.back() == 0xBF;
    };
    for (int i = 0; i < 300 && !released(); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    const auto t = port.Transcript();
    for (size_t i = 1; i < t.size(); ++i) {
        if (t[i].toCounter && t[i].byte == 0xBF && !t[i - 1].toCounter)
            return double(t[i].ns - t[i - 1].ns) / kMs;
    }
    ADD_FAILURE() << "no release byte after a reply\n" << SimFormatTranscript(t);
    return -1;
}

TableReads ReadBothTables(const FramingCase& c, ReplyTiming timing) {
    CSimLine line;
    CSimCounter& counter = line.Add(2, "KTR-100\r\n");
    SimCounterConfig config = counter.GetConfig();
    c.change(config);
    counter.SetConfig(config);
    line.port.SetPacing(true);
    TableReads reads;
    if (!line.Open()) {
        ADD_FAILURE() << "port did not open";
        return reads;
    }
    line.link.SetReplyTiming(timing);
    CSensor sensor = SensorAt(2);
    for (int read = 0; read < 2; ++read) {
        line.port.ClearTranscript();
        const LinkResult result =
            read == 0 ? line.link.ReadSizes(sensor) : line.link.ReadCalibration(sensor);
        reads.end[read] = line.serial.LastReadEnd();
        reads.results += DescribeLinkResult(result) + " / ";
        if (result.Ok())
            reads.quietMs[read] = QuietBeforeRelease(line.port);
    }
    reads.results += testing::PrintToString(Values(sensor.GetSizes())) +
                     testing::PrintToString(PointsOf(sensor.GetCalCurve()));
    return reads;
}

// Reads the counter of every case with both timings: the results and the
// tables must be those of strict timing, which keeps its interval waits; a
// framed read ends at once, well before the interval, exactly where the
// case says so, and is otherwise ended by the rules as a strict one is.
void ExpectFramingAgreesWithStrictTiming(const std::vector<FramingCase>& cases) {
    for (const FramingCase& c : cases) {
        SCOPED_TRACE(c.name);
        const TableReads strict = ReadBothTables(c, ReplyTiming::Strict);
        const TableReads framed = ReadBothTables(c, ReplyTiming::Framed);
        EXPECT_EQ(framed.results, strict.results);
        for (int read = 0; read < 2; ++read) {
            SCOPED_TRACE(read == 0 ? "sizes" : "calibration");
            const double intervalMs = read == 0 ? 200 : 100;
            EXPECT_NE(strict.end[read], ReadEnd::Framed);
            EXPECT_EQ(framed.end[read] == ReadEnd::Framed, c.framedAtOnce[read]);
            if (strict.quietMs[read] >= 0) {
                EXPECT_GE(strict.quietMs[read], intervalMs);
            }
            if (framed.quietMs[read] < 0)
                continue;
            if (c.framedAtOnce[read]) {
                EXPECT_LT(framed.quietMs[read], intervalMs);
            } else {
                EXPECT_GE(framed.quietMs[read], intervalMs);
            }
        }
    }
}

std::function<void(SimCounterConfig&)> Faults(std::function<void(SimFaults&)> set) {
    return [set](SimCounterConfig& config) { set(config.faults); };
}

std::function<void(SimCounterConfig&)> RepliesEndingWith(const std::string& end) {
    return [end](SimCounterConfig& config) {
        config.sizesReplyOverride = SizesReplyEndingWith(end);
        config.calibrationReplyOverride = CalibrationReplyEndingWith(end);
    };
}

// Good replies: those that show their end (marker, separator, digits,
// CR LF) end their read at once; the others wait for the interval.
TEST(CounterFraming, GoodRepliesEndAtTheirLineEndOrByTheRules) {
    ExpectFramingAgreesWithStrictTiming({
        {"sound replies", [](SimCounterConfig&) {}, {true, true}},
        {"lower-case checksum",
         [](SimCounterConfig& c) { c.lowerCaseChecksum = true; },
         {true, true}},
        {"CR LF twice", RepliesEndingWith("\r\n\r\n"), {true, true}},
        {"gap shorter than the interval",
         Faults([](SimFaults& f) {
             f.gapAfterByte = 5;
             f.gapMs = 60;
         }),
         {true, true}},
        {"no line end", RepliesEndingWith(""), {false, false}},
        {"LF CR", RepliesEndingWith("\n\r"), {false, false}},
        {"CR alone", RepliesEndingWith("\r"), {false, false}},
        {"zero byte before the line end",
         RepliesEndingWith(std::string("\0\r\n", 3)),
         {false, false}},
    });
}

// Bad replies fail alike (the faults touch the size reply only, to save
// time); a framed read of one that shows its end still ends at once.
TEST(CounterFraming, BadRepliesFailAsUnderStrictTiming) {
    ExpectFramingAgreesWithStrictTiming({
        {"noise before the reply",
         Faults([](SimFaults& f) {
             f.noise = "\x07?";
             f.replyFaultsOn = "P";
         }),
         {true, true}},
        {"bad checksum",
         Faults([](SimFaults& f) {
             f.badChecksum = true;
             f.replyFaultsOn = "P";
         }),
         {true, true}},
        {"no marker",
         Faults([](SimFaults& f) {
             f.noMarker = true;
             f.replyFaultsOn = "P";
         }),
         {false, true}},
        // 300 leading spaces fit the size buffer, not the calibration buffer.
        {"over-long replies", Faults([](SimFaults& f) { f.overlongBytes = 300; }), {true, false}},
    });
}

// ----------------------------------------------------------------- sweep

TEST_F(CounterWireTest, SweepOf32AddressesFindsTheSupportedCounters) {
    SimFaults badChecksum;
    badChecksum.badChecksum = true;
    line.Add(2);
    line.Add(9, "KTR-200\r\n");
    line.Add(13, "XYZ-9\r\n");
    line.Add(20, "KTR-100\r\n", badChecksum);
    line.Add(31, " ktr-200 \r\n");
    ASSERT_TRUE(line.Open());

    std::vector<CSensor> found;
    for (int address = 0; address < 32; ++address) {
        CSensor sensor = SensorAt(address);
        if (line.link.ReadCounter(sensor).Ok())
            found.push_back(sensor);
    }
    ASSERT_EQ(found.size(), 3u);
    EXPECT_EQ(found[0].GetAddress(), 2);
    EXPECT_EQ(found[0].GetModel(), "KTR-100");
    EXPECT_EQ(found[1].GetAddress(), 9);
    EXPECT_EQ(found[1].GetModel(), "KTR-200");
    EXPECT_EQ(found[2].GetAddress(), 31);
    EXPECT_EQ(found[2].GetModel(), "ktr-200");
    for (const CSensor& s : found) {
        EXPECT_EQ(Values(s.GetSizes()), (std::vector<double>{0.3, 0.5}));
        EXPECT_EQ(PointsOf(s.GetCalCurve()), (Points{{0.3, 100}, {0.5, 150.5}, {1, 400}}));
    }
}

// ---------------------------------------------------------------- locale

class CounterWireLocaleTest : public CLocaleParamTest {};
KTR_INSTANTIATE_LOCALES(CounterWireLocaleTest);

TEST_P(CounterWireLocaleTest, TablesTravelWithDecimalPoints) {
    CSimLine line;
    CSimCounter& counter = line.Add(3);
    ASSERT_TRUE(line.Open());
    CSensor sensor = SensorAt(3);
    CSizeList sizes;
    for (double v : {0.3, 0.5, 1.0})
        sizes.AddTail(v);
    CCalCurve curve;
    for (auto [s, v] : Points{{0.3, 100}, {0.5, 150.5}, {1, 400}})
        curve.AddTail(CCalPoint(s, v));

    ASSERT_TRUE(line.link.ProgramSizes(sensor, sizes).Ok());
    ASSERT_TRUE(line.link.ProgramCalibration(sensor, curve).Ok());
    const std::string expected = Addr(3) + "P 0.3 0.5 1.0 C/S 000213" + kCrLf + kRel + Addr(3) +
                                 "K 0.3 100 0.5 150.5 1 400" + kCrLf + kRel;
    EXPECT_EQ(line.Sent(expected.size()), expected);

    counter.SetSizes({0.25, 5.5, 15});
    counter.SetPoints({{0.25, 90.5}, {5.5, 300}, {15, 2000}});
    CSensor read = SensorAt(3);
    ASSERT_TRUE(line.link.ReadSizes(read).Ok());
    ASSERT_TRUE(line.link.ReadCalibration(read).Ok());
    EXPECT_EQ(Values(read.GetSizes()), (std::vector<double>{0.25, 5.5, 15}));
    EXPECT_EQ(PointsOf(read.GetCalCurve()), (Points{{0.25, 90.5}, {5.5, 300}, {15, 2000}}));
}

} // namespace
