#include "ToolProcess.h"

#include "link/CSerialPort.h"
#include "res/StringTable.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace {

using nlohmann::json;

// COM1 and COM2 are scanned; COM3 is programmed; COM4 is held open by the
// test itself; COM5 has faulty counters (3: no echo after the 12th byte
// after its address; 4: the echo of T comes 65 ms late) before a healthy
// one. Only KTR-100 and KTR-200 are supported.
const char* kNetwork = R"({
  "supportedModels": ["KTR-100", "KTR-200"],
  "ports": [
    {"port": 1, "counters": [
      {"address": 2, "model": "KTR-100", "sizes": [0.3, 0.5, 1.0],
       "calibration": [[0.3, 100], [0.5, 150.5], [1.0, 400]]},
      {"address": 4, "model": "ZZZ-9", "sizes": [0.3], "calibration": [[0.3, 100]]},
      {"address": 9, "model": "KTR-100", "sizes": [0.3], "calibration": [[0.3, 100]],
       "faults": {"badChecksum": true}}]},
    {"port": 2, "counters": [
      {"address": 0, "modelReply": "  KTR-200\r\n", "lowerCaseChecksum": true,
       "sizes": [0.5, 5.0], "calibration": [[0.5, 160], [5.0, 2500], [10, 4800]]},
      {"address": 6, "model": "KTR-100", "sizes": [1.0], "calibration": [[1.0, 400]],
       "faults": {"noReply": true}}]},
    {"port": 3, "counters": [
      {"address": 1, "model": "KTR-100", "sizes": [0.3, 0.5],
       "calibration": [[0.3, 100], [0.5, 150.5], [1.0, 400]]},
      {"address": 8, "model": "KTR-200", "sizes": [0.3, 0.5],
       "calibration": [[0.3, 100], [0.5, 150.5], [1.0, 400]]},
      {"address": 12, "model": "KTR-100", "sizes": [1.0], "calibration": [[1.0, 400]]}]},
    {"port": 4, "counters": [
      {"address": 0, "model": "KTR-100", "sizes": [1.0], "calibration": [[1.0, 400]]}]},
    {"port": 5, "counters": [
      {"address": 3, "model": "KTR-100", "sizes": [0.3], "calibration": [[0.3, 100]],
       "faults": {"echoStopsAfter": 12}},
      {"address": 4, "model": "KTR-100", "sizes": [0.3], "calibration": [[0.3, 100]],
       "faults": {"lateEchoAt": 1, "lateEchoMs": 65}},
      {"address": 5, "model": "KTR-200", "sizes": [0.5, 5.0],
       "calibration": [[0.5, 160], [5.0, 2500], [10, 4800]]}]}
  ]
})";

class KtrctlTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { s_sim = std::make_unique<SimProcess>(kNetwork); }
    static void TearDownTestSuite() { s_sim.reset(); }
    void SetUp() override { ASSERT_TRUE(s_sim->Ready()); }

    static SimProcess& Sim() { return *s_sim; }

    static std::unique_ptr<SimProcess> s_sim;
};

std::unique_ptr<SimProcess> KtrctlTest::s_sim;

json ParseJson(const std::string& text) {
    try {
        return json::parse(text);
    } catch (const json::exception& error) {
        ADD_FAILURE() << "not JSON: " << error.what() << "\n" << text;
        return json();
    }
}

TEST_F(KtrctlTest, ScanJsonListsExactlyTheSupportedHealthyCountersWithTheirTables) {
    ToolResult result = Sim().Ktrctl("scan --ports 2,1 --json --quiet");

    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(result.err, "");
    const json expected = json::parse(R"([
      {"port": 1, "address": 2, "model": "KTR-100", "sizes": [0.3, 0.5, 1.0],
       "calibration": [[0.3, 100.0], [0.5, 150.5], [1.0, 400.0]]},
      {"port": 2, "address": 0, "model": "KTR-200", "sizes": [0.5, 5.0],
       "calibration": [[0.5, 160.0], [5.0, 2500.0], [10.0, 4800.0]]}])");
    EXPECT_EQ(ParseJson(result.out), expected);
}

