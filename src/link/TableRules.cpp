#include "link/TableRules.h"

#include "link/CCounterLink.h"
#include "link/Numbers.h"
#include "res/StringTable.h"

#include <charconv>
#include <cmath>
#include <cstdio>

namespace {

// What a reply adds to the values: " C/S ", the checksum (a byte sum of at
// most 1024 bytes has at most 6 hexadecimal digits) and CR LF.
constexpr size_t kReplyTail = 5 + 6 + 2;
constexpr size_t kSizeFieldWidth = 3;

// Every size list that the rules let through has a reply that fits the
// size reply buffer, so sizes need no check of their own for it.
static_assert(TableRules::kMaxSizes * (1 + kSizeFieldWidth) + kReplyTail <=
              CCounterLink::kSizesReplySize);

// Adds message id (its table text unless text is given) to a refusal.
void Refuse(LinkResult& result, TableRule rule, unsigned id, std::string text = std::string()) {
    result.status = LinkStatus::Refused;
    result.rule = rule;
    result.messages.push_back({id, text.empty() ? LoadString(id) : std::move(text)});
}

LinkResult Refusal(TableRule rule, unsigned id, std::string text = std::string()) {
    LinkResult result;
    Refuse(result, rule, id, std::move(text));
    return result;
}

// A bound as the dialogs show it: 15 significant digits, no trailing zeros.
std::string BoundText(double value) {
    char text[32];
    const auto end = std::to_chars(text, text + sizeof text, value, std::chars_format::general, 15);
    return std::string(text, end.ptr);
}

void ReplaceFirst(std::string& text, const std::string& what, const std::string& with) {
    const auto at = text.find(what);
    if (at != std::string::npos)
        text.replace(at, what.size(), with);
}

double AsIs(double value) {
    return value;
}

// The value the counter receives for a calibration number.
double CalAsSent(double value) {
    return AtofC(FormatCalNumber(value));
}

// The value the counter receives for a size (its 3-character field).
double SizeAsSent(double value) {
    return AtofC(FormatSizeField(value));
}

// A curve value that the ascending checks accept after prev. NaN fails every
// comparison, and infinity must never reach the counter either.
bool Follows(double value, double prev) {
    return std::isfinite(value) && value > prev;
}

// Sizes strictly ascending from 0, as seen through view. A NaN fails the
// comparison; an infinite size is left to SizesFitField, which refuses it
// with the message about the field's limit.
bool SizesAscend(const CSizeList& sizes, double (*view)(double)) {
    double prev = 0;
    for (auto pos = sizes.GetHeadPosition(); pos;) {
        const double v = view(sizes.GetNext(pos));
        if (!(v > prev))
            return false;
        prev = v;
    }
    return true;
}

// A size whose 3-character field would stand for another number: 1000 and
// above lose their last digits (1000 goes out as 100), and so does a value
// that "%0.2f" rounds up to 1000. Below that the field differs from the
// size by less than its resolution (at most 1).
bool SizesFitField(const CSizeList& sizes) {
    for (auto pos = sizes.GetHeadPosition(); pos;) {
        const double v = sizes.GetNext(pos);
        if (!(std::fabs(v - SizeAsSent(v)) < 1.0))
            return false;
    }
    return true;
}

// Sizes and voltages strictly ascending from 0 along the curve, as seen
// through view. The first point that breaks a rule gives 61237 and/or 61238.
LinkResult CurveAscends(const CCalCurve& curve, double (*view)(double)) {
    double prevSize = 0;
    double prevVoltage = 0;
    LinkResult result;
    for (auto pos = curve.GetHeadPosition(); pos && result.Ok();) {
        const CCalPoint& point = curve.GetNext(pos);
        const double size = view(point.m_size);
        const double voltage = view(point.m_voltage);
        if (!Follows(size, prevSize))
            Refuse(result, TableRule::Order, IDS_CAL_SIZES_NOT_ASCENDING);
        if (!Follows(voltage, prevVoltage))
            Refuse(result, TableRule::Order, IDS_CAL_VOLTAGES_NOT_ASCENDING);
        prevSize = size;
        prevVoltage = voltage;
    }
    return result;
}

// How many points, from the first, the counter's calibration reply can
// carry: each point goes back as the texts it was sent as.
int PointsThatFit(const CCalCurve& curve) {
    size_t length = kReplyTail;
    int fit = 0;
    for (auto pos = curve.GetHeadPosition(); pos; ++fit) {
        const CCalPoint& point = curve.GetNext(pos);
        length +=
            2 + FormatCalNumber(point.m_size).size() + FormatCalNumber(point.m_voltage).size();
        if (length > CCounterLink::kCalibrationReplySize)
            break;
    }
    return fit;
}

LinkResult CurveReplyFits(const CCalCurve& curve) {
    const int fit = PointsThatFit(curve);
    if (fit == curve.GetCount())
        return LinkResult();
    char text[512];
    std::snprintf(text, sizeof text, LoadString(IDS_CAL_REPLY_TOO_LONG).c_str(),
                  static_cast<int>(CCounterLink::kCalibrationReplySize), fit, curve.GetCount());
    return Refusal(TableRule::ReplySize, IDS_CAL_REPLY_TOO_LONG, text);
}

} // namespace

