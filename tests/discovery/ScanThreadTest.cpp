#include "discovery/ScanThread.h"
#include "discovery/CScanOwner.h"
#include "discovery/IScanSink.h"
#include "discovery/ScanRunner.h"
#include "link/CSerialPort.h"
#include "link/CStopSignal.h"
#include "model/CSensor.h"
#include "res/StringTable.h"
#include "sim/CSimNetwork.h"
#include "support/RecordingProgress.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace {

// Sets an environment variable for the lifetime of the object.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const std::string& value) : m_name(name) {
        if (const char* old = std::getenv(name))
            m_saved = old;
        ::setenv(name, value.c_str(), 1);
    }
    ~ScopedEnv() {
        if (m_saved)
            ::setenv(m_name, m_saved->c_str(), 1);
        else
            ::unsetenv(m_name);
    }

private:
    const char* m_name;
    std::optional<std::string> m_saved;
};

// Records the reports of scan threads as "opened P", "found P A" and
// "done P A", keeps the found records and counts the threads that ended.
class RecordingSink : public IScanSink {
public:
    void Post(ScanEvent event) override {
        const std::string where = std::to_string(event.port) + " " + std::to_string(event.address);
        std::lock_guard lock(m_mutex);
        switch (event.kind) {
        case ScanEvent::Kind::PortOpened:
            m_events.push_back("opened " + std::to_string(event.port));
            break;
        case ScanEvent::Kind::SensorFound:
            m_events.push_back("found " + std::to_string(event.sensor->GetPort()) + " " +
                               std::to_string(event.sensor->GetAddress()));
            m_sensors.push_back(std::move(event.sensor));
            break;
        case ScanEvent::Kind::AddressDone:
            m_events.push_back("done " + where);
            break;
        case ScanEvent::Kind::ThreadEnded:
            ++m_ended;
            break;
        default:
            break;
        }
    }

    std::vector<std::string> Events(int port = 0) const {
        std::lock_guard lock(m_mutex);
        std::vector<std::string> events;
        for (const std::string& event : m_events)
            if (port == 0 || event.find(" " + std::to_string(port)) == event.find(' '))
                events.push_back(event);
        return events;
    }
    const CSensor& Sensor(size_t i) const { return *m_sensors.at(i); }
    int Ended() const {
        std::lock_guard lock(m_mutex);
        return m_ended;
    }

private:
    mutable std::mutex m_mutex;
    std::vector<std::string> m_events;
    std::vector<std::unique_ptr<CSensor>> m_sensors;
    int m_ended = 0;
};

SimCounterConfig Counter(int address, const std::string& model, std::vector<double> sizes,
                         std::vector<std::pair<double, double>> points) {
    SimCounterConfig config;
    config.address = address;
    config.model = model;
    config.sizes = std::move(sizes);
    config.points = std::move(points);
    return config;
}

std::vector<double> Sizes(const CSensor& sensor) {
    std::vector<double> values;
    for (auto pos = sensor.GetSizes().GetHeadPosition(); pos;)
        values.push_back(sensor.GetSizes().GetNext(pos));
    return values;
}

std::vector<std::pair<double, double>> Points(const CSensor& sensor) {
    std::vector<std::pair<double, double>> values;
    for (auto pos = sensor.GetCalCurve().GetHeadPosition(); pos;) {
        const CCalPoint& point = sensor.GetCalCurve().GetNext(pos);
        values.emplace_back(point.m_size, point.m_voltage);
    }
    return values;
}

// The events of a port on which the given addresses hold found counters.
std::vector<std::string> ExpectedEvents(int port, const std::vector<int>& foundAddresses) {
    std::vector<std::string> events{"opened " + std::to_string(port)};
    for (int address = 0; address < 32; ++address) {
        const std::string where = std::to_string(port) + " " + std::to_string(address);
        for (int found : foundAddresses) {
            if (found == address)
                events.push_back("found " + where);
        }
        events.push_back("done " + where);
    }
    return events;
}

unsigned Scan(uint8_t port, IScanSink& sink) {
    ScanThreadParam param;
    param.nPort = port;
    param.pView = &sink;
    return ScanThreadProc(&param);
}