// A port is a number or its COM name, wherever a command takes one.
TEST_F(KtrctlTest, PortsAreTakenAsNumbersOrComNames) {
    ToolResult byNumber = Sim().Ktrctl("read 1 2 --json");
    ToolResult byName = Sim().Ktrctl("read COM1 2 --json");
    ToolResult lowerCase = Sim().Ktrctl("read com1 2 --json");
    ToolResult list = Sim().Ktrctl("scan --ports COM2,com1-1 --json --quiet");

    ASSERT_EQ(byNumber.status, 0) << byNumber.err;
    EXPECT_EQ(byName.out, byNumber.out);
    EXPECT_EQ(lowerCase.out, byNumber.out);
    EXPECT_EQ(list.status, 0) << list.err;
    EXPECT_EQ(ParseJson(list.out).size(), 2u) << list.out;
}

TEST_F(KtrctlTest, ScanWithoutJsonPrintsATable) {
    ToolResult result = Sim().Ktrctl("scan --ports 2-2");

    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_NE(result.out.find("COM2"), std::string::npos) << result.out;
    EXPECT_NE(result.out.find("KTR-200"), std::string::npos) << result.out;
    EXPECT_NE(result.out.find("1 sensor found."), std::string::npos) << result.out;
}

TEST_F(KtrctlTest, ProgrammedSizesReadBackAsTheCounterReceivedThem) {
    ToolResult program = Sim().Ktrctl("program-sizes 3 1 1.0 15.5 0.3 20 --json");
    ToolResult read = Sim().Ktrctl("read 3 1 --json");

    ASSERT_EQ(program.status, 0) << program.err;
    const json programmed = ParseJson(program.out);
    EXPECT_EQ(programmed["sizes"], json::parse("[0.3, 1.0, 15.0, 20.0]"));
    EXPECT_EQ(programmed["model"], "KTR-100");
    ASSERT_EQ(read.status, 0) << read.err;
    const json readBack = ParseJson(read.out);
    EXPECT_EQ(readBack["sizes"], programmed["sizes"]);
    EXPECT_EQ(readBack["calibration"], json::parse("[[0.3, 100.0], [0.5, 150.5], [1.0, 400.0]]"));
}

TEST_F(KtrctlTest, ProgrammedCalibrationReadsBack) {
    ToolResult program = Sim().Ktrctl("program-cal 3 1 1:410 0.3:101.25 0.5:152 --json");
    ToolResult read = Sim().Ktrctl("read 3 1 --json");

    ASSERT_EQ(program.status, 0) << program.err;
    const json expected = json::parse("[[0.3, 101.25], [0.5, 152.0], [1.0, 410.0]]");
    EXPECT_EQ(ParseJson(program.out)["calibration"], expected);
    ASSERT_EQ(read.status, 0) << read.err;
    EXPECT_EQ(ParseJson(read.out)["calibration"], expected);
}

TEST_F(KtrctlTest, RefusedValidationShowsTheTextExitsOneAndSendsNothing) {
    struct Case {
        const char* args;
        std::vector<unsigned> messages;
    };
    const std::vector<Case> cases = {
        {"program-sizes 3 8 0.5 0.5", {IDS_SIZES_NOT_ASCENDING}},
        {"program-sizes 3 8 0 1.0", {IDS_SIZES_NOT_ASCENDING}},
        {"program-cal 3 8 0.3:100 0.5:150", {IDS_NEED_THREE_POINTS}},
        {"program-cal 3 8 0.3:100 0.3:90 0.5:150",
         {IDS_CAL_SIZES_NOT_ASCENDING, IDS_CAL_VOLTAGES_NOT_ASCENDING}},
        {"program-sizes 3 8 1 2 3 4 5 6 7 8 9 10 11 12 13 14 15 16 17 18 19 20 21 22 23 24 25 26 "
         "27 28 29 30 31 32 33 34 35 36 37 38 39 40",
         {IDS_TOO_MANY_SIZES}},
    };
    const size_t before = Sim().SettledTranscriptLength();
    for (const Case& c : cases) {
        ToolResult result = Sim().Ktrctl(c.args);
        EXPECT_EQ(result.status, 1) << c.args;
        std::string expected;
        for (unsigned id : c.messages)
            expected += "KTRSetup: " + LoadString(id) + "\n";
        EXPECT_EQ(result.err, expected) << c.args;
        EXPECT_EQ(result.out, "") << c.args;
    }
    EXPECT_EQ(Sim().SettledTranscriptLength(), before) << "bytes went to the counters";

    // A curve whose reply the counter could not send back whole.
    std::string longCurve = "program-cal 3 8";
    for (int i = 0; i < 26; ++i)
        longCurve += " " + std::to_string(10 + i) + ".125:" + std::to_string(1000 + i) + ".5";
    ToolResult tooLong = Sim().Ktrctl(longCurve);
    EXPECT_EQ(tooLong.status, 1);
    EXPECT_EQ(tooLong.err.rfind("KTRSetup: This calibration curve is too long", 0), 0u)
        << tooLong.err;
    EXPECT_NE(tooLong.err.find(" of these 26 cal points"), std::string::npos) << tooLong.err;
    EXPECT_EQ(Sim().SettledTranscriptLength(), before) << "bytes went to the counters";

    ToolResult read = Sim().Ktrctl("read 3 8 --json");
    ASSERT_EQ(read.status, 0) << read.err;
    EXPECT_EQ(ParseJson(read.out)["sizes"], json::parse("[0.3, 0.5]"));
}

