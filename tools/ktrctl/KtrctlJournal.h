#pragma once

#include "link/CJournal.h"

// The programming journal as ktrctl uses it: every programming is recorded
// unless --no-journal was given.

// Whether programmings are recorded; on until --no-journal turns it off.
void UseJournal(bool on);
// The journal to record in, or null with --no-journal.
const CJournal* ProgrammingJournal();
// Whether a programming may start: the journal can be written, or none is
// wanted. Says on stderr why not; nothing has been sent then.
bool JournalReady();
// "the programming journal <path> cannot be written (<why>); nothing was
// sent (--no-journal programs without a record)", on stderr.
void PrintJournalNotWritable(const std::string& why);