// A simulated network without pacing, a supported-models file listing
// KTR-100 and KTR-200, and the process pointed at both.
class ScanThreadTest : public ::testing::Test {
protected:
    ScanThreadTest()
        : m_modelsPath(m_network.PortDir() + "/supported-models"),
          m_portDir("KTRSETUP_PORT_DIR", m_network.PortDir()),
          m_models("KTRSETUP_SUPPORTED_MODELS", m_modelsPath) {
        std::ofstream(m_modelsPath) << "KTR-100\nKTR-200\n";
    }

    CSimNetwork m_network;
    std::string m_modelsPath;
    ScopedEnv m_portDir;
    ScopedEnv m_models;
};

TEST_F(ScanThreadTest, PortWithoutCountersReportsOpenedThenEveryAddressInOrder) {
    m_network.AddPort(1);
    RecordingSink sink;

    EXPECT_EQ(Scan(1, sink), 1u);

    EXPECT_EQ(sink.Events(), ExpectedEvents(1, {}));
}

TEST_F(ScanThreadTest, ReportsSupportedReadableCountersInAddressOrderWithTheirTables) {
    CSimPort& port = m_network.AddPort(2);
    port.AddCounter(Counter(7, "KTR-100\r\n", {0.3, 0.5, 1.0}, {{0.3, 100}, {0.5, 150.5}}));
    port.AddCounter(Counter(3, "  ktr-200\r\n", {5.0}, {{1.0, 400}, {5.0, 2600}, {10, 4800}}));
    // Not listed, and a listed model whose size replies never check out:
    // both are passed over, but their addresses are still reported done.
    port.AddCounter(Counter(10, "XYZ-1\r\n", {0.3}, {{0.3, 100}}));
    SimCounterConfig broken = Counter(12, "KTR-100\r\n", {0.3}, {{0.3, 100}});
    broken.faults.badChecksum = true;
    port.AddCounter(broken);
    RecordingSink sink;

    EXPECT_EQ(Scan(2, sink), 2u);

    // The thread's working records are gone now; the posted copies are whole.
    EXPECT_EQ(sink.Events(), ExpectedEvents(2, {3, 7}));
    const CSensor& first = sink.Sensor(0);
    EXPECT_EQ(first.GetPort(), 2);
    EXPECT_EQ(first.GetAddress(), 3);
    EXPECT_EQ(first.GetModel(), "ktr-200");
    EXPECT_EQ(Sizes(first), (std::vector<double>{5.0}));
    EXPECT_EQ(Points(first),
              (std::vector<std::pair<double, double>>{{1.0, 400}, {5.0, 2600}, {10, 4800}}));
    const CSensor& second = sink.Sensor(1);
    EXPECT_EQ(second.GetAddress(), 7);
    EXPECT_EQ(second.GetModel(), "KTR-100");
    EXPECT_EQ(Sizes(second), (std::vector<double>{0.3, 0.5, 1.0}));
    EXPECT_EQ(Points(second), (std::vector<std::pair<double, double>>{{0.3, 100}, {0.5, 150.5}}));
}

TEST_F(ScanThreadTest, MissingPortEndsAtOnceWithoutReportsOrMessages) {
    RecordingSink sink;
    const auto start = std::chrono::steady_clock::now();

    EXPECT_EQ(Scan(9, sink), 9u);

    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1));
    EXPECT_TRUE(sink.Events().empty());
}

TEST_F(ScanThreadTest, PortInUseSaysWhyOnceAndReportsNothing) {
    m_network.AddPort(4);
    CSerialPort holder;
    ASSERT_EQ(holder.Open(4), PortOpenFailure::None);
    RecordingSink sink;
    std::vector<std::pair<int, PortOpenFailure>> told;
    ScanThreadParam param;
    param.nPort = 4;
    param.pView = &sink;
    param.onOpenFailure = [&](uint8_t port, PortOpenFailure failure) {
        told.emplace_back(port, failure);
    };

    EXPECT_EQ(ScanThreadProc(&param), 4u);

    EXPECT_TRUE(sink.Events().empty());
    EXPECT_EQ(told, (std::vector<std::pair<int, PortOpenFailure>>{{4, PortOpenFailure::InUse}}));
    EXPECT_EQ(param.outcome.openFailure, PortOpenFailure::InUse);
}

