#pragma once

#include "link/LinkResult.h"

#include <optional>
#include <string>

class CCounterLink;
class CJournal;
class CSensor;
struct JournalRecord;

// How the journal took part in a programming.
enum class JournalUse {
    Off,                // no journal was asked for
    Recorded,           // the start and the outcome are in the journal
    NotWritable,        // the start could not be written: nothing was sent
    OutcomeNotRecorded, // the start is in the journal, the outcome is not
};

struct JournalledResult {
    // What the programming came to; nothing when the journal could not be
    // written and nothing was sent.
    std::optional<LinkResult> link;
    JournalUse journal = JournalUse::Off;
    std::string id;           // the entry's id once its start is recorded
    std::string journalError; // NotWritable, OutcomeNotRecorded: why

    bool Ok() const { return link && link->Ok(); }
};

// Sends a table text that the table rules have prepared through a counter
// link, recording it in the journal: first the start, with the table the
// sensor record holds and the table the text carries, then the text, then
// the outcome.
class CJournalledProgramming {
public:
    // journal null: program without a record. program: "ktrsetup" or "ktrctl".
    CJournalledProgramming(CCounterLink& link, const CJournal* journal, std::string program);

    JournalledResult SendSizes(CSensor& sensor, const std::string& text);
    JournalledResult SendCalibration(CSensor& sensor, const std::string& text);

private:
    template <typename Send> JournalledResult Program(JournalRecord& record, Send send);

    CCounterLink& m_link;
    const CJournal* m_journal;
    std::string m_program;
};
