// Com ports found without KTRSETUP_PORT_DIR: a fake device tree below
// KTRSETUP_DEV_ROOT whose UARTs and adapters lead to ktrsim's ports, and
// the numbers they get and keep through the ports files.
#include "ToolProcess.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

namespace {

using nlohmann::json;
namespace fs = std::filesystem;

// Behind each simulated port one counter, at an address that tells the
// ports apart: COM1 is the UART ttyS0, COM2 the ttyS1 without a UART, COM3
// to COM5 the adapters.
const char* kNetwork = R"({
  "supportedModels": ["KTR-100"],
  "ports": [
    {"port": 1, "counters": [{"address": 1, "model": "KTR-100", "sizes": [0.3], "calibration": [[0.3, 100], [0.5, 150], [1, 400]]}]},
    {"port": 2, "counters": [{"address": 2, "model": "KTR-100", "sizes": [0.3], "calibration": [[0.3, 100], [0.5, 150], [1, 400]]}]},
    {"port": 3, "counters": [{"address": 3, "model": "KTR-100", "sizes": [0.3], "calibration": [[0.3, 100], [0.5, 150], [1, 400]]}]},
    {"port": 4, "counters": [{"address": 4, "model": "KTR-100", "sizes": [0.3], "calibration": [[0.3, 100], [0.5, 150], [1, 400]]}]},
    {"port": 5, "counters": [{"address": 5, "model": "KTR-100", "sizes": [0.3], "calibration": [[0.3, 100], [0.5, 150], [1, 400]]}]}
  ]
})";

const char* kFtdi = "usb-FTDI_FT232R_USB_UART_A50285BI-if00-port0";
const char* kAcme = "usb-Acme_Serial_0001-if00";
const char* kZeta = "usb-Zeta_RS485_77-if00-port0";

std::string ReadText(const fs::path& path) {
    std::ifstream in(path);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

class KtrctlDiscoveryTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { s_sim = std::make_unique<SimProcess>(kNetwork); }
    static void TearDownTestSuite() { s_sim.reset(); }

    void SetUp() override {
        ASSERT_TRUE(s_sim->Ready());
        m_dir = MakeTempDir();
        AddUart(0, "4", 1);
        AddUart(1, "0", 2);
        AddAdapter(kFtdi, "ttyUSB0", 3);
        AddAdapter(kAcme, "ttyACM0", 4);
        // Another name for the same device: not another port.
        fs::create_directories(Root() / "dev/serial/by-path");
        fs::create_symlink("../../ttyUSB0", Root() / "dev/serial/by-path/pci-0000:00:14.0-usb-0:2");
    }
    void TearDown() override { RemoveTree(m_dir); }

    fs::path Root() const { return fs::path(m_dir) / "root"; }
    fs::path UserFile() const { return fs::path(m_dir) / "config/ktrsetup/ports"; }
    fs::path AdministratorFile() const { return Root() / "etc/ktrsetup/ports"; }

    // ttyS<k> with the given sysfs type, its device leading to a simulated port.
    void AddUart(int k, const std::string& type, int simPort) {
        const std::string name = "ttyS" + std::to_string(k);
        fs::create_directories(Root() / "sys/class/tty" / name);
        std::ofstream(Root() / "sys/class/tty" / name / "type") << type << "\n";
        fs::create_directories(Root() / "dev");
        fs::create_symlink(SimDevice(simPort), Root() / "dev" / name);
    }

    // An adapter as udev links it: by-id/<name> -> ../../<node> -> the simulated port.
    void AddAdapter(const std::string& name, const std::string& node, int simPort) {
        fs::create_directories(Root() / "dev/serial/by-id");
        fs::create_symlink(SimDevice(simPort), Root() / "dev" / node);
        fs::create_symlink("../../" + node, Root() / "dev/serial/by-id" / name);
    }

    void Unplug(const std::string& name) { fs::remove(Root() / "dev/serial/by-id" / name); }

    static void Write(const fs::path& file, const std::string& text) {
        fs::create_directories(file.parent_path());
        std::ofstream(file) << text;
    }

    ToolResult Ktrctl(const std::vector<std::string>& args) const {
        return s_sim->KtrctlWithEnv(args,
                                    {"KTRSETUP_PORT_DIR=", "KTRSETUP_DEV_ROOT=" + Root().string(),
                                     "XDG_CONFIG_HOME=" + m_dir + "/config"});
    }

    // COM number -> "<stable name or device> <state>", from ktrctl ports --json.
    std::map<int, std::string> Ports() const {
        const ToolResult ports = Ktrctl({"ports", "--json"});
        EXPECT_EQ(ports.status, 0) << ports.err;
        std::map<int, std::string> numbers;
        for (const json& port : json::parse(ports.out)) {
            const std::string name = port["name"];
            numbers[port["port"]] = (name.empty() ? port["device"].get<std::string>() : name) +
                                    " " + port["state"].get<std::string>();
        }
        return numbers;
    }

    // COM number -> the address of the counter found there by a scan; err
    // receives what the scan said on stderr.
    std::map<int, int> Scan(std::string* err = nullptr) const {
        const ToolResult scan = Ktrctl({"scan", "--json"});
        EXPECT_EQ(scan.status, 0) << scan.err;
        if (err)
            *err = scan.err;
        std::map<int, int> found;
        for (const json& sensor : json::parse(scan.out))
            found[sensor["port"]] = sensor["address"];
        return found;
    }

    std::string Uart0() const { return (Root() / "dev/ttyS0").string(); }

    static std::string SimDevice(int port) {
        return s_sim->PortDir() + "/COM" + std::to_string(port);
    }

    static std::unique_ptr<SimProcess> s_sim;
    std::string m_dir;
};

