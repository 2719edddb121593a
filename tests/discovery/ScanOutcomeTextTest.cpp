#include "discovery/ScanOutcomeText.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace {

PortScanOutcome Outcome(uint8_t port, PortOpenFailure failure, LinkStatus ended = LinkStatus::Done) {
    PortScanOutcome outcome;
    outcome.port = port;
    outcome.openFailure = failure;
    outcome.ended = ended;
    return outcome;
}

// One port of each kind, in port order: the lines follow the ports, ports
// that do not exist are joined into runs, and exactly the lines about a
// failed port are failures (the ones a quiet front end still shows).
TEST(ScanOutcomeTextTest, LinesFollowThePortsAndMarkOnlyFailures) {
    const std::filesystem::path dir = std::filesystem::temp_directory_path() / "scan-outcome-text";
    std::filesystem::create_directories(dir);
    std::ofstream(dir / "models") << "KTR-100\n";
    ::setenv("KTRSETUP_PORT_DIR", dir.c_str(), 1);
    ::setenv("KTRSETUP_SUPPORTED_MODELS", (dir / "models").c_str(), 1);

    PortScanOutcome scanned = Outcome(1, PortOpenFailure::None);
    LinkResult unsupported;
    unsupported.status = LinkStatus::NotSupported;
    scanned.passedOver.push_back({9, ReadStage::Identify, unsupported});
    CSensor found;
    found.SetPort(1);
    const std::vector<PortScanOutcome> outcomes = {
        scanned,
        Outcome(2, PortOpenFailure::NoSuchPort),
        Outcome(3, PortOpenFailure::NoSuchPort),
        Outcome(4, PortOpenFailure::NoSuchPort),
        Outcome(5, PortOpenFailure::AccessDenied),
        Outcome(6, PortOpenFailure::None, LinkStatus::PortGone),
        Outcome(7, PortOpenFailure::NoSuchPort),
    };

    const std::vector<ScanOutcomeLine> lines = ScanOutcomeLines(outcomes, {found, found});

    using Kind = ScanOutcomeLine::Kind;
    const std::vector<std::pair<Kind, std::string>> expected = {
        {Kind::PortScanned, "COM1 (" + (dir / "COM1").string() + "): 2 counters listed, 1 passed over"},
        {Kind::PassedOver, "COM1 address 9: passed over: "},
        {Kind::NoSuchPorts, "COM2 to COM4: no such device ("},
        {Kind::PortFailed, "COM5 (" + (dir / "COM5").string() + "): no permission"},
        {Kind::PortScanned, "COM6 (" + (dir / "COM6").string() + "): 0 counters listed"},
        {Kind::PortFailed, "COM6 (" + (dir / "COM6").string() + "): port gone during the scan"},
        {Kind::NoSuchPorts, "COM7: no such device ("},
    };
    ASSERT_EQ(lines.size(), expected.size());
    for (size_t i = 0; i < lines.size(); ++i) {
        EXPECT_EQ(lines[i].kind, expected[i].first) << lines[i].text;
        EXPECT_EQ(lines[i].text.rfind(expected[i].second, 0), 0u) << lines[i].text;
        EXPECT_EQ(lines[i].IsFailure(), lines[i].kind == Kind::PortFailed) << lines[i].text;
    }
    EXPECT_NE(lines[1].text.find("(not listed in " + (dir / "models").string() + ")"),
              std::string::npos);

    // No port at all: the scan as a whole failed, and says where it looked.
    const auto none = ScanOutcomeLines({Outcome(2, PortOpenFailure::NoSuchPort)}, {});
    ASSERT_EQ(none.size(), 2u);
    EXPECT_TRUE(none.back().IsFailure());
    EXPECT_EQ(none.back().text.rfind("no com port exists: looked for ", 0), 0u);

    ::unsetenv("KTRSETUP_PORT_DIR");
    ::unsetenv("KTRSETUP_SUPPORTED_MODELS");
    std::filesystem::remove_all(dir);
}

} // namespace