namespace TableRules {

LinkResult CheckRange(double value, const Range& range) {
    if (value >= range.lower && value <= range.upper)
        return LinkResult();
    std::string text = LoadString(IDS_ENTER_NUMBER_BETWEEN);
    ReplaceFirst(text, "%1", BoundText(range.lower));
    ReplaceFirst(text, "%2", BoundText(range.upper));
    return Refusal(TableRule::Range, IDS_ENTER_NUMBER_BETWEEN, text);
}

LinkResult CheckRoomForSize(const CSizeList& sizes) {
    return sizes.GetCount() < kMaxSizes ? LinkResult()
                                        : Refusal(TableRule::Count, IDS_TOO_MANY_SIZES);
}

bool SizeExists(const CSizeList& sizes, double size, CSizeList::POSITION skip) {
    for (auto pos = sizes.GetHeadPosition(); pos;) {
        const auto here = pos;
        if (sizes.GetNext(pos) == size && here != skip)
            return true;
    }
    return false;
}

bool CalPointExists(const CCalCurve& curve, const CCalPoint& point, CCalCurve::POSITION skip) {
    for (auto pos = curve.GetHeadPosition(); pos;) {
        const auto here = pos;
        const CCalPoint& other = curve.GetNext(pos);
        if (here != skip && (other.m_size == point.m_size || other.m_voltage == point.m_voltage))
            return true;
    }
    return false;
}

// Besides the order of the sizes, checks them as the counter will hold
// them: at most 32, each fitting the 3-character field, and the fields
// themselves still ascending (15.2 and 15.7 would both arrive as 15).
LinkResult CheckSizes(CSizeList& sizes) {
    sizes.Sort();
    if (sizes.IsEmpty())
        return Refusal(TableRule::Count, IDS_NEED_ONE_SIZE);
    if (sizes.GetCount() > kMaxSizes)
        return Refusal(TableRule::Count, IDS_TOO_MANY_SIZES);
    if (!SizesAscend(sizes, &AsIs))
        return Refusal(TableRule::Order, IDS_SIZES_NOT_ASCENDING);
    if (!SizesFitField(sizes))
        return Refusal(TableRule::FieldWidth, IDS_SIZE_TOO_LARGE);
    if (!SizesAscend(sizes, &SizeAsSent))
        return Refusal(TableRule::Order, IDS_SIZES_NOT_ASCENDING);
    return LinkResult();
}

// Checks the curve as given, then as the counter will receive it (3
// decimals), so that rounding can neither merge two points nor send a 0;
// last, that the counter's reply could carry it back.
LinkResult CheckCalibration(CCalCurve& curve) {
    curve.Sort();
    if (curve.GetCount() < kMinPoints)
        return Refusal(TableRule::Count, IDS_NEED_THREE_POINTS);
    LinkResult result = CurveAscends(curve, &AsIs);
    if (result.Ok())
        result = CurveAscends(curve, &CalAsSent);
    if (result.Ok())
        result = CurveReplyFits(curve);
    return result;
}

LinkResult PrepareSizes(CSizeList& sizes, std::string& text) {
    text.clear();
    LinkResult result = CheckSizes(sizes);
    if (!result.Ok() || !CCounterLink::FormatSizes(sizes, text))
        return result;
    const uint32_t checksum = CCounterLink::TextChecksum(text);
    text += " C/S ";
    text += CCounterLink::FormatChecksum(checksum);
    return result;
}

LinkResult PrepareCalibration(CCalCurve& curve, std::string& text) {
    text.clear();
    LinkResult result = CheckCalibration(curve);
    if (result.Ok())
        CCounterLink::FormatCalibration(curve, text);
    return result;
}

} // namespace TableRules
