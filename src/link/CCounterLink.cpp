#include "link/CCounterLink.h"

#include "link/IProgressIndicator.h"
#include "link/ISerialLine.h"
#include "link/ReplyFormat.h"
#include "link/SupportedModels.h"
#include "model/CSensor.h"

#include <algorithm>
#include <string_view>
#include <vector>

// The reads of the protocol.
enum class CCounterLink::ReadKind { Echo, Model, Sizes, Calibration };

namespace {

// How a read ends: count bytes asked for; the total time-out, the constant
// plus 1 ms per byte asked for; the interval after a byte (0: none); and,
// for a reply that shows where it ends, as soon as it is complete (unless
// the link keeps strict timing).
struct ReadRule {
    size_t count;
    uint32_t totalConstantMs;
    uint32_t intervalMs;
    bool framed;
};

// The read plan, in the order of ReadKind: the echo of one byte waits at
// most 51 ms; the model reply 82 ms (a model text has no checksum to prove
// it complete); the size reply 1524 ms, or 200 ms of quiet after a byte;
// the calibration reply 506 ms, or 100 ms of quiet. Both end at their
// CR LF when complete.
constexpr ReadRule kReadPlan[] = {
    {1, 50, 0, false},
    {CCounterLink::kModelReplySize, 50, 100, false},
    {CCounterLink::kSizesReplySize, 500, 200, true},
    {CCounterLink::kCalibrationReplySize, 250, 100, true},
};

// The reply text is what arrived up to the first zero byte.
bool ReplyComplete(const uint8_t* received, size_t count) {
    const auto* text = reinterpret_cast<const char*>(received);
    return IsCompleteReply(std::string_view(text, std::find(text, text + count, '\0') - text));
}

const char* const kFlashOn = "o0001\r\n";
const char* const kFlashOff = "o0000\r\n";

LinkResult Failure(LinkStatus status, LinkStep step = LinkStep::None) {
    LinkResult result;
    result.status = status;
    result.step = step;
    return result;
}

LinkStatus StatusOfVerdict(ReplyVerdict verdict) {
    switch (verdict) {
    case ReplyVerdict::Valid:
        return LinkStatus::Done;
    case ReplyVerdict::NoMarker:
        return LinkStatus::NoMarker;
    case ReplyVerdict::BadChecksum:
        return LinkStatus::BadChecksum;
    case ReplyVerdict::Malformed:
        break;
    }
    return LinkStatus::BadReply;
}

std::string StrippedModel(const std::string& model) {
    static const char* const kTrimmed = " \r\n";
    const auto first = model.find_first_not_of(kTrimmed);
    if (first == std::string::npos)
        return std::string();
    const auto last = model.find_last_not_of(kTrimmed);
    return model.substr(first, last - first + 1);
}

} // namespace

// What differs between the size table and the calibration curve.
struct CCounterLink::Table {
    uint8_t command;
    ReadKind read;
    LinkStep reply;
    LinkStep text;
    Parser parse;
};

const CCounterLink::Table CCounterLink::kSizesTable{kSizes, ReadKind::Sizes, LinkStep::SizesReply,
                                                    LinkStep::SizeText, &ParseSizes};
const CCounterLink::Table CCounterLink::kCalibrationTable{
    kCalibration, ReadKind::Calibration, LinkStep::CalibrationReply, LinkStep::CalibrationText,
    &ParseCalibration};

CCounterLink::CCounterLink(ISerialLine* port, IProgressIndicator* progress)
    : m_port(port), m_progress(progress), m_timing(DefaultReplyTiming()) {}

CCounterLink::~CCounterLink() = default;

IProgressIndicator& CCounterLink::Progress() const {
    return m_progress ? *m_progress : ProgressIndicator();
}

// The failure of the line itself, after a Read or Write returned false.
LinkResult CCounterLink::LineFailure() const {
    switch (m_port->LastFault()) {
    case LineFault::Stopped:
        return Failure(LinkStatus::Stopped);
    case LineFault::HungUp:
        return Failure(LinkStatus::PortGone);
    default:
        return Failure(LinkStatus::PortFailed);
    }
}

