// The programming journal through ktrctl against the simulator: what a
// programming records, a failed one, putting a table back, and a journal
// that cannot be written.
#include "TableNetwork.h"
#include "ToolProcess.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <fstream>
#include <sstream>

namespace {

using nlohmann::json;

class KtrctlJournalTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { s_sim = std::make_unique<SimProcess>(kTableNetwork); }
    static void TearDownTestSuite() { s_sim.reset(); }
    void SetUp() override { ASSERT_TRUE(s_sim->Ready()); }

    static SimProcess& Sim() { return *s_sim; }
    static json Read(int address) {
        ToolResult read = Sim().Ktrctl("read 1 " + std::to_string(address) + " --json");
        EXPECT_EQ(read.status, 0) << read.err;
        return read.status == 0 ? json::parse(read.out) : json();
    }
    // The journal's entries; filters as ktrctl journal takes them.
    static json Entries(const std::string& filters = "") {
        ToolResult list = Sim().Ktrctl("journal --json" + filters);
        EXPECT_EQ(list.status, 0) << list.err;
        EXPECT_EQ(list.err, "");
        return list.status == 0 ? json::parse(list.out) : json::array();
    }
    // The journal file's lines with this id.
    static std::vector<json> Lines(const std::string& id) {
        std::ifstream in(Sim().JournalFile());
        std::vector<json> lines;
        for (std::string line; std::getline(in, line);)
            if (json record = json::parse(line); record["id"] == id)
                lines.push_back(record);
        return lines;
    }

    static std::unique_ptr<SimProcess> s_sim;
};

std::unique_ptr<SimProcess> KtrctlJournalTest::s_sim;

// Each table is a programming of its own: a start with the table the
// counter had and the table as sent (in the counter's fields), then done.
TEST_F(KtrctlJournalTest, ProgrammingRecordsStartAndDoneWithBothTables) {
    const json before = Read(1);
    const std::string record = Sim().Dir() + "/both.json";
    std::ofstream(record) << R"({"sizes": [0.3, 1.234, 15.5],
                                 "calibration": [[0.3, 99.12345], [1, 400], [2, 900]]})";

    ToolResult program = Sim().Ktrctl("program 1 1 --from " + record);

    ASSERT_EQ(program.status, 0) << program.err;
    const json entries = Entries(" --port 1 --address 1");
    ASSERT_EQ(entries.size(), 2u);
    const json& sizes = entries[0];
    EXPECT_EQ(sizes["table"], "sizes");
    EXPECT_EQ(sizes["state"], "done");
    EXPECT_EQ(sizes["before"], before["sizes"]);
    EXPECT_EQ(sizes["after"], json::parse("[0.3, 1.2, 15.0]"));
    EXPECT_EQ(sizes["program"], "ktrctl");
    EXPECT_EQ(sizes["model"], "KTR-100");
    EXPECT_EQ(sizes["device"], Sim().PortDir() + "/COM1");
    EXPECT_EQ(entries[1]["before"], before["calibration"]);
    EXPECT_EQ(entries[1]["after"], json::parse("[[0.3, 99.123], [1, 400], [2, 900]]"));
    const std::vector<json> lines = Lines(sizes["id"]);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0]["state"], "started");
    EXPECT_EQ(lines[1]["state"], "done");
    EXPECT_LT(sizes["id"].get<std::string>(), entries[1]["id"].get<std::string>());
    EXPECT_EQ(Entries(" --address 2"), json::array());
}

TEST_F(KtrctlJournalTest, FailedProgrammingRecordsItsReasonAndTheCounterKeepsItsTable) {
    const json before = Read(4);

    ToolResult program = Sim().Ktrctl("program-sizes 1 4 0.3 0.5 1 2 5 10");

    EXPECT_EQ(program.status, 1);
    const json entries = Entries(" --address 4");
    ASSERT_FALSE(entries.empty());
    EXPECT_EQ(entries.back()["state"], "failed");
    EXPECT_EQ(entries.back()["reason"], "no echo at byte 20 of the size text (3 attempts)");
    EXPECT_EQ(Read(4), before);
}

// The restore reads the counter, checks its model, and is journalled too.
TEST_F(KtrctlJournalTest, RestorePutsTheEarlierTableBackExactly) {
    const json original = Read(2);
    ASSERT_EQ(Sim().Ktrctl("program-cal 1 2 0.5:10 1:20 2:40.125").status, 0);
    const std::string id = Entries(" --address 2").back()["id"];

    ToolResult restore = Sim().Ktrctl("restore " + id + " --json");

    ASSERT_EQ(restore.status, 0) << restore.err;
    EXPECT_EQ(Read(2), original);
    const json last = Entries(" --address 2").back();
    EXPECT_NE(last["id"], id);
    EXPECT_EQ(last["state"], "done");
    EXPECT_EQ(last["before"], json::parse("[[0.5, 10], [1, 20], [2, 40.125]]"));
    EXPECT_EQ(last["after"], original["calibration"]);
    ToolResult unknown = Sim().Ktrctl("restore 20000101-000000-000000");
    EXPECT_EQ(unknown.status, 2);
    EXPECT_EQ(unknown.err, "ktrctl: no programming 20000101-000000-000000 in the journal " +
                               Sim().JournalFile() + "\n");
}

