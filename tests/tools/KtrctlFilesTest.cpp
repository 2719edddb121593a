// Tables to and from files: a record saved with `read --json` programmed
// into another counter, a calibration sheet as CSV, and the notes for
// values that the counter receives other than given.
#include "ToolProcess.h"

#include "res/StringTable.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <fstream>

namespace {

using nlohmann::json;

// COM1: 1 is the source; 2 and 5 are targets of the same model, 3 one of
// another model; 4 stops echoing after 20 bytes of a selection, so a size
// line gets through and a calibration line does not.
const char* kNetwork = R"({
  "supportedModels": ["KTR-100", "KTR-200"],
  "ports": [{"port": 1, "counters": [
    {"address": 1, "model": "KTR-100", "sizes": [0.3, 0.5, 1.0, 2.5],
     "calibration": [[0.3, 100], [0.5, 150.5], [1, 400], [2.5, 1200.25]]},
    {"address": 2, "model": "KTR-100", "sizes": [5], "calibration": [[1, 1], [2, 2], [3, 3]]},
    {"address": 3, "model": "KTR-200", "sizes": [5], "calibration": [[1, 1], [2, 2], [3, 3]]},
    {"address": 4, "model": "KTR-100", "sizes": [5], "calibration": [[1, 1], [2, 2], [3, 3]],
     "faults": {"echoStopsAfter": 20}},
    {"address": 5, "model": "KTR-100", "sizes": [5], "calibration": [[1, 1], [2, 2], [3, 3]]}]}]
})";

class KtrctlFilesTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { s_sim = std::make_unique<SimProcess>(kNetwork); }
    static void TearDownTestSuite() { s_sim.reset(); }
    void SetUp() override { ASSERT_TRUE(s_sim->Ready()); }

    static SimProcess& Sim() { return *s_sim; }
    // A file of the test's own with this content.
    static std::string File(const std::string& name, const std::string& content) {
        const std::string path = Sim().Dir() + "/" + name;
        std::ofstream(path, std::ios::binary) << content;
        return path;
    }
    static json Read(int address) {
        ToolResult read = Sim().Ktrctl("read 1 " + std::to_string(address) + " --json");
        EXPECT_EQ(read.status, 0) << read.err;
        return read.status == 0 ? json::parse(read.out) : json();
    }

    static std::unique_ptr<SimProcess> s_sim;
};

std::unique_ptr<SimProcess> KtrctlFilesTest::s_sim;

// Into a counter of the same model in silence; into one of another model
// only with --force, and with a note.
TEST_F(KtrctlFilesTest, SavedRecordProgramsAnotherCounterWithIdenticalTables) {
    ToolResult save = Sim().Ktrctl("read 1 1 --json");
    ASSERT_EQ(save.status, 0) << save.err;
    const std::string record = File("counter1.json", save.out);

    ToolResult program = Sim().Ktrctl("program 1 2 --from " + record + " --json");
    const json before = Read(3);
    ToolResult refused = Sim().Ktrctl("program 1 3 --from " + record);
    const json untouched = Read(3);
    ToolResult other = Sim().Ktrctl("program 1 3 --from " + record + " --force");

    ASSERT_EQ(program.status, 0) << program.err;
    EXPECT_EQ(program.err, "");
    const json source = json::parse(save.out);
    const json target = Read(2);
    EXPECT_EQ(target["sizes"], source["sizes"]);
    EXPECT_EQ(target["calibration"], source["calibration"]);
    EXPECT_EQ(json::parse(program.out), target);
    EXPECT_EQ(refused.status, 1);
    EXPECT_EQ(refused.err, "ktrctl: the record is of model KTR-100, the counter at COM1 address 3 "
                           "is a KTR-200; nothing was programmed (--force programs it all the "
                           "same)\n");
    EXPECT_EQ(untouched, before);
    EXPECT_EQ(other.status, 0) << other.err;
    EXPECT_EQ(other.err, "ktrctl: note: the record is of model KTR-100, the counter at COM1 "
                         "address 3 is a KTR-200\n");
    EXPECT_EQ(Read(3)["calibration"], source["calibration"]);
}

