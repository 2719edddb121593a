#include "app/view/CTableSaver.h"

#include "app/seams/CQtProgressIndicator.h"
#include "app/seams/IMessageDisplay.h"
#include "app/seams/ReasonBoxes.h"
#include "app/view/CSelection.h"
#include "app/view/CTableEditor.h"
#include "app/widgets/CStatusProgressBar.h"
#include "link/CCounterLink.h"
#include "link/CJournal.h"
#include "link/CJournalledProgramming.h"
#include "link/CSerialPort.h"
#include "link/PortOpenError.h"
#include "link/TableRules.h"
#include "model/CSensor.h"
#include "res/StringTable.h"

#include <cstdio>
#include <optional>

namespace {

// What differs between saving the sizes and saving the calibration.
template <typename List> struct SaveKind;

template <> struct SaveKind<CSizeList> {
    static constexpr unsigned kNotTakenId = IDS_SIZES_NOT_TAKEN;
    static const CSizeList& Record(const CSensor& sensor) { return sensor.GetSizes(); }
    static LinkResult Prepare(CSizeList& sizes, std::string& text) {
        return TableRules::PrepareSizes(sizes, text);
    }
    static JournalledResult Send(CJournalledProgramming& programming, CSensor& sensor,
                                 const std::string& text) {
        return programming.SendSizes(sensor, text);
    }
};

template <> struct SaveKind<CCalCurve> {
    static constexpr unsigned kNotTakenId = IDS_CALS_NOT_TAKEN;
    static const CCalCurve& Record(const CSensor& sensor) { return sensor.GetCalCurve(); }
    static LinkResult Prepare(CCalCurve& curve, std::string& text) {
        return TableRules::PrepareCalibration(curve, text);
    }
    static JournalledResult Send(CJournalledProgramming& programming, CSensor& sensor,
                                 const std::string& text) {
        return programming.SendCalibration(sensor, text);
    }
};

// Asks whether to program without a record, the journal being unwritable.
bool ProgramWithoutRecord(const CJournal& journal, const std::string& why) {
    char text[4096];
    std::snprintf(text, sizeof text, LoadString(IDS_JOURNAL_NOT_WRITABLE).c_str(),
                  journal.Path().c_str(), why.c_str());
    return MessageDisplay().Show(IDS_JOURNAL_NOT_WRITABLE, text, LoadString(IDS_APP_NAME),
                                 MsgButtons::YesNoCancel, MsgIcon::Warning) == MsgAnswer::Yes;
}

} // namespace

template <typename List> bool CTableSaver::Save(CSensor& sensor, CTableEditor<List>& editor) {
    const bool taken = Program(sensor, editor.Working());
    if (taken)
        editor.Load(&SaveKind<List>::Record(sensor));
    else
        editor.Fill(); // the checks sorted values under the rows' positions
    return taken;
}

// The one place where a table goes to a counter: the record holds the table
// it replaces until the counter has taken the new one, and the table as
// sent afterwards. A table that did not reach the counter is reported while
// the Programming layout still shows how far the last attempt got, in one
// box chosen by the reason: the port's own warning, the table rules'
// messages, or the table not taken.
template <typename List> bool CTableSaver::Program(CSensor& sensor, List& table) {
    const int port = sensor.GetPort();
    const int address = sensor.GetAddress();
    m_selection.SetPaused(true);
    if (m_bar) {
        m_bar->ShowProgramming(port, address);
        m_bar->repaint(); // the transfer keeps the event loop from painting it
    }
    PortOpenFailure openFailure = PortOpenFailure::None;
    const std::optional<LinkResult> result = Transfer(sensor, table, openFailure);
    if (result && !result->Ok() && !ShowOpenFailure(port, openFailure) && !ShowRefusal(*result))
        ShowAppMessage(SaveKind<List>::kNotTakenId, MsgButtons::Ok, MsgIcon::Warning);
    // Back to the selected counter's layout: a restore may have programmed
    // another counter, or one while none is selected.
    const CSensor* current = m_selection.Current();
    if (m_bar && current)
        m_bar->ShowFlashing(current->GetPort(), current->GetAddress());
    else if (m_bar)
        m_bar->ShowReady();
    m_selection.SetPaused(false);
    return result && result->Ok();
}

template <typename List> bool CTableSaver::Put(CSensor& sensor, List table) {
    return Program(sensor, table);
}

// The journal to record in: the program's own, or none when it cannot be
// written and the user said to program without a record. Nothing when the
// user said no.
std::optional<const CJournal*> CTableSaver::JournalToUse() const {
    std::string why;
    if (m_journal.CheckWritable(why))
        return &m_journal;
    if (ProgramWithoutRecord(m_journal, why))
        return nullptr;
    return std::nullopt;
}

// The table rules check the table (sorting it) and give the text to send;
// then the journal must take the start, or the user must say to program
// without a record, before the port opens.
template <typename List>
std::optional<LinkResult> CTableSaver::Transfer(CSensor& sensor, List& table,
                                                PortOpenFailure& openFailure) {
    std::string text;
    const LinkResult prepared = SaveKind<List>::Prepare(table, text);
    if (!prepared.Ok())
        return prepared;
    const std::optional<const CJournal*> journal = JournalToUse();
    if (!journal)
        return std::nullopt;
    CSerialPort serial;
    openFailure = serial.Open(static_cast<uint8_t>(sensor.GetPort()));
    if (openFailure != PortOpenFailure::None) {
        LinkResult failed;
        failed.status = LinkStatus::PortFailed;
        return failed;
    }
    std::optional<CQtProgressIndicator> progress;
    if (m_bar)
        progress.emplace(m_bar->GetProgressCtrl());
    CCounterLink link(&serial, progress ? &*progress : nullptr);
    CJournalledProgramming programming(link, *journal, "ktrsetup");
    JournalledResult result = SaveKind<List>::Send(programming, sensor, text);
    // The journal failed between the check and the record (a disk that
    // filled): nothing went out yet.
    if (!result.link && ProgramWithoutRecord(m_journal, result.journalError)) {
        CJournalledProgramming unrecorded(link, nullptr, "ktrsetup");
        result = SaveKind<List>::Send(unrecorded, sensor, text);
    }
    return result.link;
}

template bool CTableSaver::Put(CSensor&, CSizeList);
template bool CTableSaver::Put(CSensor&, CCalCurve);
template bool CTableSaver::Save(CSensor&, CTableEditor<CSizeList>&);
template bool CTableSaver::Save(CSensor&, CTableEditor<CCalCurve>&);
