#pragma once

#include "model/CCalCurve.h"
#include "model/CSizeList.h"

#include <string>
#include <vector>

// Notes for values that a counter received other than they were given: a
// size goes out in the counter's 3-character field (15.5 as "15.", read
// back as 15), a calibration number with three decimals at most. Both
// lists are in the order sent; given is the validated (sorted) table, sent
// the record as programmed. One note per changed value or point.
std::vector<std::string> SizeChangeNotes(const CSizeList& given, const CSizeList& sent);
std::vector<std::string> CalibrationChangeNotes(const CCalCurve& given, const CCalCurve& sent);

// The shortest text that reads back as value ("15.5", "0.1", "1e-05").
std::string ShortestText(double value);
