#include "link/CJournalledProgramming.h"

#include "link/CCounterLink.h"
#include "link/CJournal.h"
#include "link/Numbers.h"
#include "link/PortNaming.h"
#include "model/CSensor.h"

namespace {

// The start of a programming of sensor, without its tables.
JournalRecord StartOf(const CSensor& sensor, const std::string& program, JournalTable table) {
    JournalRecord record;
    record.program = program;
    record.port = sensor.GetPort();
    record.device = PortDevicePath(sensor.GetPort());
    record.address = sensor.GetAddress();
    record.model = sensor.GetModel();
    record.table = table;
    return record;
}

// The sizes as the counter receives them: each in its 3-character field.
CSizeList SizesAsSent(const CSizeList& sizes) {
    CSizeList sent;
    for (auto pos = sizes.GetHeadPosition(); pos;)
        sent.AddTail(AtofC(FormatSizeField(sizes.GetNext(pos))));
    return sent;
}

// The points as the counter receives them: three decimals at most.
CCalCurve CurveAsSent(const CCalCurve& curve) {
    CCalCurve sent;
    for (auto pos = curve.GetHeadPosition(); pos;) {
        const CCalPoint& point = curve.GetNext(pos);
        sent.AddTail(CCalPoint(AtofC(FormatCalNumber(point.m_size)),
                               AtofC(FormatCalNumber(point.m_voltage))));
    }
    return sent;
}

} // namespace

CJournalledProgramming::CJournalledProgramming(CCounterLink& link, const CJournal* journal,
                                               std::string program)
    : m_link(link), m_journal(journal), m_program(std::move(program)) {}

JournalledResult CJournalledProgramming::ProgramSizes(CSensor& sensor, CSizeList& sizes) {
    const LinkResult check = CCounterLink::CheckSizes(sizes);
    if (!check.Ok())
        return {check, JournalUse::Off, "", ""};
    JournalRecord record = StartOf(sensor, m_program, JournalTable::Sizes);
    record.before.sizes = sensor.GetSizes();
    record.after.sizes = SizesAsSent(sizes);
    return Program(record, [&] { return m_link.TryProgramSizes(sensor, sizes); });
}

JournalledResult CJournalledProgramming::ProgramCalibration(CSensor& sensor, CCalCurve& curve) {
    const LinkResult check = CCounterLink::CheckCalibration(curve);
    if (!check.Ok())
        return {check, JournalUse::Off, "", ""};
    JournalRecord record = StartOf(sensor, m_program, JournalTable::Calibration);
    record.before.curve = sensor.GetCalCurve();
    record.after.curve = CurveAsSent(curve);
    return Program(record, [&] { return m_link.TryProgramCalibration(sensor, curve); });
}

// Nothing goes out unless the start is on disk.
template <typename Send>
JournalledResult CJournalledProgramming::Program(JournalRecord& record, Send send) {
    JournalledResult result;
    if (!m_journal) {
        result.link = send();
        return result;
    }
    if (!m_journal->RecordStart(record, result.journalError)) {
        result.journal = JournalUse::NotWritable;
        return result;
    }
    result.id = record.id;
    result.link = send();
    const JournalState state = result.link->Ok() ? JournalState::Done : JournalState::Failed;
    const std::string reason = result.link->Ok() ? "" : DescribeLinkResult(*result.link);
    result.journal = m_journal->RecordOutcome(record.id, state, reason, result.journalError)
                         ? JournalUse::Recorded
                         : JournalUse::OutcomeNotRecorded;
    return result;
}
