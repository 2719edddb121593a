#pragma once

#include "link/JournalRecord.h"

#include <string>
#include <vector>

// One programming as the journal tells it: its started record and how it
// ended (Started when no outcome was recorded: the program was killed, or
// the machine went down, half-way).
struct JournalEntry {
    JournalRecord start;
    JournalState state = JournalState::Started;
    std::string reason;
    std::string endTime; // empty while Started
};

// A line that was skipped, and why.
struct JournalWarning {
    int line = 0; // 1-based
    std::string what;
};

struct JournalContents {
    std::vector<JournalEntry> entries; // oldest first (by id)
    std::vector<JournalWarning> warnings;
    std::string error; // not empty: the file could not be read at all
};

// The journal's file: $KTRSETUP_JOURNAL when set, otherwise the user's
// data folder (DefaultJournalPath()).
std::string JournalPath();

// The programming journal: an append-only file of JSON lines that any
// number of programs write at once. Records are only ever appended; a
// damaged line is skipped when reading, with a warning that names its
// line, and never rewritten.
class CJournal {
public:
    // How much of the file's end is read to find the last id.
    static constexpr size_t kTailBytes = 65536;

    explicit CJournal(std::string path = JournalPath());

    const std::string& Path() const { return m_path; }
    // Whether a record could be appended now (folder and file are created
    // when missing); false with why.
    bool CheckWritable(std::string& error) const;
    // Appends record as a started record, flushed to disk, after filling
    // in its id (later than every id already in the file, even when the
    // clock went back), time, user and host.
    bool RecordStart(JournalRecord& record, std::string& error) const;
    // Appends the outcome of the programming with this id.
    bool RecordOutcome(const std::string& id, JournalState state, const std::string& reason,
                       std::string& error) const;
    JournalContents Read() const;

    // The entries of a journal's text.
    static JournalContents Collect(const std::string& text);

private:
    std::string m_path;
};

// The entry with this id, or null.
const JournalEntry* FindJournalEntry(const JournalContents& contents, const std::string& id);

// "line 3: not JSON; skipped".
std::string JournalWarningText(const JournalWarning& warning);
