#include "link/CCounterLink.h"

#include "link/CSerialPort.h"
#include "link/IMessageDisplay.h"
#include "link/IProgressIndicator.h"
#include "link/Numbers.h"
#include "link/SupportedModels.h"
#include "model/CCalCurve.h"
#include "model/CSensor.h"
#include "model/CSizeList.h"
#include "res/StringTable.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace {

// Read time-outs in milliseconds.
constexpr uint32_t kEchoTotalMs = 50;
constexpr uint32_t kSelectTotalMs = 100;
constexpr uint32_t kIdentifyTotalMs = 100;
constexpr uint32_t kIdentifyIntervalMs = 100;
constexpr uint32_t kSendTotalMs = 100;
constexpr uint32_t kSendIntervalMs = 100;

const char* const kMarker = "C/S";
const char* const kFlashOn = "o0001\r\n";
const char* const kFlashOff = "o0000\r\n";

void Warn(unsigned id) {
    ShowAppMessage(id, MsgButtons::Ok, MsgIcon::Warning);
}

// The text before the first "C/S" (for ParseSizes: nothing when the marker
// is missing or stands first).
std::string SizesData(const std::string& text) {
    const auto marker = text.find(kMarker);
    if (marker == std::string::npos || marker == 0)
        return std::string();
    return text.substr(0, marker);
}

// The text before the first "C/S"; a text without the marker (the text the
// program itself sends) is taken whole, with a space that ends its last value.
std::string CalibrationData(const std::string& text) {
    const auto marker = text.find(kMarker);
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
// through view. Shows 61237 and/or 61238 for the first point that breaks
// a rule.
bool CurveAscends(const CCalCurve& curve, double (*view)(double)) {
    double prevSize = 0;
    double prevVoltage = 0;
    for (auto pos = curve.GetHeadPosition(); pos;) {
        const CCalPoint& point = curve.GetNext(pos);
        const double size = view(point.m_size);
        const double voltage = view(point.m_voltage);
        bool ok = true;
        if (!Follows(size, prevSize)) {
            Warn(IDS_CAL_SIZES_NOT_ASCENDING);
            ok = false;
        }
        if (!Follows(voltage, prevVoltage)) {
            Warn(IDS_CAL_VOLTAGES_NOT_ASCENDING);
            ok = false;
        }
        if (!ok)
            return false;
        prevSize = size;
        prevVoltage = voltage;
    }
    return true;
}

} // namespace

// What differs between reading the sizes and reading the calibration.
struct CCounterLink::ReadPlan {
    uint8_t command;
    uint32_t totalBeforeCommand;
    uint32_t intervalBeforeCommand;
    uint32_t totalBeforeRead;
    size_t capacity;
    Parser parse;
};

CCounterLink::CCounterLink(CSerialPort* port, IProgressIndicator* progress)
    : m_port(port), m_progress(progress) {}

CCounterLink::~CCounterLink() = default;

IProgressIndicator& CCounterLink::Progress() const {
    return m_progress ? *m_progress : ProgressIndicator();
}

void CCounterLink::SetTimeouts(uint32_t totalConstant, uint32_t interval) {
    m_port->SetReadTotalTimeoutConstant(totalConstant);
    m_port->SetReadIntervalTimeout(interval);
}

// ---------------------------------------------------------------- framing

bool CCounterLink::SendEchoed(uint8_t byte) {
    if (!m_port)
        return false;
    m_port->SetReadTotalTimeoutConstant(kEchoTotalMs);
    uint8_t echo = 0;
    if (!m_port->Write(&byte, 1))
        return false;
    if (!m_port->Read(&echo, 1))
        return false;
    return echo == byte;
}

bool CCounterLink::SelectAddress(CSensor& sensor) {
    if (!m_port)
        return false;
    m_port->SetReadTotalTimeoutConstant(kSelectTotalMs);
    return SendEchoed(static_cast<uint8_t>(kAddressBase + sensor.GetAddress()));
}

bool CCounterLink::EndCommand() {
    if (!m_port)
        return false;
    const uint8_t release = kRelease;
    return m_port->Write(&release, 1);
}