TEST_F(ScanThreadTest, RunnerScansPortsTogetherAndReturnsEveryRecord) {
    m_network.AddPort(3).AddCounter(Counter(31, "KTR-100\r\n", {1.0}, {{1.0, 400}}));
    m_network.Port(3)->AddCounter(Counter(0, "KTR-200\r\n", {0.5}, {{0.5, 150}}));
    m_network.AddPort(5).AddCounter(Counter(16, "KTR-100\r\n", {2.0}, {{2.0, 900}}));
    RecordingProgress progress;

    // COM6 does not exist: it adds nothing, not even to the progress range.
    std::vector<CSensor> found = RunScan({3, 5, 6}, &progress);

    std::vector<std::pair<int, int>> where;
    for (const CSensor& sensor : found)
        where.emplace_back(sensor.GetPort(), sensor.GetAddress());
    ASSERT_EQ(found.size(), 3u);
    // Arrival order: within a port ascending addresses; ports interleave freely.
    const auto third = std::find(where.begin(), where.end(), std::make_pair(3, 0));
    ASSERT_NE(third, where.end());
    EXPECT_NE(std::find(third, where.end(), std::make_pair(3, 31)), where.end());
    EXPECT_NE(std::find(where.begin(), where.end(), std::make_pair(5, 16)), where.end());
    const CSensor& last = *std::find_if(found.begin(), found.end(),
                                        [](const CSensor& s) { return s.GetAddress() == 31; });
    EXPECT_EQ(Sizes(last), (std::vector<double>{1.0}));
    const std::vector<std::string> calls = progress.Calls();
    EXPECT_EQ(progress.Steps(), 64);
    EXPECT_EQ(calls.back(), "step");
    EXPECT_NE(std::find(calls.begin(), calls.end(), "range 0 64"), calls.end());
}

} // namespace

// A stop during a paced scan ends every thread within the exchange in
// progress: what each port reported is the start of a normal scan, in
// order, every thread says it ended, and the ports are free again at once.
TEST_F(ScanThreadTest, OwnerStopEndsTheScanMidwayAndReleasesThePorts) {
    m_network.AddPort(6).AddCounter(Counter(3, "KTR-100", {0.3, 0.5}, {{0.3, 100}, {0.5, 150}}));
    m_network.AddPort(7).AddCounter(Counter(1, "KTR-200", {0.3}, {{0.3, 100}}));
    m_network.SetPacing(true);
    RecordingSink sink;
    CScanOwner owner(sink);
    owner.Start({6, 7});
    EXPECT_TRUE(owner.IsRunning());
    // Stopped once both ports are under way, however slowly the machine
    // starts the threads.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while ((sink.Events(6).size() < 2 || sink.Events(7).size() < 2) &&
           std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    const auto requested = std::chrono::steady_clock::now();
    owner.Stop();
    owner.Join();
    EXPECT_LT(std::chrono::steady_clock::now() - requested, std::chrono::milliseconds(1000));
    EXPECT_FALSE(owner.IsRunning());
    EXPECT_EQ(sink.Ended(), 2);

    for (int port : {6, 7}) {
        const std::vector<std::string> events = sink.Events(port);
        const std::vector<std::string> full = ExpectedEvents(port, {port == 6 ? 3 : 1});
        ASSERT_GE(events.size(), 2u) << "the port opened and some addresses were probed";
        ASSERT_LT(events.size(), full.size()) << "the scan was not cut short";
        EXPECT_TRUE(std::equal(events.begin(), events.end(), full.begin())) << port;
        CSerialPort again;
        EXPECT_EQ(again.Open(uint8_t(port)), PortOpenFailure::None) << "COM" << port;
    }
    ASSERT_EQ(owner.Outcomes().size(), 2u);
    for (const PortScanOutcome& outcome : owner.Outcomes())
        EXPECT_EQ(outcome.ended, LinkStatus::Stopped);
}

