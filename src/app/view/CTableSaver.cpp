#include "app/view/CTableSaver.h"

#include "app/seams/CQtProgressIndicator.h"
#include "app/seams/IMessageDisplay.h"
#include "app/seams/ReasonBoxes.h"
#include "app/view/CSelection.h"
#include "app/view/CTableEditor.h"
#include "app/widgets/CStatusProgressBar.h"
#include "link/CCounterLink.h"
#include "link/CSerialPort.h"
#include "link/PortOpenError.h"
#include "model/CSensor.h"
#include "res/StringTable.h"

#include <optional>

namespace {

// What differs between saving the sizes and saving the calibration.
template <typename List> struct SaveKind;

template <> struct SaveKind<CSizeList> {
    static constexpr unsigned kNotTakenId = IDS_SIZES_NOT_TAKEN;
    static const CSizeList& Record(const CSensor& sensor) { return sensor.GetSizes(); }
    static LinkResult Program(CCounterLink& link, CSensor& sensor, CSizeList& sizes) {
        return link.ProgramSizes(sensor, sizes);
    }
};

template <> struct SaveKind<CCalCurve> {
    static constexpr unsigned kNotTakenId = IDS_CALS_NOT_TAKEN;
    static const CCalCurve& Record(const CSensor& sensor) { return sensor.GetCalCurve(); }
    static LinkResult Program(CCounterLink& link, CSensor& sensor, CCalCurve& curve) {
        return link.ProgramCalibration(sensor, curve);
    }
};

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
    const LinkResult result = Transfer(sensor, table, openFailure);
    if (!result.Ok() && !ShowOpenFailure(port, openFailure) && !ShowRefusal(result))
        ShowAppMessage(SaveKind<List>::kNotTakenId, MsgButtons::Ok, MsgIcon::Warning);
    if (m_bar)
        m_bar->ShowFlashing(port, address);
    m_selection.SetPaused(false);
    return result.Ok();
}

// The port is open only here; the link checks the table under the table
// rules (sorting it) before it sends anything.
template <typename List>
LinkResult CTableSaver::Transfer(CSensor& sensor, List& table, PortOpenFailure& openFailure) {
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
    return SaveKind<List>::Program(link, sensor, table);
}

template bool CTableSaver::Save(CSensor&, CTableEditor<CSizeList>&);
template bool CTableSaver::Save(CSensor&, CTableEditor<CCalCurve>&);
