#pragma once

#include "link/LinkResult.h"
#include "model/CCalCurve.h"
#include "model/CSizeList.h"

#include <string>

// The counter's rules for its two tables, in one place: how many values a
// table holds, the range of a value, duplicates, ascending order, the
// counter's field width and what its reply buffer can carry back. The
// dialogs, the lists, the save and ktrctl all ask here; nothing is shown.
// A refusal is a LinkResult with status Refused, the rule that refused and
// the messages (string-table id and text) a front end shows, in order.
namespace TableRules {

// The most sizes a counter holds; the fewest points of a curve.
constexpr int kMaxSizes = 32;
constexpr int kMinPoints = 3;

// The values a dialog accepts, both bounds included. The lower bound is the
// single-precision value nearest to 0.01, as the counters' own tools use it.
struct Range {
    double lower;
    double upper;
};
constexpr Range kSizeRange{static_cast<double>(0.01f), 999.0};
// Calibration curves run to several thousand millivolts.
constexpr Range kVoltageRange{static_cast<double>(0.01f), 99999.0};

// Refused with the range message naming range's bounds when value lies
// outside it.
LinkResult CheckRange(double value, const Range& range);

// Whether one more size may be added (the 32-size limit).
LinkResult CheckRoomForSize(const CSizeList& sizes);
// A size equal to one in the list (skip: the element being edited).
bool SizeExists(const CSizeList& sizes, double size, CSizeList::POSITION skip = nullptr);
// A point whose size or voltage equals that of another point.
bool CalPointExists(const CCalCurve& curve, const CCalPoint& point,
                    CCalCurve::POSITION skip = nullptr);

// Sort the table in place and check it as the counter will hold it.
LinkResult CheckSizes(CSizeList& sizes);
LinkResult CheckCalibration(CCalCurve& curve);

// CheckX, then the text exactly as it goes to the counter (the sizes with
// their checksum); text is left empty when the table is refused.
LinkResult PrepareSizes(CSizeList& sizes, std::string& text);
LinkResult PrepareCalibration(CCalCurve& curve, std::string& text);

} // namespace TableRules
