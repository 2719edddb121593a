#include "sim/CSimCounter.h"

#include "sim/SimText.h"

#include <algorithm>
#include <utility>

namespace {

constexpr size_t kMaxLine = 4096;
constexpr int64_t kNsPerMs = 1000000;

// Splits "data C/S digits" of a programming line. The data ends before the
// marker; the digits follow the marker and one separator character.
bool SplitAtMarker(const std::string& text, std::string& data, std::string& digits) {
    size_t marker = text.find("C/S");
    if (marker == std::string::npos)
        return false;
    data = text.substr(0, marker);
    digits = marker + 4 <= text.size() ? text.substr(marker + 4) : std::string();
    return true;
}

bool ParseHexDigits(const std::string& digits, uint32_t& value) {
    if (digits.empty() || digits.size() > 8)
        return false;
    value = 0;
    for (char c : digits) {
        int digit;
        if (c >= '0' && c <= '9')
            digit = c - '0';
        else if (c >= 'A' && c <= 'F')
            digit = c - 'A' + 10;
        else if (c >= 'a' && c <= 'f')
            digit = c - 'a' + 10;
        else
            return false;
        value = (value << 4) | static_cast<uint32_t>(digit);
    }
    return true;
}

// The checksum covers the data without the space that precedes the marker.
bool ChecksumMatches(const std::string& data, const std::string& digits) {
    uint32_t value = 0;
    if (!ParseHexDigits(digits, value))
        return false;
    std::string_view summed(data);
    if (!summed.empty() && summed.back() == ' ')
        summed.remove_suffix(1);
    uint32_t sum = SimByteSum(summed);
    return value == sum || value == (sum & 0xFFFFFFu);
}

bool ParseValues(std::string_view data, std::vector<double>& values) {
    values.clear();
    for (std::string_view token : SimTokens(data)) {
        auto value = SimParseNumber(token);
        if (!value)
            return false;
        values.push_back(*value);
    }
    return !values.empty();
}

} // namespace

CSimCounter::CSimCounter(const SimCounterConfig& config)
    : m_address(config.address), m_config(config) {}

SimCounterConfig CSimCounter::GetConfig() const {
    std::lock_guard lock(m_mutex);
    return m_config;
}

void CSimCounter::SetConfig(const SimCounterConfig& config) {
    std::lock_guard lock(m_mutex);
    m_config = config;
    m_config.address = m_address;
}

void CSimCounter::SetFaults(const SimFaults& faults) {
    std::lock_guard lock(m_mutex);
    m_config.faults = faults;
}

void CSimCounter::SetModel(const std::string& model) {
    std::lock_guard lock(m_mutex);
    m_config.model = model;
}

void CSimCounter::SetSizes(const std::vector<double>& sizes) {
    std::lock_guard lock(m_mutex);
    m_config.sizes = sizes;
}

void CSimCounter::SetPoints(const std::vector<std::pair<double, double>>& points) {
    std::lock_guard lock(m_mutex);
    m_config.points = points;
}

std::vector<double> CSimCounter::GetSizes() const {
    std::lock_guard lock(m_mutex);
    return m_config.sizes;
}

std::vector<std::pair<double, double>> CSimCounter::GetPoints() const {
    std::lock_guard lock(m_mutex);
    return m_config.points;
}

bool CSimCounter::IsFlashOn() const {
    std::lock_guard lock(m_mutex);
    return m_flashOn;
}

int CSimCounter::FlashCommands() const {
    std::lock_guard lock(m_mutex);
    return m_flashCommands;
}

int CSimCounter::SizesProgrammed() const {
    std::lock_guard lock(m_mutex);
    return m_sizesProgrammed;
}

int CSimCounter::CalibrationProgrammed() const {
    std::lock_guard lock(m_mutex);
    return m_calibrationProgrammed;
}

int CSimCounter::RejectedLines() const {
    std::lock_guard lock(m_mutex);
    return m_rejectedLines;
}

std::string CSimCounter::LastLine() const {
    std::lock_guard lock(m_mutex);
    return m_lastLine;
}

void CSimCounter::SetPresent(bool present) {
    std::lock_guard lock(m_mutex);
    m_present = present;
}

bool CSimCounter::IsPresent() const {
    std::lock_guard lock(m_mutex);
    return m_present;
}

bool CSimCounter::Select() {
    std::lock_guard lock(m_mutex);
    m_bytesSinceSelect = 0;
    m_echoStopped = false;
    m_line.clear();
    return m_present;
}

bool CSimCounter::Select(uint8_t addressByte, std::vector<SimOutByte>& out) {
    if (!Select())
        return false;
    std::lock_guard lock(m_mutex);
    Echo(addressByte, out);
    return true;
}

void CSimCounter::Release() {
    std::lock_guard lock(m_mutex);
    m_line.clear();
}

void CSimCounter::Release(bool byReleaseByte, std::vector<SimOutByte>& out) {
    Release();
    std::lock_guard lock(m_mutex);
    if (byReleaseByte)
        for (char c : m_config.faults.releaseNoise)
            out.push_back({static_cast<uint8_t>(c), 0});
}

bool CSimCounter::TakeHangUp() {
    std::lock_guard lock(m_mutex);
    return std::exchange(m_hangUp, false);
}

void CSimCounter::Receive(uint8_t byte, std::vector<SimOutByte>& out) {
    std::lock_guard lock(m_mutex);
    ++m_bytesSinceSelect;
    Echo(byte, out);
    if (m_line.empty() && byte == 'T') {
        m_lastLine = "T";
        const SimFaults faults = ReplyFaults('T');
        SendReply(m_config.model + std::string(std::max(faults.overlongBytes, 0), '#'), faults,
                  out);
        return;
    }
    m_line.push_back(static_cast<char>(byte));
    if (m_line.size() > kMaxLine)
        m_line.clear();
    else if (byte == '\n' && m_line.size() >= 2 && m_line[m_line.size() - 2] == '\r')
        EndOfLine(out);
}

