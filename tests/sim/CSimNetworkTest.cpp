#include "RawLine.h"

#include "sim/CSimNetwork.h"
#include "sim/SimText.h"

#include <gtest/gtest.h>

#include <atomic>
#include <clocale>
#include <filesystem>
#include <fstream>
#include <thread>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

SimCounterConfig Counter(int address, std::vector<double> sizes) {
    SimCounterConfig config;
    config.address = address;
    config.model = "KTR-" + std::to_string(address);
    config.sizes = std::move(sizes);
    return config;
}

std::string Query(RawLine& line, int address, const std::string& command) {
    std::string bytes = std::string(1, static_cast<char>(0x80 + address)) + command;
    std::string echoes = Text(line.Exchange(bytes));
    if (echoes != bytes)
        return "bad echo: " + echoes;
    std::string reply = Text(line.ReadUntilQuiet(40));
    line.Write("\xBF");
    return reply;
}

} // namespace

TEST(CSimNetwork, OwnTemporaryFolderAndLinksGoAway) {
    std::string dir;
    std::string device;
    {
        CSimNetwork network;
        dir = network.PortDir();
        CSimPort& port = network.AddPort(7);
        device = port.DevicePath();
        EXPECT_EQ(fs::read_symlink(port.LinkPath()), device);
        EXPECT_EQ(&network.AddPort(7), &port);
        EXPECT_THROW(network.AddPort(0), std::out_of_range);
        EXPECT_THROW(port.AddCounter(Counter(32, {1})), std::out_of_range);
    }
    EXPECT_FALSE(fs::exists(dir));
}

TEST(CSimNetwork, GivenFolderIsKeptAndStaleLinksReplaced) {
    CSimNetwork scratch;
    const std::string dir = scratch.PortDir() + "/ports";
    fs::create_directories(dir);
    fs::create_symlink("/nonexistent", dir + "/COM2");
    std::ofstream(dir + "/COM3") << "not a device";
    {
        CSimNetwork network(dir);
        CSimPort& port = network.AddPort(2);
        EXPECT_EQ(fs::read_symlink(dir + "/COM2"), port.DevicePath());
        EXPECT_ANY_THROW(network.AddPort(3));
        EXPECT_EQ(network.PortNumbers(), std::vector<int>{2});
    }
    EXPECT_TRUE(fs::exists(dir + "/COM3"));
    EXPECT_FALSE(fs::exists(fs::symlink_status(dir + "/COM2")));
}

TEST(CSimNetwork, BuildsFromAConfiguration) {
    SimNetworkConfig config;
    config.pacing = true;
    config.ports = {{1, {Counter(0, {0.3}), Counter(31, {1, 2})}}, {4, {Counter(5, {10})}}};
    CSimNetwork network(config);
    EXPECT_EQ(network.PortNumbers(), (std::vector<int>{1, 4}));
    ASSERT_NE(network.Port(1), nullptr);
    EXPECT_EQ(network.Port(1)->Addresses(), (std::vector<int>{0, 31}));
    EXPECT_TRUE(network.Port(4)->Pacing());
    RawLine line(network.Port(1)->LinkPath());
    EXPECT_EQ(Query(line, 31, "P\r\n"), " 1.0 2.0 C/S 00015F\r\n");
}

TEST(CSimNetwork, StopRequestIsStickyAndWaitsOtherwise) {
    CSimNetwork network;
    EXPECT_FALSE(network.WaitForStopRequest(20));
    std::thread stopper([&] { network.RequestStop(); });
    EXPECT_TRUE(network.WaitForStopRequest(5000));
    stopper.join();
    EXPECT_TRUE(network.WaitForStopRequest(0));
}

// As a scan does: one thread per port, all at once, on 32 ports.
TEST(CSimNetwork, ThirtyTwoPortsServeInParallelAndStopPromptly) {
    auto network = std::make_unique<CSimNetwork>();
    for (int com = 1; com <= 32; ++com)
        network->AddPort(com).AddCounter(Counter(com % 32, {0.3, com * 1.0}));
    std::atomic<int> good{0};
    std::vector<std::thread> threads;
    for (int com = 1; com <= 32; ++com) {
        threads.emplace_back([&, com] {
            RawLine line(network->Port(com)->LinkPath());
            std::string expect = " 0.3 " + SimFormatNumber(com) + " C/S ";
            for (int round = 0; round < 3; ++round) {
                std::string reply = Query(line, com % 32, "P\r\n");
                // The counter of the next port is not on this line.
                line.Write(std::string(1, static_cast<char>(0x80 + (com + 1) % 32)));
                if (reply.rfind(expect, 0) == 0 && line.Read(1, 30).empty())
                    ++good;
            }
        });
    }
    for (auto& thread : threads)
        thread.join();
    EXPECT_EQ(good.load(), 96);
    const int64_t start = SimMonotonicNs();
    network.reset();
    EXPECT_LT(SimMonotonicNs() - start, 2000000000LL); // a wake-up, not a poll time-out
}

TEST(CSimNetwork, ProgramAndQueryUnderACommaDecimalLocale) {
    const std::string saved = std::setlocale(LC_ALL, nullptr);
    if (!std::setlocale(LC_ALL, "de_DE.UTF-8"))
        GTEST_SKIP() << "de_DE.UTF-8 locale not installed";
    CSimNetwork network;
    CSimPort& port = network.AddPort(1);
    CSimCounter& counter = port.AddCounter(Counter(0, {1}));
    RawLine line(port.LinkPath());
    EXPECT_EQ(Query(line, 0, "P 0.3 0.5 1.0 C/S 000213\r\n"), "");
    EXPECT_EQ(Query(line, 0, "K 0.3 100 0.5 150.5 1 400\r\n"), "");
    EXPECT_EQ(Query(line, 0, "P\r\n"), " 0.3 0.5 1.0 C/S 000213\r\n");
    EXPECT_EQ(Query(line, 0, "K\r\n"), " 0.3 100 0.5 150.5 1.0 400 C/S 000491\r\n");
    EXPECT_EQ(counter.GetPoints()[1].second, 150.5);
    std::setlocale(LC_ALL, saved.c_str());
}
