#pragma once

#include "link/LinkResult.h"
#include "link/ReplyTiming.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

class ISerialLine;
class CSensor;
class CSizeList;
class CCalCurve;
class IProgressIndicator;

// The counters' command protocol over an open com port. Every command starts
// with the address byte of one counter, every byte written is checked by its
// echo, and every exchange ends with the release byte.
//
// Each operation comes twice: TryX returns a LinkResult that says what
// happened (done, or where and why it failed), and X returns true for
// success. Only the bool wrappers of programming and validation show the
// validation messages; nothing throws.
//
// The line stays in step: what waits in the receive queue is discarded
// before every address byte, and after an exchange in which a counter
// answered and then failed the link waits until the line has been quiet
// before its next address byte, so a faulty counter never hides the
// counters after it. An address probe that reads anything but its echo,
// or whose command's first byte then comes back as another, waits for the
// quiet and probes once more.
//
// A size or calibration reply read ends as soon as the bytes received form
// a complete reply (ReplyTiming::Framed, the default) or only by the read's
// time-out rules (Strict); the model read always ends by its rules.
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
    // The most sizes a counter holds.
    static constexpr int kMaxSizes = 32;
    // After a failed exchange: the quiet that ends the wait (the longest
    // reply interval), and the longest wait.
    static constexpr uint32_t kSettleQuietMs = 200;
    static constexpr uint32_t kSettleLimitMs = 2000;

    // port: a CSerialPort or any other line. progress null: the process-wide
    // ProgressIndicator().
    explicit CCounterLink(ISerialLine* port, IProgressIndicator* progress = nullptr);
    CCounterLink(const CCounterLink&) = delete;
    CCounterLink& operator=(const CCounterLink&) = delete;
    // Does not close the port.
    virtual ~CCounterLink();

    // How size and calibration reply reads end; DefaultReplyTiming() at
    // construction.
    void SetReplyTiming(ReplyTiming timing) { m_timing = timing; }
    ReplyTiming GetReplyTiming() const { return m_timing; }

    // --- Framing ---
    // Writes byte and reads its echo (total read constant 50 ms).
    bool SendEchoed(uint8_t byte);
    // Sends the sensor's address byte, awaiting its echo. Used alone as a
    // presence test; no release byte follows it then.
    LinkResult TrySelectAddress(const CSensor& sensor);
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
    LinkResult TryIdentify(CSensor& sensor);
    bool Identify(CSensor& sensor);
    // Whether the model, stripped of spaces, CRs and LFs at both ends, is in
    // the supported-models list.
    static bool IsSupportedModel(const std::string& model);

    // --- Reading (three attempts each) ---
    // Select, identify, read the sizes and read the calibration, each only
    // if all before it succeeded: what a scan does for one address.
    LinkResult TryReadCounter(CSensor& sensor);
    LinkResult TryReadSizes(CSensor& sensor);
    LinkResult TryReadCalibration(CSensor& sensor);
    bool ReadSizes(CSensor& sensor);
    bool ReadCalibration(CSensor& sensor);
    // True when the reply is well formed and the hexadecimal number after
    // "C/S" equals the byte sum of the data before it (see ReplyFormat.h).
    static bool CheckReply(const std::string& reply);
    // 32-bit value of upper-case hexadecimal text; other characters count
    // as the digit 0; digits beyond the eighth shift the first ones out.
    static uint32_t ParseHex(const std::string& text);
    // Unsigned byte sum, modulo 2^32.
    static uint32_t TextChecksum(const std::string& text);
    // Replace the sensor's list with the values of a reply or a sent text.
    // The values are those before the first "C/S" in any letter case.
    static bool ParseSizes(const std::string& text, CSensor& sensor);
    static bool ParseCalibration(const std::string& text, CSensor& sensor);

    // --- Validation ---
    // Sort the table in place and check it against the counter's rules:
    // Done, or Refused with the messages to show. Nothing is shown.
    static LinkResult CheckSizes(CSizeList& sizes);
    static LinkResult CheckCalibration(CCalCurve& curve);
    // The same, showing the messages of a refusal; true when accepted.
    static bool ValidateSizes(CSizeList& sizes);
    static bool ValidateCalibration(CCalCurve& curve);
    // Shows the messages of a Refused result, in order (nothing otherwise).
    static void ShowRefusal(const LinkResult& result);

    // --- Programming ---
    // Sort, validate, format, send with up to three attempts, and update
    // the sensor record to the values as sent. A refused table sends
    // nothing; TryX shows nothing, X shows the refusal's messages.
    LinkResult TryProgramSizes(CSensor& sensor, CSizeList& sizes);
    LinkResult TryProgramCalibration(CSensor& sensor, CCalCurve& curve);
    bool ProgramSizes(CSensor& sensor, CSizeList& sizes);
    bool ProgramCalibration(CSensor& sensor, CCalCurve& curve);
    // Replace text with the counter's text for the values; false when empty.
    static bool FormatSizes(const CSizeList& sizes, std::string& text);
    static bool FormatCalibration(const CCalCurve& curve, std::string& text);
    // The 6 least significant hex digits, upper case, zero-padded.
    static std::string FormatChecksum(uint32_t value);
    LinkResult TrySendSizes(CSensor& sensor, const std::string& text);
    LinkResult TrySendCalibration(CSensor& sensor, const std::string& text);
    bool SendSizes(CSensor& sensor, const std::string& text);
    bool SendCalibration(CSensor& sensor, const std::string& text);
    // Switches the counter's flash on or off (one attempt).
    LinkResult TrySetFlash(CSensor& sensor, bool on);
    bool SetFlash(CSensor& sensor, bool on);

private:
    enum class ReadKind;
    struct Table;
    using Parser = bool (*)(const std::string&, CSensor&);
    static const Table kSizesTable;
    static const Table kCalibrationTable;

    IProgressIndicator& Progress() const;
    LinkResult LineFailure() const;
    LinkResult Echo(uint8_t byte, LinkStep step, int index);
    LinkResult EchoBlock(std::string_view text, LinkStep step, bool progress, int firstIndex = 1);
    LinkResult Probe(uint8_t address);
    LinkResult Begin(const CSensor& sensor, uint8_t first, LinkStep step);
    LinkResult EchoLineRest(std::string_view text, LinkStep textStep);
    LinkResult ReadReply(ReadKind kind, LinkStep step, std::string& text);
    void NoteFailure(const LinkResult& result);
    LinkResult Finish(LinkResult result);
    LinkResult ReadTable(CSensor& sensor, const Table& table);
    LinkResult ReadAttempt(CSensor& sensor, const Table& table);
    LinkResult SendTable(CSensor& sensor, const Table& table, const std::string& text);
    LinkResult SendAttempt(CSensor& sensor, const Table& table, const std::string& text);
    template <typename Attempt> LinkResult Attempts(Attempt attempt);
    void Settle();

    ISerialLine* m_port;
    IProgressIndicator* m_progress;
    ReplyTiming m_timing;
    // A counter answered and then failed (or a reply filled its buffer):
    // bytes may still be on their way, so the line must calm down before
    // the next address byte.
    bool m_unsettled = false;
};
