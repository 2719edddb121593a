// The counter link's texts: reply checks, parsers, formatting and the
// validation of tables before anything is sent.

#include "link/CCounterLink.h"

#include "link/IMessageDisplay.h"
#include "link/Numbers.h"
#include "link/ReplyFormat.h"
#include "model/CCalCurve.h"
#include "model/CSensor.h"
#include "model/CSizeList.h"
#include "res/StringTable.h"

#include <cmath>
#include <cstdio>

namespace {

// What a reply adds to the values: " C/S ", the checksum (a byte sum of at
// most 1024 bytes has at most 6 hexadecimal digits) and CR LF.
constexpr size_t kReplyTail = 5 + 6 + 2;
constexpr size_t kSizeFieldWidth = 3;

// Every size list that validation lets through has a reply that fits the
// size reply buffer, so sizes need no check of their own for it.
static_assert(CCounterLink::kMaxSizes * (1 + kSizeFieldWidth) + kReplyTail <=
              CCounterLink::kSizesReplySize);

// The text before the first marker (for ParseSizes: nothing when the marker
// is missing or stands first).
std::string SizesData(const std::string& text) {
    const auto marker = FindReplyMarker(text);
    if (marker == std::string::npos || marker == 0)
        return std::string();
    return text.substr(0, marker);
}

// The text before the first marker; a text without the marker (the text the
// program itself sends) is taken whole, with a space that ends its last value.
std::string CalibrationData(const std::string& text) {
    const auto marker = FindReplyMarker(text);
    if (marker == std::string::npos)
        return text + ' ';
    return text.substr(0, marker);
}

// Calls take(value) for each token that a space ends, after leading spaces;
// each space ends exactly one token, so two spaces give an empty token (0).
// A last token without a space after it is dropped. Returns the count.
template <typename Take> int ForEachValue(const std::string& data, Take take) {
    const auto first = data.find_first_not_of(' ');
    if (first == std::string::npos)
        return 0;
    int count = 0;
    std::string token;
    for (size_t i = first; i < data.size(); ++i) {
        if (data[i] != ' ') {
            token += data[i];
            continue;
        }
        take(AtofC(token));
        token.clear();
        ++count;
    }
    return count;
}

// Adds message id (its table text unless text is given) to a refusal.
void Refuse(LinkResult& result, unsigned id, std::string text = std::string()) {
    result.status = LinkStatus::Refused;
    result.messages.push_back({id, text.empty() ? LoadString(id) : std::move(text)});
}

LinkResult Refusal(unsigned id, std::string text = std::string()) {
    LinkResult result;
    Refuse(result, id, std::move(text));
    return result;
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
            Refuse(result, IDS_CAL_SIZES_NOT_ASCENDING);
        if (!Follows(voltage, prevVoltage))
            Refuse(result, IDS_CAL_VOLTAGES_NOT_ASCENDING);
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
    return Refusal(IDS_CAL_REPLY_TOO_LONG, text);
}

} // namespace

// ----------------------------------------------------------------- replies

bool CCounterLink::CheckReply(const std::string& reply) {
    return JudgeReply(reply) == ReplyVerdict::Valid;
}

uint32_t CCounterLink::ParseHex(const std::string& text) {
    uint32_t value = 0;
    for (char c : text) {
        uint32_t digit = 0;
        if (c >= '0' && c <= '9')
            digit = static_cast<uint32_t>(c - '0');
        else if (c >= 'A' && c <= 'F')
            digit = static_cast<uint32_t>(c - 'A' + 10);
        value = (value << 4) | digit;
    }
    return value;
}

uint32_t CCounterLink::TextChecksum(const std::string& text) {
    uint32_t sum = 0;
    for (char c : text)
        sum += static_cast<unsigned char>(c);
    return sum;
}

bool CCounterLink::ParseSizes(const std::string& text, CSensor& sensor) {
    CSizeList& sizes = sensor.GetSizes();
    sizes.RemoveAll();
    const int count = ForEachValue(SizesData(text), [&](double v) { sizes.AddTail(v); });
    return count > 0;
}

bool CCounterLink::ParseCalibration(const std::string& text, CSensor& sensor) {
    CCalCurve& curve = sensor.GetCalCurve();
    curve.RemoveAll();
    bool haveSize = false;
    double size = 0;
    const int count = ForEachValue(CalibrationData(text), [&](double v) {
        if (haveSize)
            curve.AddTail(CCalPoint(size, v));
        else
            size = v;
        haveSize = !haveSize;
    });
    return count > 0;
}