// ---------------------------------------------------------------- framing

LinkResult CCounterLink::Echo(uint8_t byte, LinkStep step, int index) {
    const ReadRule& rule = kReadPlan[static_cast<int>(ReadKind::Echo)];
    m_port->SetReadTotalTimeoutConstant(rule.totalConstantMs);
    m_port->SetReadIntervalTimeout(rule.intervalMs);
    uint8_t echo = 0;
    if (!m_port->Write(&byte, 1) || !m_port->Read(&echo, rule.count))
        return LineFailure();
    if (echo == byte)
        return LinkResult();
    LinkResult result =
        Failure(m_port->GetLastReadCount() == 0 ? LinkStatus::NoEcho : LinkStatus::WrongEcho, step);
    result.byte = index;
    result.sent = byte;
    result.received = echo;
    return result;
}

// Drains the line if the last failed exchange left bytes arriving, then
// discards what waits in the queue, so the echo read next is the echo of
// this byte.
LinkResult CCounterLink::Probe(uint8_t address) {
    if (m_unsettled)
        Settle();
    m_port->DiscardInput();
    return Echo(address, LinkStep::Address, 1);
}

// Lets the line calm down: bytes a faulty counter still sends (a late
// reply, stray bytes after the release byte) are read and dropped until
// the line has been quiet for the longest reply interval, or for a moment
// after they came to a line end. A line on which nothing arrives any more
// is left at once.
void CCounterLink::Settle() {
    m_unsettled = false;
    m_port->DrainInput({m_settleWaitMs, kSettleQuietMs, kSettleGapMs, kSettleLimitMs});
    m_settleWaitMs = 0;
}

// The line is drained before the next address byte, waiting at least
// waitMs for a first byte.
void CCounterLink::Unsettle(uint32_t waitMs) {
    m_unsettled = true;
    m_settleWaitMs = std::max(m_settleWaitMs, waitMs);
}

LinkResult CCounterLink::SelectAddress(const CSensor& sensor) {
    if (!m_port)
        return Failure(LinkStatus::PortFailed);
    const auto address = static_cast<uint8_t>(kAddressBase + sensor.GetAddress());
    LinkResult result = Probe(address);
    if (result.status != LinkStatus::WrongEcho)
        return result;
    // Something else was on the line: let it pass, then ask once more.
    Unsettle(kSettleGapMs);
    result = Probe(address);
    if (result.status == LinkStatus::WrongEcho)
        Unsettle(kSettleGapMs);
    return result;
}

bool CCounterLink::EndCommand() {
    if (!m_port)
        return false;
    const uint8_t release = kRelease;
    return m_port->Write(&release, 1);
}

// Each byte of text at its position from firstIndex on within step.
LinkResult CCounterLink::EchoBlock(std::string_view text, LinkStep step, bool progress,
                                   int firstIndex) {
    for (size_t i = 0; i < text.size(); ++i) {
        LinkResult result =
            Echo(static_cast<uint8_t>(text[i]), step, firstIndex + static_cast<int>(i));
        if (!result.Ok())
            return result;
        if (progress)
            Progress().StepIt();
    }
    return LinkResult();
}

// Selects the counter and sends the first byte of its command. When that
// byte comes back as another, the probe may have taken a stray byte for its
// echo: the line calms down and both go once more.
LinkResult CCounterLink::Begin(const CSensor& sensor, uint8_t first, LinkStep step) {
    LinkResult result;
    for (int round = 0; round < 2; ++round) {
        result = SelectAddress(sensor);
        if (result.Ok())
            result = Echo(first, step, 1);
        if (result.status != LinkStatus::WrongEcho || result.step == LinkStep::Address)
            return result;
        Unsettle(kSettleGapMs);
    }
    return result;
}

// The rest of a command line after its letter: the text (each byte
// stepping the progress), CR, LF.
LinkResult CCounterLink::EchoLineRest(std::string_view text, LinkStep textStep) {
    LinkResult result = EchoBlock(text, textStep, true);
    if (result.Ok())
        result = EchoBlock("\r\n", LinkStep::LineEnd, false);
    return result;
}

