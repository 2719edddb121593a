// The programming journal on Windows' own file calls: records read back
// with their tables and states, a last line left without its end is ended
// before the next record, and writers on several handles at once (as
// several programs) leave only whole lines.

#include "link/CJournal.h"
#include "link/JournalFile.h"

#include "support/JournalRecords.h"
#include "support/TableValues.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>
#include <windows.h>

namespace {

class WinJournalFileTest : public testing::Test {
protected:
    void SetUp() override {
        m_dir = std::filesystem::temp_directory_path() /
                ("ktr-journal-" + std::to_string(::GetCurrentProcessId()) + "-" +
                 std::to_string(::GetTickCount64()));
    }
    void TearDown() override { std::filesystem::remove_all(m_dir); }

    // In a folder that does not exist yet: the first record creates it.
    std::string Path() const { return (m_dir / "KTRSetup" / "journal.jsonl").string(); }

    std::filesystem::path m_dir;
};

} // namespace

TEST_F(WinJournalFileTest, RecordsReadBackAndACutLastLineIsEndedFirst) {
    const CJournal journal(Path());
    JournalRecord first = SizesRecord({0.3}, {1.5});
    std::string error;
    ASSERT_TRUE(journal.RecordStart(first, error)) << error;
    std::ofstream(Path(), std::ios::app | std::ios::binary) << "{\"id\":";
    ASSERT_TRUE(journal.RecordOutcome(first.id, JournalState::Done, "", error)) << error;
    JournalRecord second = SizesRecord({1.5}, {0.3});
    ASSERT_TRUE(journal.RecordStart(second, error)) << error;

    const JournalContents contents = journal.Read();

    EXPECT_TRUE(contents.error.empty()) << contents.error;
    ASSERT_EQ(contents.warnings.size(), 1u);
    EXPECT_EQ(contents.warnings[0].line, 2);
    ASSERT_EQ(contents.entries.size(), 2u);
    EXPECT_EQ(contents.entries[0].state, JournalState::Done);
    EXPECT_EQ(Values(contents.entries[0].start.after.sizes), std::vector<double>{1.5});
    EXPECT_EQ(contents.entries[0].start.user, JournalUserName());
    EXPECT_FALSE(JournalUserName().empty());
    EXPECT_EQ(contents.entries[1].state, JournalState::Started);
    EXPECT_LT(first.id, second.id);
}

TEST_F(WinJournalFileTest, WritersAtOnceLeaveOnlyWholeLinesWithRisingIds) {
    const CJournal journal(Path());
    std::string error;
    ASSERT_TRUE(journal.CheckWritable(error)) << error;
    constexpr int kWriters = 4, kRecords = 25;
    std::vector<std::thread> writers;
    for (int w = 0; w < kWriters; ++w)
        writers.emplace_back([&, w] {
            const CJournal own(Path());
            for (int i = 0; i < kRecords; ++i) {
                JournalRecord record = SizesRecord({double(w)}, {double(i)});
                std::string why;
                EXPECT_TRUE(own.RecordStart(record, why)) << why;
            }
        });
    for (std::thread& writer : writers)
        writer.join();

    const JournalContents contents = journal.Read();

    EXPECT_TRUE(contents.warnings.empty());
    EXPECT_EQ(contents.entries.size(), size_t(kWriters * kRecords));
    // Each id follows the one before it in the file, whoever wrote it.
    std::ifstream in(Path(), std::ios::binary);
    std::string line, last;
    while (std::getline(in, line)) {
        const std::string id = line.substr(line.find("\"id\":\"") + 6, 22);
        EXPECT_LT(last, id);
        last = id;
    }
}