// A record with sizes only leaves the calibration alone (a sheet, below,
// is a calibration only).
TEST_F(KtrctlFilesTest, RecordWithoutCalibrationProgramsTheSizesOnly) {
    const json before = Read(5);
    const std::string sizes = File("sizes.json", R"({"sizes": [2, 0.7, 1]})");

    ToolResult program = Sim().Ktrctl("program 1 5 --from " + sizes);

    EXPECT_EQ(program.status, 0) << program.err;
    const json after = Read(5);
    EXPECT_EQ(after["sizes"], json::parse("[0.7, 1.0, 2.0]"));
    EXPECT_EQ(after["calibration"], before["calibration"]);
}

// A sheet as a spreadsheet saves it: byte-order mark, header, CR LF line
// ends, quoted values, blank and comment lines, rows in any order.
TEST_F(KtrctlFilesTest, CalibrationSheetIsProgrammedAndReadsBack) {
    const std::string sheet = File("sheet.csv", "\xEF\xBB\xBF"
                                                "Size (um),Voltage (mV)\r\n"
                                                "1.0,410\r\n"
                                                "\r\n"
                                                "# checked 2024-05-02\r\n"
                                                "\"0.3\", \"101.25\"\r\n"
                                                "  0.5 ,152\r\n");

    ToolResult program = Sim().Ktrctl("program 1 5 --from-csv " + sheet + " --json");

    ASSERT_EQ(program.status, 0) << program.err;
    EXPECT_EQ(program.err, "");
    const json expected = json::parse("[[0.3, 101.25], [0.5, 152.0], [1.0, 410.0]]");
    EXPECT_EQ(json::parse(program.out)["calibration"], expected);
    EXPECT_EQ(Read(5)["calibration"], expected);
}

TEST_F(KtrctlFilesTest, ValuesThatChangeOnTheWayAreNamedInNotes) {
    const std::string sheet = File("rounded.csv", "0.3,100.12345\n0.5,150\n1,400.0004\n");

    ToolResult sizes = Sim().Ktrctl("program-sizes 1 5 15.5 0.3 1.234 2");
    ToolResult curve = Sim().Ktrctl("program 1 5 --from-csv " + sheet);

    EXPECT_EQ(sizes.status, 0) << sizes.err;
    EXPECT_EQ(sizes.err, "ktrctl: note: size 1.234 went to the counter as 1.2 (its size field "
                         "holds three characters: \"1.2\")\n"
                         "ktrctl: note: size 15.5 went to the counter as 15 (its size field "
                         "holds three characters: \"15.\")\n");
    EXPECT_EQ(curve.status, 0) << curve.err;
    EXPECT_EQ(curve.err, "ktrctl: note: calibration point 0.3:100.12345 went to the counter as "
                         "0.3:100.123 (three decimals at most)\n"
                         "ktrctl: note: calibration point 1:400.0004 went to the counter as "
                         "1:400 (three decimals at most)\n");
    EXPECT_EQ(Read(5)["sizes"], json::parse("[0.3, 1.2, 2.0, 15.0]"));
}