// Ports in use or not permitted are asked about once each, through the
// owner's handler, and their outcomes say so next to the port that was
// scanned; after a stop nobody is asked.
TEST_F(ScanThreadTest, OwnerAsksOncePerHeldPortAndKeepsEveryPortsOutcome) {
    m_network.AddPort(4);
    m_network.AddPort(5);
    m_network.AddPort(6).AddCounter(Counter(2, "OPC-50\r\n", {0.3}, {{0.3, 100}}));
    CSerialPort holder4, holder5;
    ASSERT_EQ(holder4.Open(4), PortOpenFailure::None);
    ASSERT_EQ(holder5.Open(5), PortOpenFailure::None);
    std::mutex mutex;
    std::vector<int> asked;
    const auto ask = [&](uint8_t port, PortOpenFailure failure) {
        EXPECT_EQ(failure, PortOpenFailure::InUse);
        std::lock_guard lock(mutex);
        asked.push_back(port);
    };
    RecordingSink sink;
    {
        CScanOwner owner(sink);
        owner.SetOpenFailureHandler(ask);
        owner.Start({4, 5, 6, 9});
        owner.Join();
        std::sort(asked.begin(), asked.end());
        EXPECT_EQ(asked, (std::vector<int>{4, 5}));
        const std::vector<PortScanOutcome>& outcomes = owner.Outcomes();
        ASSERT_EQ(outcomes.size(), 4u);
        EXPECT_EQ(outcomes[0].port, 4);
        EXPECT_EQ(outcomes[0].openFailure, PortOpenFailure::InUse);
        EXPECT_EQ(outcomes[1].openFailure, PortOpenFailure::InUse);
        EXPECT_EQ(outcomes[2].openFailure, PortOpenFailure::None);
        EXPECT_EQ(outcomes[2].ended, LinkStatus::Done);
        ASSERT_EQ(outcomes[2].passedOver.size(), 1u);
        EXPECT_EQ(outcomes[2].passedOver[0].address, 2);
        EXPECT_EQ(outcomes[2].passedOver[0].result.status, LinkStatus::NotSupported);
        EXPECT_EQ(outcomes[3].openFailure, PortOpenFailure::NoSuchPort);
        EXPECT_EQ(sink.Ended(), 4);
    }

    asked.clear();
    CStopSignal stop;
    stop.Request();
    CScanOwner stopped(sink, &stop);
    stopped.SetOpenFailureHandler(ask);
    stopped.Start({4, 5});
    stopped.Join();
    EXPECT_TRUE(asked.empty());
}

// The device vanishes while a counter is asked for its model: the scan
// reports that address as done, ends at once without trying the others, and
// says why; what was found before it stands.
TEST_F(ScanThreadTest, PortThatVanishesEndsTheScanAtOnceAsGone) {
    CSimPort& port = m_network.AddPort(7);
    port.AddCounter(Counter(1, "KTR-100\r\n", {0.3}, {{0.3, 100}}));
    SimCounterConfig vanishing = Counter(3, "KTR-100\r\n", {0.5}, {{0.5, 150}});
    vanishing.faults.hangUpAt = 1; // the T of identification
    port.AddCounter(vanishing);
    RecordingSink sink;
    ScanThreadParam param;
    param.nPort = 7;
    param.pView = &sink;

    const auto start = std::chrono::steady_clock::now();
    ScanThreadProc(&param);
    const auto took = std::chrono::steady_clock::now() - start;

    std::vector<std::string> expected = ExpectedEvents(7, {1});
    expected.resize(1 + 2 + 3); // opened; 0; found 1, done 1; done 2; done 3
    EXPECT_EQ(sink.Events(), expected);
    EXPECT_EQ(param.outcome.ended, LinkStatus::PortGone);
    EXPECT_EQ(param.outcome.openFailure, PortOpenFailure::None);
    // The 28 addresses after it alone would take 28 x 51 ms.
    EXPECT_LT(took, std::chrono::milliseconds(1400));
    EXPECT_TRUE(port.HasHungUp());
}

