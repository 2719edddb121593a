#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

class CSerialPort;
class CSensor;
class CSizeList;
class CCalCurve;
class IProgressIndicator;

// The counters' command protocol over an open com port. Every command starts
// with the address byte of one counter, every byte written is checked by its
// echo, and every exchange ends with the release byte. Results are true for
// success; nothing throws.
//
// The link neither owns nor closes the port. It lives as long as one piece
// of work on that port (a scan, a save, a flash tick) and is used by one
// thread only.
class CCounterLink {
public:
    static constexpr uint8_t kAddressBase = 0x80;
    static constexpr uint8_t kIdentify = 'T';
    static constexpr uint8_t kSizes = 'P';
    static constexpr uint8_t kCalibration = 'K';
    static constexpr uint8_t kCR = 0x0D;
    static constexpr uint8_t kLF = 0x0A;
    static constexpr uint8_t kRelease = 0xBF;

    // Reply buffers; a longer reply is cut at this length.
    static constexpr size_t kModelReplySize = 32;
    static constexpr size_t kSizesReplySize = 1024;
    static constexpr size_t kCalibrationReplySize = 256;
    static constexpr int kAttempts = 3;

    // progress null: the process-wide ProgressIndicator().
    explicit CCounterLink(CSerialPort* port, IProgressIndicator* progress = nullptr);
    CCounterLink(const CCounterLink&) = delete;
    CCounterLink& operator=(const CCounterLink&) = delete;
    // Does not close the port.
    virtual ~CCounterLink();

    // --- Framing ---
    // Writes byte and reads its echo (total read constant 50 ms).
    bool SendEchoed(uint8_t byte);
    // Sends the sensor's address byte, awaiting its echo. Used alone as a
    // presence test; no release byte follows it then.
    bool SelectAddress(CSensor& sensor);
    // Writes the release byte; reads nothing.
    bool EndCommand();
    // Writes the bytes one at a time, each checked by its echo, stepping the
    // progress indicator once per matched byte. Stops at the first failure.
    bool WriteBlock(const uint8_t* bytes, size_t length);
    bool WriteBlock(std::string_view text);

    // --- Identification ---
    // Asks for the model text (one attempt); stores it in the sensor only
    // when the model is supported.
    bool Identify(CSensor& sensor);
    // Whether the model, stripped of spaces, CRs and LFs at both ends, is in
    // the supported-models list.
    static bool IsSupportedModel(const std::string& model);

    // --- Reading (three attempts each) ---
    bool ReadSizes(CSensor& sensor);
    bool ReadCalibration(CSensor& sensor);
    // True when the hexadecimal number after "C/S" equals the byte sum of
    // the data before it.
    static bool CheckReply(const std::string& reply);
    // 32-bit value of upper-case hexadecimal text; other characters count
    // as the digit 0; digits beyond the eighth shift the first ones out.
    static uint32_t ParseHex(const std::string& text);
    // Unsigned byte sum, modulo 2^32.
    static uint32_t TextChecksum(const std::string& text);
    // Replace the sensor's list with the values of a reply or a sent text.
    static bool ParseSizes(const std::string& text, CSensor& sensor);
    static bool ParseCalibration(const std::string& text, CSensor& sensor);

    // --- Programming ---
    // Sort, validate (showing a message for a broken rule), format, send
    // with up to three attempts, and update the sensor record to the values
    // as sent. Validation failures send nothing.
    bool ProgramSizes(CSensor& sensor, CSizeList& sizes);
    bool ProgramCalibration(CSensor& sensor, CCalCurve& curve);
    static bool ValidateSizes(CSizeList& sizes);
    static bool ValidateCalibration(CCalCurve& curve);
    // Replace text with the counter's text for the values; false when empty.
    static bool FormatSizes(const CSizeList& sizes, std::string& text);
    static bool FormatCalibration(const CCalCurve& curve, std::string& text);
    // The 6 least significant hex digits, upper case, zero-padded.
    static std::string FormatChecksum(uint32_t value);
    bool SendSizes(CSensor& sensor, const std::string& text);
    bool SendCalibration(CSensor& sensor, const std::string& text);
    // Switches the counter's flash on or off (one attempt).
    bool SetFlash(CSensor& sensor, bool on);

private:
    struct ReadPlan;
    using Parser = bool (*)(const std::string&, CSensor&);

    IProgressIndicator& Progress() const;
    void SetTimeouts(uint32_t totalConstant, uint32_t interval);
    bool ReadText(size_t capacity, std::string& text);
    bool ReadTable(CSensor& sensor, const ReadPlan& plan);
    bool ReadAttempt(CSensor& sensor, const ReadPlan& plan);
    bool SendTable(CSensor& sensor, uint8_t command, const std::string& text, Parser parse);
    bool SendAttempt(CSensor& sensor, uint8_t command, const std::string& text, Parser parse);
    bool SendLine(uint8_t command, std::string_view text);

    CSerialPort* m_port;
    IProgressIndicator* m_progress;
};