// An entry made on a KTR-100 does not go into the KTR-200 now at its
// address, unless forced.
TEST_F(KtrctlJournalTest, RestoreIntoACounterOfAnotherModelNeedsForce) {
    ASSERT_EQ(Sim().Ktrctl("program-sizes 1 3 7").status, 0);
    json entry = Entries(" --address 3").back();
    entry["model"] = "KTR-100";
    entry["id"] = "20000101-000000-000001";
    entry["state"] = "started";
    entry.erase("reason");
    entry.erase("ended");
    std::ofstream(Sim().JournalFile(), std::ios::app) << entry.dump() << "\n";
    const size_t length = Sim().SettledTranscriptLength();

    ToolResult refused = Sim().Ktrctl("restore 20000101-000000-000001");
    const std::string sent = Sim().BytesToCounters(1, length);
    ToolResult forced = Sim().Ktrctl("restore 20000101-000000-000001 --force");

    EXPECT_EQ(refused.status, 1);
    EXPECT_EQ(refused.err, "ktrctl: the record is of model KTR-100, the counter at COM1 address 3 "
                           "is a KTR-200; nothing was programmed (--force programs it all the "
                           "same)\n");
    EXPECT_EQ(sent.find(" 7."), std::string::npos) << "sizes went out";
    EXPECT_EQ(forced.status, 0) << forced.err;
    EXPECT_EQ(Read(3)["sizes"], json::parse("[5.0]"));
}

// Nothing goes out, not even a read, when the start cannot be recorded;
// --no-journal programs without a record.
TEST_F(KtrctlJournalTest, UnwritableJournalSendsNothing) {
    const json before = Read(1);
    const std::string journal = Sim().ModelsFile() + "/journal.jsonl";
    const std::vector<std::string> args = {"program-sizes", "1", "1", "0.7"};
    const size_t length = Sim().SettledTranscriptLength();

    ToolResult refused = Sim().KtrctlWithEnv(args, {"KTRSETUP_JOURNAL=" + journal});
    const size_t afterRefusal = Sim().SettledTranscriptLength();
    ToolResult full = Sim().KtrctlWithEnv(args, {"KTRSETUP_JOURNAL=/dev/full"});
    const json afterFull = Read(1);
    std::vector<std::string> unrecorded = args;
    unrecorded.push_back("--no-journal");
    ToolResult programmed = Sim().KtrctlWithEnv(unrecorded, {"KTRSETUP_JOURNAL=" + journal});

    EXPECT_EQ(refused.status, 1);
    EXPECT_EQ(refused.err, "ktrctl: the programming journal " + journal +
                               " cannot be written (Not a directory); nothing was sent "
                               "(--no-journal programs without a record)\n");
    EXPECT_EQ(afterRefusal, length) << "bytes went to the counters";
    EXPECT_EQ(full.status, 1);
    EXPECT_NE(full.err.find("(No space left on device); nothing was sent"), std::string::npos)
        << full.err;
    EXPECT_EQ(afterFull, before);
    EXPECT_EQ(programmed.status, 0) << programmed.err;
    EXPECT_EQ(Read(1)["sizes"], json::parse("[0.7]"));
}

TEST_F(KtrctlJournalTest, ListingSaysWhatChangedAndSkipsDamagedLines) {
    const std::string journal = Sim().Dir() + "/listing.jsonl";
    const std::vector<std::string> env = {"KTRSETUP_JOURNAL=" + journal};
    ASSERT_EQ(Sim().KtrctlWithEnv({"program-sizes", "1", "2", "0.3", "1.5"}, env).status, 0);
    std::ofstream(journal, std::ios::app) << "{\"id\": \n";

    ToolResult list = Sim().KtrctlWithEnv({"journal", "--port", "1", "--address", "2"}, env);

    EXPECT_EQ(list.status, 0);
    EXPECT_NE(list.out.find("COM1 address 2  KTR-100  sizes  done\n"), std::string::npos)
        << list.out;
    EXPECT_NE(list.out.find("  after:  0.3 1.5\n"), std::string::npos) << list.out;
    EXPECT_NE(list.out.find("1 programming in " + journal + "\n"), std::string::npos);
    EXPECT_EQ(list.err, "ktrctl: warning: " + journal + " line 3: not JSON; skipped\n");
}

} // namespace