// A failure after the counter answered its address may leave bytes on
// their way: the line is drained before the next address byte while they
// keep arriving. A failed reply waits as its read calls for (ReadReply);
// any other failure just long enough to see whether bytes follow. A stop or
// a vanished device needs no calm line.
void CCounterLink::NoteFailure(const LinkResult& result) {
    if (result.Ok() || result.EndsTheWork() || result.step == LinkStep::Address)
        return;
    const bool reply = result.step == LinkStep::ModelReply || result.step == LinkStep::SizesReply ||
                       result.step == LinkStep::CalibrationReply;
    Unsettle(reply ? m_replyWaitMs : kSettleGapMs);
}

// Reads a reply under its rule; the text is what arrived up to the first
// zero byte, and m_replyWaitMs what a failure of this reply waits for
// before the next address byte. A reply that did not come whole (none at
// all, cut before its line end, or longer than the buffer) may still be on
// its way, late or after a pause, and a counter busy sending it would not
// echo the next address byte: the drain waits a whole reply interval for
// it. A whole reply whose read ended on its interval or its total leaves a
// line that is already quiet; one that ended at its line end, a line that
// is looked at for a moment. A reply longer than the buffer is drained even
// when its counter is read.
LinkResult CCounterLink::ReadReply(ReadKind kind, LinkStep step, std::string& text) {
    const ReadRule& rule = kReadPlan[static_cast<int>(kind)];
    m_port->SetReadTotalTimeoutConstant(rule.totalConstantMs);
    m_port->SetReadIntervalTimeout(rule.intervalMs);
    std::vector<uint8_t> buffer(rule.count, 0);
    const bool framed = rule.framed && m_timing == ReplyTiming::Framed;
    if (!m_port->ReadFramed(buffer.data(), buffer.size(), framed ? &ReplyComplete : nullptr))
        return LineFailure();
    text.assign(buffer.begin(), std::find(buffer.begin(), buffer.end(), 0));
    const ReadEnd end = m_port->LastReadEnd();
    const bool whole = !text.empty() && text.back() == '\n' && end != ReadEnd::Count;
    m_replyWaitMs = !whole ? kSettleQuietMs : (end == ReadEnd::Framed ? kSettleGapMs : 0);
    if (end == ReadEnd::Count)
        Unsettle(kSettleQuietMs);
    return text.empty() ? Failure(LinkStatus::NoReply, step) : LinkResult();
}

// Ends an exchange with the release byte, unless the line is gone or stopped.
LinkResult CCounterLink::Finish(LinkResult result) {
    NoteFailure(result);
    if (!result.EndsTheWork())
        EndCommand();
    return result;
}

// Runs attempt() up to kAttempts times until one succeeds, stopping at once
// when the line is gone or stopped. Each attempt that failed after its
// counter answered has left the line to calm down before the next one.
template <typename Attempt> LinkResult CCounterLink::Attempts(Attempt attempt) {
    LinkResult result;
    int made = 0;
    do {
        ++made;
        result = attempt();
    } while (made < kAttempts && !result.Ok() && !result.EndsTheWork());
    result.attempts = made;
    return Finish(result);
}

// ---------------------------------------------------------- identification

// An unsupported model is no fault of the line: a model text that came
// whole leaves nothing to drain; one cut short is drained (see ReadReply).
LinkResult CCounterLink::Identify(CSensor& sensor) {
    if (!m_port)
        return Failure(LinkStatus::PortFailed);
    LinkResult result = Begin(sensor, kIdentify, LinkStep::Command);
    std::string reply;
    if (result.Ok())
        result = ReadReply(ReadKind::Model, LinkStep::ModelReply, reply);
    if (result.Ok() && !IsSupportedModel(reply)) {
        result = Failure(LinkStatus::NotSupported, LinkStep::ModelReply);
        result.model = StrippedModel(reply);
        if (m_replyWaitMs > 0)
            Unsettle(m_replyWaitMs);
        EndCommand();
        return result;
    }
    if (result.Ok())
        sensor.SetModel(reply);
    return Finish(result);
}