bool CCounterLink::WriteBlock(const uint8_t* bytes, size_t length) {
    if (!m_port)
        return false;
    m_port->SetReadTotalTimeoutConstant(kEchoTotalMs);
    for (size_t i = 0; i < length; ++i) {
        uint8_t echo = 0;
        if (!m_port->Write(&bytes[i], 1) || !m_port->Read(&echo, 1) || echo != bytes[i])
            return false;
        Progress().StepIt();
    }
    return true;
}

bool CCounterLink::WriteBlock(std::string_view text) {
    return WriteBlock(reinterpret_cast<const uint8_t*>(text.data()), text.size());
}

// Reads up to capacity bytes; the text is what arrived up to the first zero
// byte, never more than capacity bytes.
bool CCounterLink::ReadText(size_t capacity, std::string& text) {
    std::vector<uint8_t> buffer(capacity, 0);
    if (!m_port->Read(buffer.data(), buffer.size()))
        return false;
    const auto end = std::find(buffer.begin(), buffer.end(), 0);
    text.assign(buffer.begin(), end);
    return true;
}

// ---------------------------------------------------------- identification

bool CCounterLink::Identify(CSensor& sensor) {
    if (!m_port)
        return false;
    bool ok = SelectAddress(sensor);
    std::string reply;
    if (ok) {
        SetTimeouts(kIdentifyTotalMs, kIdentifyIntervalMs);
        ok = SendEchoed(kIdentify) && ReadText(kModelReplySize, reply);
    }
    if (ok && IsSupportedModel(reply))
        sensor.SetModel(reply);
    else
        ok = false;
    EndCommand();
    return ok;
}

bool CCounterLink::IsSupportedModel(const std::string& model) {
    static const char* const kTrimmed = " \r\n";
    const auto first = model.find_first_not_of(kTrimmed);
    if (first == std::string::npos)
        return IsModelListed(std::string());
    const auto last = model.find_last_not_of(kTrimmed);
    return IsModelListed(model.substr(first, last - first + 1));
}

// ----------------------------------------------------------------- reading

bool CCounterLink::ReadSizes(CSensor& sensor) {
    static const ReadPlan plan{.command = kSizes,
                               .totalBeforeCommand = 500,
                               .intervalBeforeCommand = 200,
                               .totalBeforeRead = 500,
                               .capacity = kSizesReplySize,
                               .parse = &ParseSizes};
    return ReadTable(sensor, plan);
}

bool CCounterLink::ReadCalibration(CSensor& sensor) {
    static const ReadPlan plan{.command = kCalibration,
                               .totalBeforeCommand = 100,
                               .intervalBeforeCommand = 100,
                               .totalBeforeRead = 250,
                               .capacity = kCalibrationReplySize,
                               .parse = &ParseCalibration};
    return ReadTable(sensor, plan);
}

// Up to three attempts, then one release byte whatever the outcome.
bool CCounterLink::ReadTable(CSensor& sensor, const ReadPlan& plan) {
    if (!m_port)
        return false;
    bool ok = false;
    for (int attempt = 0; attempt < kAttempts && !ok; ++attempt)
        ok = ReadAttempt(sensor, plan);
    EndCommand();
    return ok;
}

bool CCounterLink::ReadAttempt(CSensor& sensor, const ReadPlan& plan) {
    if (!SelectAddress(sensor))
        return false;
    SetTimeouts(plan.totalBeforeCommand, plan.intervalBeforeCommand);
    if (!SendEchoed(plan.command) || !SendEchoed(kCR) || !SendEchoed(kLF))
        return false;
    // The echo reads left the total constant at 50 ms.
    m_port->SetReadTotalTimeoutConstant(plan.totalBeforeRead);
    std::string reply;
    if (!ReadText(plan.capacity, reply))
        return false;
    return CheckReply(reply) && plan.parse(reply, sensor);
}

