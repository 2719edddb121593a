#include "KtrctlJournal.h"

#include "Terminal.h"

#include <memory>

namespace {

bool g_wanted = true;

} // namespace

void UseJournal(bool on) {
    g_wanted = on;
}

const CJournal* ProgrammingJournal() {
    static const CJournal journal;
    return g_wanted ? &journal : nullptr;
}

bool JournalReady() {
    const CJournal* journal = ProgrammingJournal();
    std::string why;
    if (!journal || journal->CheckWritable(why))
        return true;
    PrintJournalNotWritable(why);
    return false;
}

void PrintJournalNotWritable(const std::string& why) {
    PrintError("the programming journal " + ProgrammingJournal()->Path() + " cannot be written (" +
               why + "); nothing was sent (--no-journal programs without a record)");
}
