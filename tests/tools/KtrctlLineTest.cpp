// ktrctl on the line: the wire trace against the simulator's transcript, a
// stop by SIGINT or SIGTERM in the middle of a paced scan, and a ktrctl
// killed while it holds a port.
#include "ToolProcess.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <chrono>
#include <csignal>
#include <sstream>
#include <thread>

namespace {

using nlohmann::json;
using Clock = std::chrono::steady_clock;

// Four paced ports with counters spread over the addresses, so that a
// scan of them takes a few seconds; one counter whose size replies fail.
const char* kNetwork = R"({
  "supportedModels": ["KTR-100"],
  "ports": [
    {"port": 1, "counters": [
      {"address": 3, "model": "KTR-100", "sizes": [0.3, 1], "calibration": [[0.3, 100], [1, 400], [5, 2500]]},
      {"address": 20, "model": "KTR-100", "sizes": [0.5], "calibration": [[0.5, 150], [1, 400], [5, 2500]]}]},
    {"port": 2, "counters": [
      {"address": 0, "model": "KTR-100", "sizes": [0.3], "calibration": [[0.3, 100], [1, 400], [5, 2500]]},
      {"address": 7, "model": "KTR-100", "sizes": [0.3], "faults": {"badChecksum": true}}]},
    {"port": 3, "counters": [
      {"address": 12, "model": "KTR-100", "sizes": [2], "calibration": [[0.3, 100], [1, 400], [5, 2500]]}]},
    {"port": 4, "counters": [
      {"address": 30, "model": "KTR-100", "sizes": [5], "calibration": [[0.3, 100], [1, 400], [5, 2500]]}]}
  ]
})";

class KtrctlLineTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { s_sim = std::make_unique<SimProcess>(kNetwork, true); }
    static void TearDownTestSuite() { s_sim.reset(); }
    void SetUp() override { ASSERT_TRUE(s_sim->Ready()); }

    static SimProcess& Sim() { return *s_sim; }
    // Waits until the program has sent count bytes to the counters of port.
    static bool AwaitBytesSent(int port, size_t offset, size_t count) {
        const auto deadline = Clock::now() + std::chrono::seconds(10);
        while (Sim().BytesToCounters(port, offset).size() < count) {
            if (Clock::now() >= deadline)
                return false;
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        return true;
    }

    static std::unique_ptr<SimProcess> s_sim;
};

std::unique_ptr<SimProcess> KtrctlLineTest::s_sim;

// The bytes of a trace's or a transcript's lines, as "COM1>85 COM1<85 ...",
// of the ports and directions (">" to the counters, "<" from them) given.
std::string Traffic(const std::string& text, const std::string& directions = "<>",
                    const std::string& port = "COM") {
    std::istringstream lines(text);
    std::string bytes;
    for (std::string line; std::getline(lines, line);) {
        if (line.rfind("trace ", 0) == 0)
            line = line.substr(6);
        const size_t ms = line.find(" ms ");
        if (line.rfind(port, 0) != 0 || ms == std::string::npos ||
            directions.find(line[ms + 4]) == std::string::npos)
            continue;
        bytes += line.substr(0, line.find(' ')) + line[ms + 4] + line.substr(ms + 6, 2) + " ";
    }
    return bytes;
}

TEST_F(KtrctlLineTest, TraceShowsEveryByteOfTheTranscript) {
    const size_t before = Sim().SettledTranscriptLength();
    ToolResult read = Sim().Ktrctl("read 1 3 --trace");
    ToolResult flash = Sim().Ktrctl("--trace flash 3 12 on");
    Sim().SettledTranscriptLength();

    ASSERT_EQ(read.status, 0) << read.err;
    ASSERT_EQ(flash.status, 0) << flash.err;
    const std::string traced = Traffic(read.err + flash.err);
    EXPECT_EQ(traced, Traffic(Sim().Transcript().substr(before)));
    EXPECT_NE(traced.find("COM1>83 COM1<83 COM1>54 COM1<54 "), std::string::npos) << traced;
    EXPECT_NE(read.err.find(" > 50 P\n"), std::string::npos) << read.err;
    EXPECT_NE(read.err.find(" < 0D CR\n"), std::string::npos) << read.err;
    EXPECT_EQ(read.out.rfind("Port:", 0), 0u) << "the trace went to stdout";
}