bool CCounterLink::CheckReply(const std::string& reply) {
    std::string upper = reply;
    for (char& c : upper)
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    const size_t marker = upper.find(kMarker);
    if (marker == std::string::npos)
        return false;
    // The data ends before the space that precedes the marker; the digits
    // start after the marker and the one character that follows it.
    const std::string data = marker >= 2 ? upper.substr(0, marker - 1) : std::string();
    const size_t digitsStart = marker + 4;
    std::string tail = digitsStart < upper.size() ? upper.substr(digitsStart) : std::string();
    while (!tail.empty() && tail.back() == '\n')
        tail.pop_back();
    while (!tail.empty() && tail.back() == '\r')
        tail.pop_back();
    return TextChecksum(data) == ParseHex(tail);
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

bool CCounterLink::ProgramSizes(CSensor& sensor, CSizeList& sizes) {
    if (!ValidateSizes(sizes))
        return false;
    std::string text;
    if (!FormatSizes(sizes, text))
        return false;
    const uint32_t checksum = TextChecksum(text);
    text += " C/S ";
    text += FormatChecksum(checksum);
    return SendSizes(sensor, text);
}

bool CCounterLink::ProgramCalibration(CSensor& sensor, CCalCurve& curve) {
    if (!ValidateCalibration(curve))
        return false;
    std::string text;
    if (!FormatCalibration(curve, text))
        return false;
    return SendCalibration(sensor, text);
}

// Besides the order of the sizes, checks them as the counter will hold
// them: each must fit the 3-character field, and the fields themselves
// must still be ascending (15.2 and 15.7 would both arrive as 15).
bool CCounterLink::ValidateSizes(CSizeList& sizes) {
    sizes.Sort();
    if (sizes.IsEmpty()) {
        Warn(IDS_NEED_ONE_SIZE);
        return false;
    }
    if (!SizesAscend(sizes, &AsIs)) {
        Warn(IDS_SIZES_NOT_ASCENDING);
        return false;
    }
    if (!SizesFitField(sizes)) {
        Warn(IDS_SIZE_TOO_LARGE);
        return false;
    }
    if (!SizesAscend(sizes, &SizeAsSent)) {
        Warn(IDS_SIZES_NOT_ASCENDING);
        return false;
    }
    return true;
}

// Checks the curve as given, then as the counter will receive it (3
// decimals), so that rounding can neither merge two points nor send a 0.
bool CCounterLink::ValidateCalibration(CCalCurve& curve) {
    curve.Sort();
    if (curve.GetCount() < 3) {
        Warn(IDS_NEED_THREE_POINTS);
        return false;
    }
    return CurveAscends(curve, &AsIs) && CurveAscends(curve, &CalAsSent);
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

bool CCounterLink::SendSizes(CSensor& sensor, const std::string& text) {
    return SendTable(sensor, kSizes, text, &ParseSizes);
}

bool CCounterLink::SendCalibration(CSensor& sensor, const std::string& text) {
    return SendTable(sensor, kCalibration, text, &ParseCalibration);
}

// Up to three attempts, then one release byte whatever the outcome.
bool CCounterLink::SendTable(CSensor& sensor, uint8_t command, const std::string& text,
                             Parser parse) {
    if (!m_port)
        return false;
    bool ok = false;
    for (int attempt = 0; attempt < kAttempts && !ok; ++attempt)
        ok = SendAttempt(sensor, command, text, parse);
    EndCommand();
    return ok;
}

// Succeeds only when every byte came back as its echo; only then is the
// sensor record replaced with the values as sent.
bool CCounterLink::SendAttempt(CSensor& sensor, uint8_t command, const std::string& text,
                               Parser parse) {
    Progress().SetRange(0, static_cast<int>(text.size()));
    Progress().SetPos(0);
    if (!SelectAddress(sensor))
        return false;
    SetTimeouts(kSendTotalMs, kSendIntervalMs);
    if (!SendLine(command, text))
        return false;
    return parse(text, sensor);
}

bool CCounterLink::SendLine(uint8_t command, std::string_view text) {
    return SendEchoed(command) && WriteBlock(text) && SendEchoed(kCR) && SendEchoed(kLF);
}

bool CCounterLink::SetFlash(CSensor& sensor, bool on) {
    if (!m_port)
        return false;
    bool ok = SelectAddress(sensor);
    if (ok)
        ok = WriteBlock(on ? kFlashOn : kFlashOff);
    EndCommand();
    return ok;
}
