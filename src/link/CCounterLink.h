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
// Every operation returns a LinkResult that says what happened (done, or
// where and why it failed); nothing is shown and nothing throws.
//
// The line stays in step: what waits in the receive queue is discarded
// before every address byte. After an exchange in which a counter answered
// and then failed, and after an address probe that read anything but its
// echo, the link drains the line while bytes keep arriving, so a faulty
// counter never hides the counters after it; a line that is already silent
// costs nothing. A probe that read a wrong echo, or whose command's first
// byte then came back as another, is made once more after the drain.
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
    // Draining the line after a failed exchange or an odd probe: how long
    // it looks for a first byte when one may follow at once (some character
    // times, and the latency of a USB adapter); once bytes arrive, the quiet
    // that ends the longest reply interval (the gap, once they came to a
    // line end), for at most the limit. After a reply that did not come
    // whole, the first wait is the quiet itself.
    static constexpr uint32_t kSettleGapMs = 20;
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
    // Sends the sensor's address byte, awaiting its echo. Used alone as a
    // presence test; no release byte follows it then.
    LinkResult SelectAddress(const CSensor& sensor);
    // Writes the release byte; reads nothing.
    bool EndCommand();

    // --- Identification ---
    // Asks for the model text (one attempt); stores it in the sensor only
    // when the model is supported.
    LinkResult Identify(CSensor& sensor);
    // Whether the model, stripped of spaces, CRs and LFs at both ends, is in
    // the supported-models list.
    static bool IsSupportedModel(const std::string& model);

    // --- Reading (three attempts each) ---
    // Select, identify, read the sizes and read the calibration, each only
    // if all before it succeeded: what a scan does for one address.
    LinkResult ReadCounter(CSensor& sensor);
    LinkResult ReadSizes(CSensor& sensor);
    LinkResult ReadCalibration(CSensor& sensor);
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

    // --- Programming ---
    // Sort and check the table under the table rules (TableRules.h), format
    // it, send it with up to three attempts, and update the sensor record to
    // the values as sent. A refused table sends nothing.
    LinkResult ProgramSizes(CSensor& sensor, CSizeList& sizes);
    LinkResult ProgramCalibration(CSensor& sensor, CCalCurve& curve);
    // Replace text with the counter's text for the values; false when empty.
    static bool FormatSizes(const CSizeList& sizes, std::string& text);
    static bool FormatCalibration(const CCalCurve& curve, std::string& text);
    // The 6 least significant hex digits, upper case, zero-padded.
    static std::string FormatChecksum(uint32_t value);
    // Send a text the table rules have prepared, as it stands.
    LinkResult SendSizes(CSensor& sensor, const std::string& text);
    LinkResult SendCalibration(CSensor& sensor, const std::string& text);
    // Switches the counter's flash on or off (one attempt).
    LinkResult SetFlash(CSensor& sensor, bool on);

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
    void Unsettle(uint32_t waitMs);

    ISerialLine* m_port;
    IProgressIndicator* m_progress;
    ReplyTiming m_timing;
    // A counter answered and then failed (or a reply filled its buffer):
    // bytes may still be on their way, so the line is drained before the
    // next address byte if they keep arriving.
    bool m_unsettled = false;
    // How long the drain waits for a first byte (0: a look without waiting).
    uint32_t m_settleWaitMs = 0;
    // What a failure of the last reply read calls for (see ReadReply).
    uint32_t m_replyWaitMs = 0;
};
