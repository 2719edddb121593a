#pragma once

#include "sim/SimCounterConfig.h"

#include <cstdint>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

// A byte a counter sends, and the least pause before it: after the previous
// byte the counter sent, or after the byte that caused it for the first one.
struct SimOutByte {
    uint8_t byte = 0;
    int64_t pauseNs = 0;
};

// The behaviour of one counter at one network address: it echoes what it is
// sent while selected, answers the T, P and K queries, stores programmed
// sizes and calibration points and switches its flash. The port's thread
// drives it; every public getter and setter may be called from any thread.
class CSimCounter {
public:
    explicit CSimCounter(const SimCounterConfig& config);
    CSimCounter(const CSimCounter&) = delete;
    CSimCounter& operator=(const CSimCounter&) = delete;

    int GetAddress() const { return m_address; }

    // The configuration with the tables as the counter now holds them.
    SimCounterConfig GetConfig() const;
    // Replaces model, tables, checksum case, overrides and faults; the
    // address stays (config.address is ignored).
    void SetConfig(const SimCounterConfig& config);
    void SetFaults(const SimFaults& faults);
    void SetModel(const std::string& model);
    void SetSizes(const std::vector<double>& sizes);
    void SetPoints(const std::vector<std::pair<double, double>>& points);

    std::vector<double> GetSizes() const;
    std::vector<std::pair<double, double>> GetPoints() const;
    bool IsFlashOn() const;
    // Flash texts received ("o0001" or "o0000" followed by CR LF).
    int FlashCommands() const;
    // Programming lines stored, and programming lines refused (no values,
    // an odd number of calibration tokens, a size checksum that does not match).
    int SizesProgrammed() const;
    int CalibrationProgrammed() const;
    int RejectedLines() const;
    // The last complete command line received, without CR LF (for debugging).
    std::string LastLine() const;

    // An absent counter ignores its address byte, as if it were unplugged.
    void SetPresent(bool present);
    bool IsPresent() const;

    // Line events, called by the port's thread. Select returns whether the
    // counter answers its address byte (it is present); the second form
    // also queues the echo of the address byte, with its faults.
    bool Select();
    bool Select(uint8_t addressByte, std::vector<SimOutByte>& out);
    void Receive(uint8_t byte, std::vector<SimOutByte>& out);
    // Ends the selection; a release byte also sends the release noise.
    void Release();
    void Release(bool byReleaseByte, std::vector<SimOutByte>& out);
    // Whether a byte received since the last call asked the port to hang up.
    bool TakeHangUp();

private:
    void Echo(uint8_t byte, std::vector<SimOutByte>& out);
    void EndOfLine(std::vector<SimOutByte>& out);
    void Program(char command, const std::string& text);
    SimFaults ReplyFaults(char query) const;
    void SendReply(const std::string& reply, const SimFaults& faults,
                   std::vector<SimOutByte>& out) const;
    std::string BuildSizesReply(const SimFaults& faults) const;
    std::string BuildCalibrationReply(const SimFaults& faults) const;
    std::string BuildReply(const std::string& data, const SimFaults& faults) const;

    const int m_address;
    mutable std::mutex m_mutex;
    SimCounterConfig m_config;
    // Replies that got the reply faults so far (SimFaults::replyFaultsFor).
    mutable int m_faultedReplies = 0;
    bool m_present = true;
    bool m_flashOn = false;
    int m_flashCommands = 0;
    int m_sizesProgrammed = 0;
    int m_calibrationProgrammed = 0;
    int m_rejectedLines = 0;
    std::string m_lastLine;
    // State of the current selection.
    int m_bytesSinceSelect = 0;
    bool m_echoStopped = false;
    bool m_hangUp = false;
    std::string m_line;
};
