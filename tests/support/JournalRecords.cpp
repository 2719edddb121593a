#include "support/JournalRecords.h"

JournalRecord SizesRecord(const std::vector<double>& before, const std::vector<double>& after) {
    JournalRecord record;
    record.program = "ktrctl";
    record.port = 3;
    record.device = "/dev/ttyS2";
    record.address = 7;
    record.model = "KTR-100";
    for (double v : before)
        record.before.sizes.AddTail(v);
    for (double v : after)
        record.after.sizes.AddTail(v);
    return record;
}