// Two scan threads trace at once: each port's bytes in each direction still
// match the transcript byte for byte.
TEST_F(KtrctlLineTest, TraceOfAScanMatchesTheTranscriptInEachDirection) {
    const size_t before = Sim().SettledTranscriptLength();
    ToolResult scan = Sim().Ktrctl("scan --ports 2-3 --trace --quiet");
    Sim().SettledTranscriptLength();
    const std::string transcript = Sim().Transcript().substr(before);

    ASSERT_EQ(scan.status, 0) << scan.err;
    for (const char* port : {"COM2 ", "COM3 "}) {
        for (const char* direction : {">", "<"}) {
            const std::string traced = Traffic(scan.err, direction, port);
            EXPECT_EQ(traced, Traffic(transcript, direction, port)) << port << direction;
            EXPECT_FALSE(traced.empty()) << port << direction;
        }
    }
}

// A stop reaches every thread at once: the exit comes within half a second
// of the signal, and the next ktrctl finds every port free.
TEST_F(KtrctlLineTest, SignalInTheMiddleOfAPacedScanStopsCleanly) {
    for (const int signal : {SIGINT, SIGTERM}) {
        const size_t before = Sim().SettledTranscriptLength();
        auto scan = Sim().StartKtrctl("scan --ports 1-4 --json");
        ASSERT_TRUE(AwaitBytesSent(1, before, 12)) << "the scan did not start";

        const auto sent = Clock::now();
        scan->Signal(signal);
        ToolResult stopped = scan->Wait();
        const auto elapsed = Clock::now() - sent;

        EXPECT_EQ(stopped.status, 128 + signal);
        EXPECT_LT(elapsed, std::chrono::milliseconds(500));
        EXPECT_EQ(stopped.out, "") << "a scan cut short listed counters";
        EXPECT_EQ(stopped.err, std::string("ktrctl: stopped by ") +
                                   (signal == SIGINT ? "SIGINT" : "SIGTERM") +
                                   "; every port is released\n");
        ToolResult ports = Sim().Ktrctl("ports --json");
        ASSERT_EQ(ports.status, 0) << ports.err;
        for (int port = 1; port <= 4; ++port)
            EXPECT_EQ(json::parse(ports.out)[size_t(port - 1)]["state"], "present") << port;
    }
    ToolResult read = Sim().Ktrctl("read 4 30");
    EXPECT_EQ(read.status, 0) << read.err;
}

TEST_F(KtrctlLineTest, PortLeftMarkedByAKilledKtrctlOpensForTheNext) {
    const size_t before = Sim().SettledTranscriptLength();
    auto scan = Sim().StartKtrctl("scan --ports 3");
    ASSERT_TRUE(AwaitBytesSent(3, before, 4)) << "the scan did not start";

    scan->Signal(SIGKILL);
    EXPECT_EQ(scan->Wait().status, 128 + SIGKILL);
    // The simulator clears the mark once the killed holder's lock is gone.
    ASSERT_TRUE(Sim().AwaitMessage("ktrsim: COM3: released the port", 3000));

    ToolResult read = Sim().Ktrctl("read 3 12 --json");
    EXPECT_EQ(read.status, 0) << read.err;
    EXPECT_EQ(json::parse(read.out)["address"], 12);
}

} // namespace

namespace {

// The start of a programming is on disk before its first byte goes out: a
// ktrctl killed in the middle leaves a journal whose last entry is that
// start, with the table the counter had.
TEST_F(KtrctlLineTest, KilledDuringAPacedProgrammingLeavesItsStartInTheJournal) {
    std::string sizes;
    for (int i = 1; i <= 32; ++i)
        sizes += " " + std::to_string(i * 10);
    const size_t before = Sim().SettledTranscriptLength();
    auto program = Sim().StartKtrctl("program-sizes 4 30" + sizes);
    const auto deadline = Clock::now() + std::chrono::seconds(10);
    while (Sim().BytesToCounters(4, before).find("P 10. 20.") == std::string::npos &&
           Clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(2));

    program->Signal(SIGKILL);
    ASSERT_EQ(program->Wait().status, 128 + SIGKILL);
    ToolResult journal = Sim().Ktrctl("journal --json");

    ASSERT_EQ(journal.status, 0) << journal.err;
    EXPECT_EQ(journal.err, "");
    const json entries = json::parse(journal.out);
    ASSERT_FALSE(entries.empty());
    EXPECT_EQ(entries.back()["state"], "started");
    EXPECT_EQ(entries.back()["before"], json::parse("[5.0]"));
    EXPECT_EQ(entries.back()["after"].size(), 32u);
}

} // namespace
