#include "ToolProcess.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <filesystem>
#include <fstream>

namespace {

namespace fs = std::filesystem;

TEST(KtrsimTest, DefaultNetworkIsFoundByAScanAndItsLinksGoAtTheEnd) {
    SimProcess sim;
    ASSERT_TRUE(sim.Ready());
    EXPECT_TRUE(fs::exists(sim.PortDir() + "/COM1"));
    EXPECT_TRUE(fs::exists(sim.PortDir() + "/COM2"));

    ToolResult scan = sim.Ktrctl("scan --ports 1-4 --json");

    ASSERT_EQ(scan.status, 0) << scan.err;
    const auto found = nlohmann::json::parse(scan.out);
    ASSERT_FALSE(found.empty());
    for (const auto& sensor : found) {
        EXPECT_GE(sensor["sizes"].size(), 1u);
        EXPECT_GE(sensor["calibration"].size(), 3u);
    }
    // The counter of a model the models file leaves out is passed over.
    EXPECT_EQ(scan.out.find("OPC-50"), std::string::npos);
    EXPECT_EQ(sim.Stop(), 0);
    EXPECT_FALSE(fs::exists(sim.PortDir() + "/COM1"));
    EXPECT_FALSE(fs::exists(sim.PortDir() + "/COM2"));
}

TEST(KtrsimTest, ConfigWritesItsModelsListAndStopsOnSigterm) {
    SimProcess sim(R"({"ports": [{"port": 7, "counters": [
        {"address": 1, "model": "AB-1"}, {"address": 2, "modelReply": " CD-2 \r\n"}]}]})");
    ASSERT_TRUE(sim.Ready());
    std::ifstream models(sim.ModelsFile());
    std::string text((std::istreambuf_iterator<char>(models)), std::istreambuf_iterator<char>());

    EXPECT_NE(text.find("\nAB-1\n"), std::string::npos) << text;
    EXPECT_NE(text.find("\nCD-2\n"), std::string::npos) << text;
    EXPECT_TRUE(fs::exists(sim.PortDir() + "/COM7"));
    EXPECT_EQ(sim.Stop(), 0);
    EXPECT_FALSE(fs::exists(sim.PortDir() + "/COM7"));
}

TEST(KtrsimTest, BadConfigurationsAndArgumentsAreUsageErrors) {
    const std::string dir = MakeTempDir();
    const std::pair<const char*, const char*> configs[] = {
        {"{\"ports\": [", "parse"},
        {R"({"ports": [{"port": 1, "counters": [{"address": 3, "modle": "X"}]}]})", "modle"},
        {R"({"ports": [{"port": 33}]})", "port must be 1 to 32"},
        {R"({"ports": [{"port": 1, "counters": [{"address": 32}]}]})", "address"},
        {R"({"ports": [{"port": 1, "counters": [{"address": 1}, {"address": 1}]}]})", "twice"},
    };
    for (const auto& [config, hint] : configs) {
        std::ofstream(dir + "/bad.json") << config;
        ToolResult result =
            RunKtrsim({"--config", dir + "/bad.json", "--port-dir", dir + "/ports"}, dir);
        EXPECT_EQ(result.status, 2) << config;
        EXPECT_NE(result.err.find(hint), std::string::npos) << result.err;
        EXPECT_EQ(result.out, "") << config;
    }
    EXPECT_EQ(RunKtrsim({}, dir).status, 2);
    EXPECT_EQ(RunKtrsim({"--port-dir", dir, "--bogus"}, dir).status, 2);
    RemoveTree(dir);
}

} // namespace