// One line naming the port, its device and the holder, for every command
// (the desktop program's eight-line box text is not shown).
TEST_F(KtrctlTest, PortHeldByAnotherProcessGivesOneInUseLineAndExitOne) {
    struct PortDirForThisProcess {
        PortDirForThisProcess() { ::setenv("KTRSETUP_PORT_DIR", Sim().PortDir().c_str(), 1); }
        ~PortDirForThisProcess() { ::unsetenv("KTRSETUP_PORT_DIR"); }
    } portDir;
    CSerialPort holder;
    ASSERT_EQ(holder.Open(4), PortOpenFailure::None);

    const std::string message = "ktrctl: COM4 (" + Sim().PortDir() +
                                "/COM4): in use by another program (ktr_tools_tests, pid " +
                                std::to_string(::getpid()) + ")\n";
    for (const char* args : {"read 4 0", "scan --ports 4 --json", "flash 4 0 on",
                             "program-sizes 4 0 0.3", "scan --ports 4 --quiet"}) {
        ToolResult result = Sim().Ktrctl(args);
        EXPECT_EQ(result.status, 1) << args;
        EXPECT_EQ(result.err, message) << args;
    }
    EXPECT_EQ(ParseJson(Sim().Ktrctl("scan --ports 4 --json").out), json::array());
}

TEST_F(KtrctlTest, CounterOrPortThatIsNotThereIsRefusedWithAReason) {
    ToolResult silent = Sim().Ktrctl("read 3 30");
    ToolResult missing = Sim().Ktrctl("read 7 0 --json");
    ToolResult unsupported = Sim().Ktrctl("read 1 4");

    EXPECT_EQ(silent.status, 1);
    EXPECT_EQ(silent.err,
              "ktrctl: COM3 address 30: no counter answers (no echo of the address byte)\n");
    EXPECT_EQ(missing.status, 1);
    EXPECT_NE(missing.err.find("COM7 does not exist"), std::string::npos) << missing.err;
    EXPECT_EQ(missing.out, "");
    EXPECT_EQ(unsupported.status, 1);
    EXPECT_EQ(unsupported.err,
              "ktrctl: COM1 address 4: model \"ZZZ-9\" is not supported (not listed in " +
                  Sim().ModelsFile() + ")\n");
}

TEST_F(KtrctlTest, MissingSupportedModelsFileIsNamedAndNothingIsSent) {
    const std::string absent = Sim().Dir() + "/no-such-models-file";
    const size_t before = Sim().SettledTranscriptLength();

    ToolResult read = Sim().Ktrctl("read 3 1", absent);
    ToolResult scan = Sim().Ktrctl("scan --ports 3", absent);

    EXPECT_EQ(read.status, 1);
    EXPECT_EQ(read.err, "ktrctl: supported-models file missing: " + absent + "\n");
    EXPECT_EQ(scan.status, 1);
    EXPECT_EQ(scan.err, read.err);
    EXPECT_EQ(Sim().SettledTranscriptLength(), before);
}

TEST_F(KtrctlTest, FlashSendsTheFlashTextAndReportsIt) {
    const size_t before = Sim().SettledTranscriptLength();

    ToolResult on = Sim().Ktrctl("flash 3 12 on");
    ToolResult off = Sim().Ktrctl("flash 3 12 off");
    ToolResult nobody = Sim().Ktrctl("flash 3 13 on");

    EXPECT_EQ(on.status, 0) << on.err;
    EXPECT_EQ(off.status, 0) << off.err;
    EXPECT_EQ(nobody.status, 1);
    EXPECT_NE(nobody.err.find("COM3 address 13"), std::string::npos) << nobody.err;
    Sim().SettledTranscriptLength();
    const std::string sent = Sim().BytesToCounters(3, before);
    EXPECT_EQ(sent.substr(0, 8), "\x8Co0001\r\n");
    EXPECT_NE(sent.find("\x8Co0000\r\n"), std::string::npos);
}

