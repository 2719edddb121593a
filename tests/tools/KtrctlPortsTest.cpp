// What ktrctl says about each port: the per-port report of a scan, the
// ports command, and a port that no program may open.
#include "ToolProcess.h"

#include "link/CSerialPort.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <sys/stat.h>
#include <unistd.h>

namespace {

using nlohmann::json;

// COM1: a healthy counter, one of a model that is not listed, one whose
// size replies carry a bad checksum. COM2: a healthy counter and one that
// never answers the calibration query. COM3 is held by the test. COM5 has
// no counters. COM4 and COM6 to COM8 do not exist.
const char* kNetwork = R"({
  "supportedModels": ["KTR-100", "KTR-200"],
  "ports": [
    {"port": 1, "counters": [
      {"address": 2, "model": "KTR-100", "sizes": [0.3, 0.5], "calibration": [[0.3, 100], [0.5, 150], [1, 400]]},
      {"address": 4, "model": "ZZZ-9"},
      {"address": 9, "model": "KTR-100", "faults": {"badChecksum": true}}]},
    {"port": 2, "counters": [
      {"address": 0, "model": "KTR-200", "sizes": [0.5], "calibration": [[0.5, 160], [5, 2500], [10, 4800]]},
      {"address": 6, "model": "KTR-100", "sizes": [1],
       "faults": {"noReply": true, "replyFaultsOn": "K"}}]},
    {"port": 3, "counters": [{"address": 1, "model": "KTR-100"}]},
    {"port": 5}
  ]
})";

class KtrctlPortsTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { s_sim = std::make_unique<SimProcess>(kNetwork); }
    static void TearDownTestSuite() { s_sim.reset(); }
    void SetUp() override {
        ASSERT_TRUE(s_sim->Ready());
        ::setenv("KTRSETUP_PORT_DIR", Sim().PortDir().c_str(), 1);
    }
    void TearDown() override { ::unsetenv("KTRSETUP_PORT_DIR"); }

    static SimProcess& Sim() { return *s_sim; }
    static std::string Device(int port) { return Sim().PortDir() + "/COM" + std::to_string(port); }

    static std::unique_ptr<SimProcess> s_sim;
};

std::unique_ptr<SimProcess> KtrctlPortsTest::s_sim;

// This test program, as /proc names the holder of a port it opened.
std::string ThisProgram() {
    std::ifstream comm("/proc/self/comm");
    std::string name;
    std::getline(comm, name);
    return name + ", pid " + std::to_string(::getpid());
}

TEST_F(KtrctlPortsTest, ScanSaysHowEachPortFaredAndQuietKeepsOnlyFailures) {
    CSerialPort holder;
    ASSERT_EQ(holder.Open(3), PortOpenFailure::None);
    const std::string d = Sim().PortDir();

    ToolResult scan = Sim().Ktrctl("scan --ports 1-8 --json");
    ToolResult quiet = Sim().Ktrctl("scan --ports 1-8 --json --quiet");

    const std::string inUse =
        "ktrctl: COM3 (" + d + "/COM3): in use by another program (" + ThisProgram() + ")\n";
    EXPECT_EQ(scan.status, 1);
    EXPECT_EQ(scan.err,
              "ktrctl: COM1 (" + d +
                  "/COM1): 1 counter listed, 2 passed over\n"
                  "ktrctl: COM1 address 4: passed over: model \"ZZZ-9\" is not supported (not "
                  "listed in " +
                  Sim().ModelsFile() +
                  ")\n"
                  "ktrctl: COM1 address 9: passed over: sizes unreadable: bad checksum in the size "
                  "reply (3 attempts)\n"
                  "ktrctl: COM2 (" +
                  d +
                  "/COM2): 1 counter listed, 1 passed over\n"
                  "ktrctl: COM2 address 6: passed over: calibration unreadable: no reply to the "
                  "calibration query (3 attempts)\n" +
                  inUse + "ktrctl: COM4: no such device (" + d +
                  "/COM4)\n"
                  "ktrctl: COM5 (" +
                  d +
                  "/COM5): 0 counters listed\n"
                  "ktrctl: COM6 to COM8: no such device (" +
                  d + "/COM6 to " + d + "/COM8)\n");
    const json found = json::parse(scan.out);
    ASSERT_EQ(found.size(), 2u) << scan.out;
    EXPECT_EQ(found[0]["address"], 2);
    EXPECT_EQ(found[1]["address"], 0);
    EXPECT_EQ(quiet.status, 1);
    EXPECT_EQ(quiet.err, inUse);
    EXPECT_EQ(json::parse(quiet.out), found);
}

TEST_F(KtrctlPortsTest, ScanWhereNoPortExistsSaysWhereItLookedAndFails) {
    const std::string absent = Sim().Dir() + "/no-ports";
    const std::string empty = Sim().Dir() + "/empty-ports";
    std::filesystem::create_directory(empty);

    ToolResult mistyped = Sim().KtrctlWithEnv({"scan", "--json"}, {"KTRSETUP_PORT_DIR=" + absent});
    ToolResult bare = Sim().KtrctlWithEnv({"scan", "--quiet"}, {"KTRSETUP_PORT_DIR=" + empty});
    ToolResult some = Sim().Ktrctl("scan --ports 6,8,10-12 --quiet");

    EXPECT_EQ(mistyped.status, 1);
    EXPECT_EQ(json::parse(mistyped.out), json::array());
    EXPECT_NE(mistyped.err.find("ktrctl: no com port exists: looked for " + absent + "/COM1 to " +
                                absent + "/COM32 (KTRSETUP_PORT_DIR=" + absent +
                                ", a folder that does not exist)\n"),
              std::string::npos)
        << mistyped.err;
    EXPECT_EQ(bare.status, 1);
    EXPECT_EQ(bare.err, "ktrctl: no com port exists: looked for " + empty + "/COM1 to " + empty +
                            "/COM32 (KTRSETUP_PORT_DIR=" + empty + ")\n");
    EXPECT_EQ(some.status, 1);
    const std::string d = Sim().PortDir();
    EXPECT_EQ(some.err, "ktrctl: no com port exists: looked for " + d + "/COM6, " + d + "/COM8, " +
                            d + "/COM10 to " + d + "/COM12 (KTRSETUP_PORT_DIR=" + d + ")\n");
}

