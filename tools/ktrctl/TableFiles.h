#pragma once

#include "model/CCalCurve.h"
#include "model/CSizeList.h"

#include <optional>
#include <string>

// Tables read from files for programming. Each reader returns nothing and
// fills error with a sentence for the user when the file cannot be read or
// does not hold what it should; nothing is checked against the counter's
// rules here (the counter link does that before anything is sent).

// The tables of a counter's record as `ktrctl read --json` prints it:
// {"port":3,"address":5,"model":"KTR-100","sizes":[...],"calibration":[[s,v],...]}.
// Either table may be absent, not both; port and address are not used;
// any other key is refused, so a misspelt table is never silently left out.
struct TableRecord {
    std::optional<CSizeList> sizes;
    std::optional<CCalCurve> curve;
    std::string model; // empty when the record names none
    // Whether the tables may go to a counter of another model (--force).
    bool otherModelAllowed = false;
};
std::optional<TableRecord> ReadRecordFile(const std::string& path, std::string& error);

// A calibration sheet as CSV: one point per line, "size,voltage", with a
// point as the decimal separator. The first line may instead be a header:
// two column names, neither starting like a number. Blank lines and lines
// starting with '#' are skipped; blanks and double quotes around a value,
// CR line ends and a UTF-8 byte-order mark are allowed.
std::optional<CCalCurve> ReadCalibrationCsv(const std::string& path, std::string& error);