bool CCounterLink::IsSupportedModel(const std::string& model) {
    return IsModelListed(StrippedModel(model));
}

// ----------------------------------------------------------------- reading

LinkResult CCounterLink::ReadCounter(CSensor& sensor) {
    LinkResult result = SelectAddress(sensor);
    if (result.Ok())
        result = Identify(sensor);
    if (result.Ok())
        result = ReadSizes(sensor);
    if (result.Ok())
        result = ReadCalibration(sensor);
    return result;
}

LinkResult CCounterLink::ReadSizes(CSensor& sensor) {
    return m_port ? ReadTable(sensor, kSizesTable) : Failure(LinkStatus::PortFailed);
}

LinkResult CCounterLink::ReadCalibration(CSensor& sensor) {
    return m_port ? ReadTable(sensor, kCalibrationTable) : Failure(LinkStatus::PortFailed);
}

// Up to three attempts, then one release byte whatever the outcome.
LinkResult CCounterLink::ReadTable(CSensor& sensor, const Table& table) {
    return Attempts([&] { return ReadAttempt(sensor, table); });
}

// The reply is checked against the reply grammar, and parsed into a copy of
// the record, so a failed read leaves the sensor's list as it was (a reply
// without a value included).
LinkResult CCounterLink::ReadAttempt(CSensor& sensor, const Table& table) {
    LinkResult result = Begin(sensor, table.command, LinkStep::Command);
    std::string reply;
    if (result.Ok())
        result = EchoLineRest(std::string_view(), LinkStep::None);
    if (result.Ok())
        result = ReadReply(table.read, table.reply, reply);
    if (result.Ok())
        result = Failure(StatusOfVerdict(JudgeReply(reply)), table.reply);
    CSensor parsed = sensor;
    if (result.Ok() && !table.parse(reply, parsed))
        result = Failure(LinkStatus::BadReply, table.reply);
    if (result.Ok())
        sensor = parsed;
    NoteFailure(result);
    return result;
}

// ------------------------------------------------------------- programming

LinkResult CCounterLink::SendSizes(CSensor& sensor, const std::string& text) {
    return m_port ? SendTable(sensor, kSizesTable, text) : Failure(LinkStatus::PortFailed);
}

LinkResult CCounterLink::SendCalibration(CSensor& sensor, const std::string& text) {
    return m_port ? SendTable(sensor, kCalibrationTable, text) : Failure(LinkStatus::PortFailed);
}

// Up to three attempts, then one release byte whatever the outcome.
LinkResult CCounterLink::SendTable(CSensor& sensor, const Table& table, const std::string& text) {
    return Attempts([&] { return SendAttempt(sensor, table, text); });
}

// Succeeds only when every byte came back as its echo; only then is the
// sensor record replaced with the values as sent.
LinkResult CCounterLink::SendAttempt(CSensor& sensor, const Table& table, const std::string& text) {
    Progress().SetRange(0, static_cast<int>(text.size()));
    Progress().SetPos(0);
    LinkResult result = Begin(sensor, table.command, LinkStep::Command);
    if (result.Ok())
        result = EchoLineRest(text, table.text);
    NoteFailure(result);
    if (!result.Ok())
        return result;
    // A validated text always holds a value.
    return table.parse(text, sensor) ? result : Failure(LinkStatus::BadReply, table.text);
}

LinkResult CCounterLink::SetFlash(CSensor& sensor, bool on) {
    if (!m_port)
        return Failure(LinkStatus::PortFailed);
    const std::string_view text = on ? kFlashOn : kFlashOff;
    LinkResult result = Begin(sensor, static_cast<uint8_t>(text[0]), LinkStep::FlashText);
    if (result.Ok()) {
        Progress().StepIt();
        result = EchoBlock(text.substr(1), LinkStep::FlashText, true, 2);
    }
    return Finish(result);
}