TEST_F(KtrctlTest, UsageErrorsExitTwoAndSendNothing) {
    const char* cases[] = {"",
                           "frobnicate",
                           "read 1",
                           "read 33 0",
                           "read 1 32",
                           "read 1 x",
                           "program-sizes 1 2",
                           "program-sizes 1 2 abc",
                           "program-sizes 1 2 0.3 1,5",
                           "program-cal 1 2 0.3-100",
                           "program-cal 1 2 0.3:x",
                           "scan --ports 0-3",
                           "scan --ports 5-2",
                           "scan --ports 1,,2",
                           "scan --ports=",
                           "scan --bogus",
                           "flash 1 2 maybe",
                           "ports 3",
                           "read COM33 0",
                           "read COM 0",
                           "ports assign COM1",
                           "ports forget COM0",
                           "program 1 2",
                           "program 1 2 --from a.json --from-csv b.csv",
                           "program 1 2 0.3 --from a.json",
                           "--bogus scan"};
    const size_t before = Sim().SettledTranscriptLength();
    for (const char* args : cases) {
        ToolResult result = Sim().Ktrctl(args);
        EXPECT_EQ(result.status, 2) << args;
        EXPECT_NE(result.err, "") << args;
    }
    // Said in words, with the usage of the command where there is one.
    const std::pair<const char*, const char*> worded[] = {
        {"scna", "ktrctl: unknown command 'scna'; commands: scan, ports, read, program, "
                 "program-sizes, program-cal, flash\n"},
        {"read 1", "ktrctl: read needs ADDRESS\n"
                   "ktrctl: usage: ktrctl read PORT ADDRESS [--json] [--trace]\n"},
        {"read 33 0", "ktrctl: '33' is not a com port number (1 to 32)\n"
                      "ktrctl: usage: ktrctl read PORT ADDRESS [--json] [--trace]\n"},
        {"scan --bogus",
         "ktrctl: unknown option '--bogus' for scan\n"
         "ktrctl: usage: ktrctl scan [--ports LIST] [--json] [--quiet] [--trace]\n"},
        {"scan --ports", "ktrctl: option --ports needs a value\n"},
        {"flash 1 2 maybe", "ktrctl: 'maybe' is neither on nor off\n"
                            "ktrctl: usage: ktrctl flash PORT ADDRESS on|off [--trace]\n"},
        {"program 1 2 --json", "ktrctl: program needs --from FILE or --from-csv FILE\n"
                               "ktrctl: usage: ktrctl program PORT ADDRESS (--from FILE | "
                               "--from-csv FILE) [--force] [--json] [--trace]\n"},
        {"ports forget 7x", "ktrctl: '7x' is not a com port (COM1 to COM32)\n"
                            "ktrctl: usage: ktrctl ports [--json] [--trace] | ports assign COM<n> "
                            "DEVICE | ports forget COM<n>\n"},
    };
    for (const auto& [args, message] : worded) {
        ToolResult result = Sim().Ktrctl(args);
        EXPECT_EQ(result.status, 2) << args;
        EXPECT_EQ(result.err, message) << args;
    }
    // An empty list is no list, not every port.
    ToolResult empty = Sim().Ktrctl(std::vector<std::string>{"scan", "--ports", ""});
    EXPECT_EQ(empty.status, 2);
    EXPECT_EQ(empty.err, "ktrctl: the list of com ports is empty\n");
    EXPECT_EQ(empty.out, "");
    EXPECT_EQ(Sim().SettledTranscriptLength(), before);
}

TEST_F(KtrctlTest, FailuresNameTheirReason) {
    ToolResult program = Sim().Ktrctl("program-sizes 5 3 0.3 0.5 1.0");
    EXPECT_EQ(program.status, 1);
    EXPECT_EQ(program.err,
              "ktrctl: COM5 address 3: no echo at byte 12 of the size text (3 attempts)\n");

    ToolResult late = Sim().Ktrctl("flash 5 4 on");
    EXPECT_EQ(late.status, 1);
    EXPECT_EQ(late.err, "ktrctl: COM5 address 4: no echo at byte 1 of the flash command\n");
}

