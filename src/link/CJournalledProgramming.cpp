#include "link/CJournalledProgramming.h"

#include "link/CCounterLink.h"
#include "link/CJournal.h"
#include "link/PortNaming.h"
#include "model/CSensor.h"

namespace {

// The start of a programming of sensor, with the table it replaces.
JournalRecord StartOf(const CSensor& sensor, const std::string& program, JournalTable table) {
    JournalRecord record;
    record.program = program;
    record.port = sensor.GetPort();
    record.device = PortDevicePath(sensor.GetPort());
    record.address = sensor.GetAddress();
    record.model = sensor.GetModel();
    record.table = table;
    record.before.sizes = sensor.GetSizes();
    record.before.curve = sensor.GetCalCurve();
    return record;
}

} // namespace

CJournalledProgramming::CJournalledProgramming(CCounterLink& link, const CJournal* journal,
                                               std::string program)
    : m_link(link), m_journal(journal), m_program(std::move(program)) {}

// The table as sent is the text read back as the counter takes it.
JournalledResult CJournalledProgramming::SendSizes(CSensor& sensor, const std::string& text) {
    JournalRecord record = StartOf(sensor, m_program, JournalTable::Sizes);
    CSensor sent;
    CCounterLink::ParseSizes(text, sent);
    record.after.sizes = sent.GetSizes();
    return Program(record, [&] { return m_link.SendSizes(sensor, text); });
}

JournalledResult CJournalledProgramming::SendCalibration(CSensor& sensor, const std::string& text) {
    JournalRecord record = StartOf(sensor, m_program, JournalTable::Calibration);
    CSensor sent;
    CCounterLink::ParseCalibration(text, sent);
    record.after.curve = sent.GetCalCurve();
    return Program(record, [&] { return m_link.SendCalibration(sensor, text); });
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