std::unique_ptr<SimProcess> KtrctlDiscoveryTest::s_sim;

TEST_F(KtrctlDiscoveryTest, UartAndAdaptersGetNumbersThatStayWhileAdaptersComeAndGo) {
    const size_t before = s_sim->SettledTranscriptLength();
    std::string report;
    // The adapters in the order of their names, after the UART.
    EXPECT_EQ(Scan(&report), (std::map<int, int>{{1, 1}, {2, 4}, {3, 3}}));
    EXPECT_NE(report.find("ktrctl: COM2 (" + std::string(kAcme) + "): 1 counter listed\n"),
              std::string::npos)
        << report;
    // ttyS1 has no UART: nothing was sent to what lies behind it.
    EXPECT_EQ(s_sim->BytesToCounters(2, before), "");
    EXPECT_EQ(ReadText(UserFile()).find("COM2 " + std::string(kAcme) + "\nCOM3 " + kFtdi + "\n") !=
                  std::string::npos,
              true)
        << ReadText(UserFile());

    Unplug(kFtdi);
    AddAdapter(kZeta, "ttyUSB1", 5);
    EXPECT_EQ(Ports(), (std::map<int, std::string>{{1, Uart0() + " present"},
                                                   {2, std::string(kAcme) + " present"},
                                                   {3, std::string(kFtdi) + " missing"},
                                                   {4, std::string(kZeta) + " present"}}));
    EXPECT_EQ(Scan(), (std::map<int, int>{{1, 1}, {2, 4}, {4, 5}}));
    // Every command takes the same map: COM4 is the new adapter for read too.
    const ToolResult read = Ktrctl({"read", "COM4", "5", "--json"});
    EXPECT_EQ(read.status, 0) << read.err;
}

TEST_F(KtrctlDiscoveryTest, TheAdministratorsLinesWinAndTheUsersYieldWithAWarning) {
    Write(AdministratorFile(), std::string("COM9 ") + kFtdi + "\n");
    Write(UserFile(), std::string("COM9 ") + kAcme + "\nCOM5 " + kFtdi + "\n");

    const ToolResult ports = Ktrctl({"ports"});

    EXPECT_EQ(Ports(), (std::map<int, std::string>{{1, Uart0() + " present"},
                                                   {2, std::string(kAcme) + " present"},
                                                   {9, std::string(kFtdi) + " present"}}));
    EXPECT_NE(ports.err.find(UserFile().string() + ": COM9 " + kAcme +
                             " is passed over: COM9 belongs to " + kFtdi),
              std::string::npos)
        << ports.err;
    const ToolResult refused = Ktrctl({"ports", "assign", "COM9", kZeta});
    EXPECT_EQ(refused.status, 1);
    EXPECT_EQ(refused.err, "ktrctl: COM9 is fixed in " + AdministratorFile().string() + "\n");
}

TEST_F(KtrctlDiscoveryTest, ADamagedPortsFileIsNamedAndNeverOverwritten) {
    const std::string damaged = std::string("COM5 ") + kAcme + "\nCOM77 " + kZeta + "\n";
    Write(UserFile(), damaged);

    const ToolResult scan = Ktrctl({"scan", "--json"});

    EXPECT_NE(scan.err.find("warning: " + UserFile().string() +
                            " line 2 is not understood: \"COM77 " + kZeta + "\""),
              std::string::npos)
        << scan.err;
    EXPECT_EQ(ReadText(UserFile()), damaged);
    // The line it could read holds; the new adapter is numbered for this run.
    EXPECT_EQ(Ports(), (std::map<int, std::string>{{1, Uart0() + " present"},
                                                   {2, std::string(kFtdi) + " present"},
                                                   {5, std::string(kAcme) + " present"}}));
    const ToolResult assign = Ktrctl({"ports", "assign", "COM7", kFtdi});
    EXPECT_EQ(assign.status, 1);
    EXPECT_EQ(ReadText(UserFile()), damaged);
}

TEST_F(KtrctlDiscoveryTest, AssignMovesADeviceAndForgetGivesItTheLowestFreeNumber) {
    ASSERT_EQ(Scan().size(), 3u);

    const ToolResult assign =
        Ktrctl({"ports", "assign", "com7", (Root() / "dev/ttyUSB0").string()});
    const std::map<int, std::string> moved = Ports();
    const ToolResult forget = Ktrctl({"ports", "forget", "COM7"});
    const ToolResult builtIn = Ktrctl({"ports", "assign", "COM1", kAcme});

    EXPECT_EQ(assign.status, 0) << assign.err;
    EXPECT_EQ(assign.out, std::string("COM7: ") + kFtdi + "\n");
    EXPECT_EQ(moved, (std::map<int, std::string>{{1, Uart0() + " present"},
                                                 {2, std::string(kAcme) + " present"},
                                                 {7, std::string(kFtdi) + " present"}}));
    EXPECT_EQ(forget.status, 0) << forget.err;
    EXPECT_EQ(forget.out, "COM7: no device\n");
    EXPECT_EQ(Ports().at(3), std::string(kFtdi) + " present");
    EXPECT_EQ(builtIn.status, 1);
    EXPECT_EQ(builtIn.err, "ktrctl: COM1 is the built-in port " + Uart0() + "\n");
}

} // namespace