// -------------------------------------------------------------- validation

// Besides the order of the sizes, checks them as the counter will hold
// them: at most 32, each fitting the 3-character field, and the fields
// themselves still ascending (15.2 and 15.7 would both arrive as 15).
LinkResult CCounterLink::CheckSizes(CSizeList& sizes) {
    sizes.Sort();
    if (sizes.IsEmpty())
        return Refusal(IDS_NEED_ONE_SIZE);
    if (sizes.GetCount() > kMaxSizes)
        return Refusal(IDS_TOO_MANY_SIZES);
    if (!SizesAscend(sizes, &AsIs))
        return Refusal(IDS_SIZES_NOT_ASCENDING);
    if (!SizesFitField(sizes))
        return Refusal(IDS_SIZE_TOO_LARGE);
    if (!SizesAscend(sizes, &SizeAsSent))
        return Refusal(IDS_SIZES_NOT_ASCENDING);
    return LinkResult();
}

// Checks the curve as given, then as the counter will receive it (3
// decimals), so that rounding can neither merge two points nor send a 0;
// last, that the counter's reply could carry it back.
LinkResult CCounterLink::CheckCalibration(CCalCurve& curve) {
    curve.Sort();
    if (curve.GetCount() < 3)
        return Refusal(IDS_NEED_THREE_POINTS);
    LinkResult result = CurveAscends(curve, &AsIs);
    if (result.Ok())
        result = CurveAscends(curve, &CalAsSent);
    if (result.Ok())
        result = CurveReplyFits(curve);
    return result;
}

void CCounterLink::ShowRefusal(const LinkResult& result) {
    if (result.status != LinkStatus::Refused)
        return;
    for (const LinkMessage& message : result.messages)
        MessageDisplay().Show(message.id, message.text, LoadString(IDS_APP_NAME), MsgButtons::Ok,
                              MsgIcon::Warning);
}

bool CCounterLink::ValidateSizes(CSizeList& sizes) {
    const LinkResult result = CheckSizes(sizes);
    ShowRefusal(result);
    return result.Ok();
}

bool CCounterLink::ValidateCalibration(CCalCurve& curve) {
    const LinkResult result = CheckCalibration(curve);
    ShowRefusal(result);
    return result.Ok();
}

// ------------------------------------------------------------- programming

LinkResult CCounterLink::TryProgramSizes(CSensor& sensor, CSizeList& sizes) {
    LinkResult result = CheckSizes(sizes);
    std::string text;
    if (!result.Ok() || !FormatSizes(sizes, text))
        return result;
    const uint32_t checksum = TextChecksum(text);
    text += " C/S ";
    text += FormatChecksum(checksum);
    return TrySendSizes(sensor, text);
}

LinkResult CCounterLink::TryProgramCalibration(CSensor& sensor, CCalCurve& curve) {
    LinkResult result = CheckCalibration(curve);
    std::string text;
    if (!result.Ok() || !FormatCalibration(curve, text))
        return result;
    return TrySendCalibration(sensor, text);
}

bool CCounterLink::ProgramSizes(CSensor& sensor, CSizeList& sizes) {
    const LinkResult result = TryProgramSizes(sensor, sizes);
    ShowRefusal(result);
    return result.Ok();
}

bool CCounterLink::ProgramCalibration(CSensor& sensor, CCalCurve& curve) {
    const LinkResult result = TryProgramCalibration(sensor, curve);
    ShowRefusal(result);
    return result.Ok();
}

bool CCounterLink::FormatSizes(const CSizeList& sizes, std::string& text) {
    if (sizes.IsEmpty())
        return false;
    text.clear();
    for (auto pos = sizes.GetHeadPosition(); pos;) {
        text += ' ';
        text += FormatSizeField(sizes.GetNext(pos));
    }
    return true;
}

bool CCounterLink::FormatCalibration(const CCalCurve& curve, std::string& text) {
    if (curve.IsEmpty())
        return false;
    text.clear();
    for (auto pos = curve.GetHeadPosition(); pos;) {
        const CCalPoint& point = curve.GetNext(pos);
        text += ' ';
        text += FormatCalNumber(point.m_size);
        text += ' ';
        text += FormatCalNumber(point.m_voltage);
    }
    return true;
}

std::string CCounterLink::FormatChecksum(uint32_t value) {
    static const char kDigits[] = "0123456789ABCDEF";
    std::string text(6, '0');
    for (int i = 5; i >= 0; --i) {
        text[static_cast<size_t>(i)] = kDigits[value & 0xF];
        value >>= 4;
    }
    return text;
}
