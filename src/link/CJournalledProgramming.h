#pragma once

#include "link/LinkResult.h"

#include <optional>
#include <string>

class CCounterLink;
class CJournal;
class CSensor;
class CSizeList;
class CCalCurve;
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

// Programs a table through a counter link, recording it in the journal:
// the table is sorted and checked first (a refused table sends nothing and
// is not recorded), then the start is written with the table the sensor
// record holds and the table as it will be sent, then the table is sent,
// then the outcome is written.
class CJournalledProgramming {
public:
    // journal null: program without a record. program: "ktrsetup" or "ktrctl".
    CJournalledProgramming(CCounterLink& link, const CJournal* journal, std::string program);

    JournalledResult ProgramSizes(CSensor& sensor, CSizeList& sizes);
    JournalledResult ProgramCalibration(CSensor& sensor, CCalCurve& curve);

private:
    template <typename Send> JournalledResult Program(JournalRecord& record, Send send);

    CCounterLink& m_link;
    const CJournal* m_journal;
    std::string m_program;
};
