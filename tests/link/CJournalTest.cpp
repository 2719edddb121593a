// The journal file: records read back exactly, damaged lines skipped with
// their line number and left as they are, ids in the order given even when
// the clock goes back, and whole lines from writers in several processes.
// (A journal that cannot be written is tried through ktrctl.)

#include "link/CJournal.h"
#include "link/JournalFile.h"

#include "support/JournalRecords.h"
#include "support/TableValues.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <sys/wait.h>
#include <unistd.h>

namespace {

class CJournalTest : public testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/ktr-journal-XXXXXX";
        ASSERT_NE(::mkdtemp(pattern), nullptr);
        m_dir = pattern;
    }
    void TearDown() override { std::filesystem::remove_all(m_dir); }

    std::string Path() const { return m_dir + "/data/ktrsetup/journal.jsonl"; }
    std::string FileText() const {
        std::ifstream in(Path(), std::ios::binary);
        std::ostringstream text;
        text << in.rdbuf();
        return text.str();
    }
    std::string m_dir;
};

} // namespace

TEST_F(CJournalTest, ProgrammingsReadBackWithTheirTablesAndFinalStates) {
    const CJournal journal(Path());
    JournalRecord sizes = SizesRecord({0.1 + 0.2, 1e-7, 999}, {0.3, 1.2, 15});
    JournalRecord curve = SizesRecord({}, {});
    curve.table = JournalTable::Calibration;
    curve.before.curve.AddTail(CCalPoint(0.3, 100.123456789));
    curve.after.curve.AddTail(CCalPoint(0.3, 100.123));
    JournalRecord killed = SizesRecord({1}, {2});
    std::string error;
    ASSERT_TRUE(journal.RecordStart(sizes, error)) << error;
    ASSERT_TRUE(journal.RecordStart(curve, error)) << error;
    ASSERT_TRUE(journal.RecordOutcome(curve.id, JournalState::Failed, "no echo", error));
    ASSERT_TRUE(journal.RecordOutcome(sizes.id, JournalState::Done, "", error));
    ASSERT_TRUE(journal.RecordStart(killed, error));

    const JournalContents contents = journal.Read();

    ASSERT_EQ(contents.entries.size(), 3u);
    EXPECT_TRUE(contents.warnings.empty());
    const JournalEntry& first = contents.entries[0];
    EXPECT_EQ(first.start.id, sizes.id);
    EXPECT_EQ(first.state, JournalState::Done);
    EXPECT_EQ(Values(first.start.before.sizes), (std::vector<double>{0.1 + 0.2, 1e-7, 999}));
    EXPECT_EQ(Values(first.start.after.sizes), (std::vector<double>{0.3, 1.2, 15}));
    EXPECT_EQ(first.start.model, "KTR-100");
    EXPECT_EQ(first.start.user, JournalUserName());
    EXPECT_EQ(contents.entries[1].state, JournalState::Failed);
    EXPECT_EQ(contents.entries[1].reason, "no echo");
    EXPECT_EQ(PointsOf(contents.entries[1].start.before.curve), (Points{{0.3, 100.123456789}}));
    EXPECT_EQ(contents.entries[2].state, JournalState::Started);
    EXPECT_EQ(sizes.time.size(), 20u);
    EXPECT_EQ(sizes.time.back(), 'Z');
    EXPECT_LT(sizes.id, curve.id);
    EXPECT_LT(curve.id, killed.id);
}