// The first run leaves late echoes on the line as it ends; the next run,
// started at once, must neither take them for its own nor lose its counter.
TEST_F(KtrctlTest, RunsBackToBackAfterAFaultyExchangeBothBehave) {
    for (int round = 0; round < 3; ++round) {
        ToolResult faulty = Sim().Ktrctl("read 5 4");
        ToolResult healthy = Sim().Ktrctl("read 5 5 --json");
        EXPECT_EQ(faulty.status, 1) << round;
        EXPECT_EQ(faulty.err, "ktrctl: COM5 address 4: no echo of the command letter T\n");
        ASSERT_EQ(healthy.status, 0) << healthy.err;
        EXPECT_EQ(ParseJson(healthy.out)["sizes"], json::parse("[0.5, 5.0]"));
    }
    ToolResult scan = Sim().Ktrctl("scan --ports 5 --json");
    EXPECT_EQ(scan.status, 0) << scan.err;
    const json found = ParseJson(scan.out);
    ASSERT_EQ(found.size(), 2u) << scan.out;
    EXPECT_EQ(found[0]["address"], 3);
    EXPECT_EQ(found[1]["address"], 5);
}

TEST_F(KtrctlTest, HelpAndVersionSucceed) {
    for (const char* args :
         {"--help", "scan --help", "ports --help", "read --help", "program --help",
          "program-sizes --help", "program-cal --help", "flash --help"}) {
        ToolResult result = Sim().Ktrctl(args);
        EXPECT_EQ(result.status, 0) << args;
        EXPECT_NE(result.out.find("Usage"), std::string::npos) << args;
    }
    ToolResult version = Sim().Ktrctl("--version");
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.out.rfind("ktrctl ", 0), 0u) << version.out;
}

} // namespace

namespace {

// Milliseconds the line of port had been quiet when the release byte after
// the first size query went out, from a ktrsim transcript
// ("COM3 +     12.345 ms > 50 P"); -1 when there is none.
double QuietBeforeSizesRelease(const std::string& transcript, int port) {
    const std::string prefix = "COM" + std::to_string(port) + " +";
    std::istringstream lines(transcript);
    bool sizesAsked = false;
    double lastMs = -1, ms = 0;
    char direction = 0;
    unsigned byte = 0;
    for (std::string line; std::getline(lines, line);) {
        if (line.rfind(prefix, 0) != 0 ||
            std::sscanf(line.c_str() + prefix.size(), "%lf ms %c %x", &ms, &direction, &byte) != 3)
            continue;
        if (direction == '>' && byte == 0xBF && sizesAsked)
            return ms - lastMs;
        sizesAsked = sizesAsked || (direction == '>' && byte == 'P');
        lastMs = ms;
    }
    return -1;
}

} // namespace

// A size read ends at its complete reply unless strict timing is asked for,
// by the option before or after the command or by the environment; then it
// waits out the 200 ms interval. The tables read are the same either way.
TEST_F(KtrctlTest, StrictTimingWaitsOutTheIntervalHoweverItIsAskedFor) {
    struct Case {
        std::vector<std::string> args;
        std::string env;
        bool strict;
    };
    const std::vector<std::string> read = {"read", "3", "12", "--json"};
    auto with = [&](std::vector<std::string> args, const std::string& option, bool before) {
        args.insert(before ? args.begin() : args.end(), option);
        return args;
    };
    const std::vector<Case> cases = {
        {read, "", false},
        {with(read, "--strict-timing", true), "", true},
        {with(read, "--strict-timing", false), "", true},
        {read, "KTRSETUP_STRICT_TIMING=1", true},
        {read, "KTRSETUP_STRICT_TIMING=On", true},
        {read, "KTRSETUP_STRICT_TIMING=0", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.args) + " " + c.env);
        std::vector<std::string> env = {"KTRSETUP_PORT_DIR=" + Sim().PortDir(),
                                        "KTRSETUP_SUPPORTED_MODELS=" + Sim().ModelsFile()};
        if (!c.env.empty())
            env.push_back(c.env);
        const size_t before = Sim().SettledTranscriptLength();
        const ToolResult result = RunProgram(KTRCTL_PATH, c.args, env, Sim().Dir());
        Sim().SettledTranscriptLength();
        ASSERT_EQ(result.status, 0) << result.err;
        EXPECT_EQ(ParseJson(result.out)["sizes"], json::parse("[1.0]"));
        const double quietMs = QuietBeforeSizesRelease(Sim().Transcript().substr(before), 3);
        ASSERT_GE(quietMs, 0);
        if (c.strict)
            EXPECT_GE(quietMs, 200);
        else
            EXPECT_LT(quietMs, 200);
    }
}