TEST_F(KtrctlPortsTest, EmptyModelsFileIsNamedAsTheReasonNothingIsListed) {
    const std::string models = Sim().Dir() + "/only-comments";
    std::ofstream(models) << "# nothing listed yet\n\n";

    ToolResult scan = Sim().Ktrctl("scan --ports 1 --quiet", models);
    ToolResult read = Sim().Ktrctl("read 1 2", models);

    EXPECT_EQ(scan.status, 1);
    EXPECT_EQ(scan.err, "ktrctl: the supported-models file " + models +
                            " lists no model, so none of the 3 counters that answered is listed\n");
    EXPECT_EQ(read.status, 1);
    EXPECT_EQ(read.err, "ktrctl: COM1 address 2: model \"KTR-100\" is not supported (the "
                        "supported-models file " +
                            models + " lists no model)\n");
}

TEST_F(KtrctlPortsTest, PortsListsEveryStateAndSendsNothing) {
    CSerialPort holder;
    ASSERT_EQ(holder.Open(3), PortOpenFailure::None);
    const size_t before = Sim().SettledTranscriptLength();

    ToolResult list = Sim().Ktrctl("ports --json --trace");
    ToolResult table = Sim().Ktrctl("ports");

    ASSERT_EQ(list.status, 0) << list.err;
    EXPECT_EQ(list.err, "");
    const json ports = json::parse(list.out);
    ASSERT_EQ(ports.size(), 32u);
    for (int port = 1; port <= 32; ++port) {
        const json& entry = ports[size_t(port - 1)];
        EXPECT_EQ(entry["port"], port);
        EXPECT_EQ(entry["device"], Device(port));
        const bool simulated = port <= 3 || port == 5;
        EXPECT_EQ(entry["state"], port == 3 ? "in-use" : simulated ? "present" : "missing") << port;
        EXPECT_EQ(entry.contains("target"), simulated) << port;
    }
    EXPECT_EQ(ports[2]["holders"],
              json::parse("[{\"pid\": " + std::to_string(::getpid()) + ", \"command\": \"" +
                          ThisProgram().substr(0, ThisProgram().find(',')) + "\"}]"));
    ASSERT_EQ(table.status, 0) << table.err;
    EXPECT_NE(table.out.find("COM3   " + Device(3) + " -> "), std::string::npos) << table.out;
    EXPECT_NE(table.out.find("in use by another program (" + ThisProgram() + ")\n"),
              std::string::npos)
        << table.out;
    // The states form one column, however long the device texts are.
    std::istringstream rows(table.out);
    std::string row;
    std::getline(rows, row);
    const size_t stateColumn = row.find("State");
    ASSERT_NE(stateColumn, std::string::npos) << table.out;
    while (std::getline(rows, row)) {
        ASSERT_GT(row.size(), stateColumn) << row;
        EXPECT_EQ(row[stateColumn - 1], ' ') << row;
        EXPECT_NE(row[stateColumn], ' ') << row;
    }
    EXPECT_EQ(Sim().SettledTranscriptLength(), before) << "ports sent or received bytes";
}

// Root may open any device, so the run goes as the unprivileged user
// "nobody" (setpriv); a user account is refused by a device it has no
// rights on, its own included.
TEST_F(KtrctlPortsTest, PortWithoutPermissionIsNamedAsSuch) {
    const bool root = ::geteuid() == 0;
    if (root && ::access("/usr/bin/setpriv", X_OK) != 0)
        GTEST_SKIP() << "running as root without setpriv";
    const std::string device = std::filesystem::canonical(Device(5)).string();
    struct stat info {};
    ASSERT_EQ(::stat(device.c_str(), &info), 0);
    ASSERT_EQ(::chmod(device.c_str(), root ? 0600 : 0000), 0);
    ::chmod(Sim().Dir().c_str(), 0755);
    const std::vector<std::string> env{"KTRSETUP_PORT_DIR=" + Sim().PortDir(),
                                       "KTRSETUP_SUPPORTED_MODELS=" + Sim().ModelsFile()};
    const auto run = [&](std::vector<std::string> args) {
        if (root)
            args.insert(args.begin(),
                        {"--reuid=65534", "--regid=65534", "--clear-groups", KTRCTL_PATH});
        return RunProgram(root ? "/usr/bin/setpriv" : KTRCTL_PATH, args, env, Sim().Dir());
    };

    ToolResult scan = run({"scan", "--ports", "5", "--quiet"});
    ToolResult ports = run({"ports", "--json"});
    ToolResult read = run({"read", "5", "0"});
    ::chmod(device.c_str(), info.st_mode & 07777);

    EXPECT_EQ(scan.status, 1);
    EXPECT_EQ(scan.err.rfind("ktrctl: COM5 (" + Device(5) + "): no permission", 0), 0u) << scan.err;
    ASSERT_EQ(ports.status, 0) << ports.err;
    EXPECT_EQ(json::parse(ports.out)[4]["state"], "no-permission");
    EXPECT_EQ(read.status, 1);
    EXPECT_EQ(read.err.rfind("ktrctl: COM5 (" + Device(5) + "): no permission", 0), 0u) << read.err;
}

} // namespace