TEST_F(KtrctlFilesTest, FilesThatHoldNoUsableTableAreRefusedBeforeAnythingIsSent) {
    struct Case {
        const char* name;
        const char* content;
        const char* option;
        const char* message; // after "ktrctl: <path>"
    };
    const Case cases[] = {
        {"a.json", "{\"sizes\": [0.3,]}", "--from", " is not JSON (line 1, column 16)"},
        {"b.json", "[{\"sizes\": [0.3]}]", "--from",
         " does not hold one counter's record (an object as `ktrctl read --json` prints it)"},
        {"c.json", "{\"sizes\": [0.3], \"calibraton\": []}", "--from",
         ": unknown key \"calibraton\" (a record holds port, address, model, sizes and "
         "calibration)"},
        {"d.json", "{\"sizes\": [0.3, \"0.5\"]}", "--from", ": size 2 (\"0.5\") is not a number"},
        {"e.json", "{\"calibration\": [[0.3, 100], [0.5]]}", "--from",
         ": calibration point 2 ([0.5]) is not a [size, voltage] pair of numbers"},
        {"f.json", "{\"port\": 1, \"address\": 2, \"model\": \"KTR-100\"}", "--from",
         ": it holds neither sizes nor calibration"},
        {"g.csv", "size,voltage\n0,3,100\n", "--from-csv",
         " line 2: '0,3,100' is not size,voltage (two numbers separated by a comma, with a "
         "point as the decimal separator)"},
        {"h.csv", "0.3,100\n0.5,1e\n", "--from-csv",
         " line 2: '1e' is not a number (write decimals with a point, e.g. 0.3)"},
        {"i.csv", "size,voltage\n\n", "--from-csv", " holds no calibration point"},
        {"j.csv", "# sheet\n0.3;100\n0.5,150\n", "--from-csv",
         " line 2: '0.3;100' is not size,voltage (two numbers separated by a comma, with a "
         "point as the decimal separator)"},
        {"k.csv", "0.3,1OO\n0.5,150\n", "--from-csv",
         " line 1: '1OO' is not a number (write decimals with a point, e.g. 0.3)"},
    };
    const size_t before = Sim().SettledTranscriptLength();
    for (const Case& c : cases) {
        const std::string path = File(c.name, c.content);
        ToolResult result = Sim().Ktrctl(std::string("program 1 5 ") + c.option + " " + path);
        EXPECT_EQ(result.status, 2) << c.name;
        EXPECT_EQ(result.err, "ktrctl: " + path + c.message + "\n") << c.name;
    }
    ToolResult missing = Sim().Ktrctl("program 1 5 --from " + Sim().Dir() + "/none.json");
    EXPECT_EQ(missing.status, 2);
    EXPECT_EQ(missing.err,
              "ktrctl: cannot read " + Sim().Dir() + "/none.json (No such file or directory)\n");
    EXPECT_EQ(Sim().SettledTranscriptLength(), before) << "bytes went to the counters";
}

// Both tables are checked before a byte goes out, and every refusal shows.
TEST_F(KtrctlFilesTest, RecordWithTablesThatBreakTheRulesSendsNothing) {
    const json before = Read(5);
    const size_t length = Sim().SettledTranscriptLength();
    const std::string record =
        File("broken.json", R"({"sizes": [0.5, 0.5], "calibration": [[0.3, 100], [0.5, 90]]})");

    ToolResult program = Sim().Ktrctl("program 1 5 --from " + record);

    EXPECT_EQ(program.status, 1);
    EXPECT_EQ(program.err, "KTRSetup: " + LoadString(IDS_SIZES_NOT_ASCENDING) +
                               "\nKTRSetup: " + LoadString(IDS_NEED_THREE_POINTS) + "\n");
    EXPECT_EQ(Sim().SettledTranscriptLength(), length) << "bytes went to the counters";
    EXPECT_EQ(Read(5), before);
}

TEST_F(KtrctlFilesTest, SizesProgrammedButCalibrationNotIsSaid) {
    const std::string record = File(
        "half.json", R"({"sizes": [0.3], "calibration": [[0.3, 100], [0.5, 150.5], [1, 400]]})");

    ToolResult program = Sim().Ktrctl("program 1 4 --from " + record + " --json");

    EXPECT_EQ(program.status, 1);
    EXPECT_EQ(program.out, "");
    EXPECT_EQ(program.err, "ktrctl: COM1 address 4: no echo at byte 20 of the calibration text "
                           "(3 attempts)\n"
                           "ktrctl: COM1 address 4: the sizes were programmed, the calibration "
                           "was not\n");
}

} // namespace