// The echo of the byte at position m_bytesSinceSelect (0: the address byte).
void CSimCounter::Echo(uint8_t byte, std::vector<SimOutByte>& out) {
    const SimFaults& faults = m_config.faults;
    const int position = m_bytesSinceSelect;
    if (position == faults.hangUpAt)
        m_hangUp = true;
    if (faults.echoStopsAfter >= 0 && position > faults.echoStopsAfter)
        m_echoStopped = true;
    if (m_echoStopped)
        return;
    if (position == faults.echoNoiseAt)
        for (char c : faults.echoNoise)
            out.push_back({static_cast<uint8_t>(c), 0});
    if (position == faults.wrongEchoAt)
        byte ^= 0x01;
    const int64_t late = position == faults.lateEchoAt ? faults.lateEchoMs * kNsPerMs : 0;
    out.push_back({byte, late});
}

void CSimCounter::EndOfLine(std::vector<SimOutByte>& out) {
    std::string line = m_line.substr(0, m_line.size() - 2);
    m_line.clear();
    m_lastLine = line;
    if (line == "P") {
        const SimFaults faults = ReplyFaults('P');
        SendReply(BuildSizesReply(faults), faults, out);
    } else if (line == "K") {
        const SimFaults faults = ReplyFaults('K');
        SendReply(BuildCalibrationReply(faults), faults, out);
    } else if (line == "o0001" || line == "o0000") {
        m_flashOn = line == "o0001";
        ++m_flashCommands;
    } else if (!line.empty() && (line[0] == 'P' || line[0] == 'K')) {
        Program(line[0], line.substr(1));
    }
}

void CSimCounter::Program(char command, const std::string& text) {
    std::string data = text;
    std::string digits;
    bool hasMarker = SplitAtMarker(text, data, digits);
    std::vector<double> values;
    if (command == 'P') {
        bool ok = hasMarker && ChecksumMatches(data, digits) && ParseValues(data, values);
        if (!ok) {
            ++m_rejectedLines;
            return;
        }
        m_config.sizes = values;
        ++m_sizesProgrammed;
        return;
    }
    if (!ParseValues(data, values) || values.size() % 2 != 0) {
        ++m_rejectedLines;
        return;
    }
    m_config.points.clear();
    for (size_t i = 0; i < values.size(); i += 2)
        m_config.points.emplace_back(values[i], values[i + 1]);
    ++m_calibrationProgrammed;
}

// The faults for the reply to query: all of them, or, when the reply
// faults are limited to other queries or have been used up, none of the
// reply faults.
SimFaults CSimCounter::ReplyFaults(char query) const {
    SimFaults faults = m_config.faults;
    const bool onQuery =
        faults.replyFaultsOn.empty() || faults.replyFaultsOn.find(query) != std::string::npos;
    const bool left = faults.replyFaultsFor < 0 || m_faultedReplies < faults.replyFaultsFor;
    if (onQuery && left) {
        ++m_faultedReplies;
        return faults;
    }
    const SimFaults none;
    faults.badChecksum = none.badChecksum;
    faults.noMarker = none.noMarker;
    faults.noReply = none.noReply;
    faults.replyDelayMs = none.replyDelayMs;
    faults.gapAfterByte = none.gapAfterByte;
    faults.noise = none.noise;
    faults.overlongBytes = none.overlongBytes;
    return faults;
}

// Queues a reply with the timing faults: the delay before the first byte,
// noise ahead of the reply, and a gap after one of its bytes.
void CSimCounter::SendReply(const std::string& reply, const SimFaults& faults,
                            std::vector<SimOutByte>& out) const {
    if (faults.noReply)
        return;
    int64_t pause = static_cast<int64_t>(faults.replyDelayMs) * kNsPerMs;
    for (char c : faults.noise) {
        out.push_back({static_cast<uint8_t>(c), pause});
        pause = 0;
    }
    for (size_t i = 0; i < reply.size(); ++i) {
        if (faults.gapAfterByte >= 0 && static_cast<int>(i) == faults.gapAfterByte && i > 0)
            pause = static_cast<int64_t>(faults.gapMs) * kNsPerMs;
        out.push_back({static_cast<uint8_t>(reply[i]), pause});
        pause = 0;
    }
}

std::string CSimCounter::BuildSizesReply(const SimFaults& faults) const {
    if (!m_config.sizesReplyOverride.empty())
        return m_config.sizesReplyOverride;
    std::string data;
    for (double size : m_config.sizes)
        data += ' ' + SimFormatNumber(size);
    return BuildReply(data, faults);
}

std::string CSimCounter::BuildCalibrationReply(const SimFaults& faults) const {
    if (!m_config.calibrationReplyOverride.empty())
        return m_config.calibrationReplyOverride;
    std::string data;
    for (const auto& [size, voltage] : m_config.points)
        data += ' ' + SimFormatNumber(size) + ' ' + SimFormatNumber(voltage);
    return BuildReply(data, faults);
}

// data is the values, each after one space; the checksum covers exactly
// that, and the space before the marker follows it.
std::string CSimCounter::BuildReply(const std::string& data, const SimFaults& faults) const {
    std::string padded = std::string(std::max(faults.overlongBytes, 0), ' ') + data;
    uint32_t sum = SimByteSum(padded) + (faults.badChecksum ? 1 : 0);
    std::string marker = faults.noMarker ? " " : " C/S ";
    return padded + marker + SimChecksumText(sum, m_config.lowerCaseChecksum) + "\r\n";
}
