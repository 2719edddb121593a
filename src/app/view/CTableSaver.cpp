#include "app/view/CTableSaver.h"

#include "app/seams/CQtProgressIndicator.h"
#include "app/view/CSelection.h"
#include "app/view/CTableEditor.h"
#include "app/widgets/CStatusProgressBar.h"
#include "link/CCounterLink.h"
#include "link/CSerialPort.h"
#include "link/IMessageDisplay.h"
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
    static bool Validate(CSizeList& sizes) { return CCounterLink::ValidateSizes(sizes); }
    static bool Program(CCounterLink& link, CSensor& sensor, CSizeList& sizes) {
        return link.ProgramSizes(sensor, sizes);
    }
};

template <> struct SaveKind<CCalCurve> {
    static constexpr unsigned kNotTakenId = IDS_CALS_NOT_TAKEN;
    static const CCalCurve& Record(const CSensor& sensor) { return sensor.GetCalCurve(); }
    static bool Validate(CCalCurve& curve) { return CCounterLink::ValidateCalibration(curve); }
    static bool Program(CCounterLink& link, CSensor& sensor, CCalCurve& curve) {
        return link.ProgramCalibration(sensor, curve);
    }
};

} // namespace

// Taken: the counter took the table. Told: it did not, and the user has
// been told why (port box, a rule's message). NotTaken: it did not, and
// nothing has told the user yet.
enum class CTableSaver::Outcome { Taken, Told, NotTaken };

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
// the Programming layout still shows how far the last attempt got.
template <typename List> bool CTableSaver::Program(CSensor& sensor, List& table) {
    const int port = sensor.GetPort();
    const int address = sensor.GetAddress();
    m_selection.SetPaused(true);
    if (m_bar) {
        m_bar->ShowProgramming(port, address);
        m_bar->repaint(); // the transfer keeps the event loop from painting it
    }
    const Outcome outcome = Transfer(sensor, table);
    if (outcome == Outcome::NotTaken)
        ShowAppMessage(SaveKind<List>::kNotTakenId, MsgButtons::Ok, MsgIcon::Warning);
    if (m_bar)
        m_bar->ShowFlashing(port, address);
    m_selection.SetPaused(false);
    return outcome == Outcome::Taken;
}

// The port is open only here. A port that did not open has already been
// reported when the serial port showed its box (in use, permission); the
// checks that refused the table have shown their messages. Every other
// failure is silent so far.
template <typename List> CTableSaver::Outcome CTableSaver::Transfer(CSensor& sensor, List& table) {
    CSerialPort serial;
    if (!serial.Open(static_cast<uint8_t>(sensor.GetPort())))
        return PortOpenMessageId(serial.GetOpenFailure()) ? Outcome::Told : Outcome::NotTaken;
    if (!SaveKind<List>::Validate(table))
        return Outcome::Told;
    std::optional<CQtProgressIndicator> progress;
    if (m_bar)
        progress.emplace(m_bar->GetProgressCtrl());
    CCounterLink link(&serial, progress ? &*progress : nullptr);
    return SaveKind<List>::Program(link, sensor, table) ? Outcome::Taken : Outcome::NotTaken;
}

template bool CTableSaver::Save(CSensor&, CTableEditor<CSizeList>&);
template bool CTableSaver::Save(CSensor&, CTableEditor<CCalCurve>&);