TEST_F(CJournalTest, DamagedLinesAreSkippedByLineNumberAndLeftAsTheyAre) {
    const CJournal journal(Path());
    JournalRecord good = SizesRecord({1}, {2});
    std::string error;
    ASSERT_TRUE(journal.RecordStart(good, error)) << error;
    const std::string goodLine = FileText();
    const std::string damaged[] = {
        "{\"id\":\"x\",\"time\":\"t\",\"sta",  // cut short
        "[1,2]",                               // not an object
        "{\"id\":\"x\",\"time\":\"t\",\"state\":\"paused\"}",
        "{\"id\":\"y\",\"time\":\"t\",\"state\":\"done\",\"reason\":\"\"}", // no start
        goodLine.substr(0, goodLine.size() - 1),                          // a second start
        R"({"id":"z","time":"t","state":"started","user":"","host":"","program":"","device":"",)"
        R"("model":"","port":3,"address":32,"table":"sizes","before":[],"after":[]})",
        R"({"id":"z","time":"t","state":"started","user":"","host":"","program":"","device":"",)"
        R"("model":"","port":3,"address":1,"table":"sizes","before":[[1,2]],"after":[]})",
    };
    {
        std::ofstream out(Path(), std::ios::app | std::ios::binary);
        for (const std::string& line : damaged)
            out << line << "\n";
        out << "{\"id\":"; // a last line without its end
    }
    const std::string before = FileText();

    const JournalContents contents = journal.Read();
    ASSERT_TRUE(journal.RecordOutcome(good.id, JournalState::Done, "", error));

    ASSERT_EQ(contents.warnings.size(), std::size(damaged) + 1);
    for (size_t i = 0; i < std::size(damaged); ++i)
        EXPECT_EQ(contents.warnings[i].line, int(i) + 2) << damaged[i];
    EXPECT_EQ(JournalWarningText(contents.warnings[0]), "line 2: not JSON; skipped");
    ASSERT_EQ(contents.entries.size(), 1u);
    EXPECT_EQ(FileText().substr(0, before.size()), before) << "the file was rewritten";
    EXPECT_EQ(journal.Read().entries[0].state, JournalState::Done);
}

// Ids follow the last one in the file, so their order stays that of the
// programmings when the clock was set back.
TEST_F(CJournalTest, IdsFollowTheLastIdEvenFromTheFuture) {
    const CJournal journal(Path());
    JournalRecord first = SizesRecord({1}, {2});
    std::string error;
    ASSERT_TRUE(journal.RecordStart(first, error)) << error;
    std::string future = FileText();
    future.replace(future.find(first.id), first.id.size(), "29991231-235959-999999");
    std::ofstream(Path(), std::ios::app) << future;
    JournalRecord next = SizesRecord({2}, {3});

    ASSERT_TRUE(journal.RecordStart(next, error)) << error;

    EXPECT_EQ(next.id, "30000101-000000-000000");
    EXPECT_EQ(next.time, "3000-01-01T00:00:00Z");
}

TEST_F(CJournalTest, WritersInSeveralProcessesLeaveOnlyWholeLinesInOrder) {
    constexpr int kWriters = 3;
    constexpr int kRecords = 60;
    std::vector<pid_t> children;
    for (int w = 0; w < kWriters; ++w) {
        const pid_t pid = ::fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            // Long lines, so that a writer that wrote in pieces would show.
            JournalRecord record = SizesRecord({1}, {2});
            record.model = std::string(40000, char('A' + w));
            const CJournal journal(Path());
            std::string error;
            bool ok = true;
            for (int i = 0; i < kRecords; ++i)
                ok = journal.RecordStart(record, error) && ok;
            ::_exit(ok ? 0 : 1);
        }
        children.push_back(pid);
    }
    for (pid_t pid : children) {
        int status = 0;
        ::waitpid(pid, &status, 0);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }

    std::istringstream lines(FileText());
    std::string previous;
    int count = 0;
    std::string why;
    for (std::string line; std::getline(lines, line); ++count) {
        const auto record = ParseJournalLine(line, why);
        ASSERT_TRUE(record) << "line " << count + 1 << ": " << why;
        EXPECT_EQ(record->model.find_first_not_of(record->model[0]), std::string::npos);
        EXPECT_LT(previous, record->id);
        previous = record->id;
    }
    EXPECT_EQ(count, kWriters * kRecords);
}
