// The counter link's texts: reply checks, parsers and formatting, and the
// programming of a table once the table rules let it through.

#include "link/CCounterLink.h"

#include "link/Numbers.h"
#include "link/ReplyFormat.h"
#include "link/TableRules.h"
#include "model/CCalCurve.h"
#include "model/CSensor.h"
#include "model/CSizeList.h"


namespace {

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

// ------------------------------------------------------------- programming

LinkResult CCounterLink::ProgramSizes(CSensor& sensor, CSizeList& sizes) {
    std::string text;
    const LinkResult result = TableRules::PrepareSizes(sizes, text);
    return result.Ok() ? SendSizes(sensor, text) : result;
}

LinkResult CCounterLink::ProgramCalibration(CSensor& sensor, CCalCurve& curve) {
    std::string text;
    const LinkResult result = TableRules::PrepareCalibration(curve, text);
    return result.Ok() ? SendCalibration(sensor, text) : result;
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
