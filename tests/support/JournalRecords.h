#pragma once

#include "link/JournalRecord.h"

#include <vector>

// A ktrctl programming of sizes on COM3, address 7, model KTR-100, with the
// tables before and after it, for journal tests.
JournalRecord SizesRecord(const std::vector<double>& before, const std::vector<double>& after);