// A runner reports how each port fared: open and scanned to the end, gone,
// not there.
TEST_F(ScanThreadTest, RunnerReportsHowEachPortFared) {
    m_network.AddPort(8);
    SimCounterConfig vanishing = Counter(0, "KTR-100\r\n", {0.5}, {{0.5, 150}});
    vanishing.faults.hangUpAt = 0;
    m_network.AddPort(9).AddCounter(vanishing);
    std::vector<PortScanOutcome> outcomes;
    RunScan({8, 9, 10}, nullptr, nullptr, &outcomes);
    ASSERT_EQ(outcomes.size(), 3u);
    EXPECT_EQ(outcomes[0].port, 8);
    EXPECT_EQ(outcomes[0].openFailure, PortOpenFailure::None);
    EXPECT_EQ(outcomes[0].ended, LinkStatus::Done);
    EXPECT_EQ(outcomes[1].ended, LinkStatus::PortGone);
    EXPECT_EQ(outcomes[2].openFailure, PortOpenFailure::NoSuchPort);
}

namespace {

// What a scan found, in port and address order, tables included.
std::string Found(std::vector<CSensor> sensors) {
    std::sort(sensors.begin(), sensors.end(), [](const CSensor& a, const CSensor& b) {
        return std::pair(a.GetPort(), a.GetAddress()) < std::pair(b.GetPort(), b.GetAddress());
    });
    std::string text;
    for (const CSensor& s : sensors)
        text += std::to_string(s.GetPort()) + "/" + std::to_string(s.GetAddress()) + " " +
                s.GetModel() + " " + testing::PrintToString(Sizes(s)) + " " +
                testing::PrintToString(Points(s)) + "\n";
    return text;
}

} // namespace

// A scan whose reads end at complete replies finds exactly the counters and
// tables that strict timing finds. Each port holds one variant of a counter
// at address 4, then a sound counter at address 5, paced at 9600 baud.
TEST_F(ScanThreadTest, FramedAndStrictScansFindTheSameCountersAndTables) {
    struct Variant {
        std::function<void(SimCounterConfig&)> change;
        bool found;
    };
    const std::vector<Variant> variants = {
        {[](SimCounterConfig& c) { c.lowerCaseChecksum = true; }, true},
        {[](SimCounterConfig& c) { c.model = "  KTR-200\r\n"; }, true},
        {[](SimCounterConfig& c) { c.sizesReplyOverride = " 0.3 0.5 C/S 000164"; }, true},
        {[](SimCounterConfig& c) { c.sizesReplyOverride = " 0.3 0.5 C/S 000164\r\n\r\n"; }, true},
        // Shorter than the size reply's interval, longer than calibration's.
        {[](SimCounterConfig& c) {
             c.faults.gapAfterByte = 4;
             c.faults.gapMs = 150;
         },
         false},
        {[](SimCounterConfig& c) { c.faults.releaseNoise = "\r\n"; }, true},
        {[](SimCounterConfig& c) { c.faults.noise = "\x07?"; }, false},
        {[](SimCounterConfig& c) { c.faults.badChecksum = true; }, false},
        {[](SimCounterConfig& c) { c.faults.overlongBytes = 300; }, false},
    };
    std::vector<uint8_t> ports;
    std::string expected;
    for (size_t i = 0; i < variants.size(); ++i) {
        const int number = static_cast<int>(i) + 1;
        SimCounterConfig variant = Counter(4, "KTR-100\r\n", {0.3, 0.5}, {{0.3, 100}, {1, 400}});
        variants[i].change(variant);
        CSimPort& port = m_network.AddPort(number);
        port.AddCounter(variant);
        port.AddCounter(Counter(5, "KTR-100\r\n", {2.5}, {{0.5, 150}, {2.5, 900}, {5, 2000}}));
        ports.push_back(static_cast<uint8_t>(number));
        if (variants[i].found)
            expected += std::to_string(number) + "/4\n";
        expected += std::to_string(number) + "/5\n";
    }
    m_network.SetPacing(true);

    std::string strict, framed;
    {
        ScopedEnv timing("KTRSETUP_STRICT_TIMING", "1");
        strict = Found(RunScan(ports));
    }
    {
        ScopedEnv timing("KTRSETUP_STRICT_TIMING", "0");
        framed = Found(RunScan(ports));
    }

    EXPECT_EQ(framed, strict);
    std::string foundWhere;
    std::istringstream lines(framed);
    for (std::string line; std::getline(lines, line);)
        foundWhere += line.substr(0, line.find(' ')) + "\n";
    EXPECT_EQ(foundWhere, expected);
}
