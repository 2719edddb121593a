// The view's sensor tree: building it from the document, the questions
// asked before the selection leaves a sensor with edits, loading the
// selected sensor and the flash timer that makes its counter flash.
#include "app/view/CKTRView.h"


#include "app/CKTRDoc.h"
#include "app/seams/ReasonBoxes.h"
#include "app/widgets/CSensorTree.h"
#include "app/widgets/CStatusProgressBar.h"
#include "link/CCounterLink.h"
#include "link/CSerialPort.h"
#include "app/seams/IMessageDisplay.h"
#include "link/IProgressIndicator.h"
#include "model/CSensor.h"
#include "res/StringTable.h"

#include <QScopedValueRollback>
#include <QTreeWidgetItem>
#include <cstdio>
#include <string>

namespace {

// Item data: a port number (1 to 32) for a port item, the address of the
// sensor's record for a sensor item. Records never lie at 32 or below.
constexpr quintptr kHighestPort = 32;
constexpr int kFlashPeriodMs = 500;

quintptr ItemData(const QTreeWidgetItem* item) {
    return item ? item->data(0, Qt::UserRole).value<quintptr>() : 0;
}

// A string-table text with printf-style fields filled in.
template <typename... Args> QString FormatText(unsigned id, Args... args) {
    const std::string format = LoadString(id);
    const int length = std::snprintf(nullptr, 0, format.c_str(), args...);
    if (length < 0)
        return {};
    std::string text(size_t(length) + 1, '\0');
    std::snprintf(text.data(), text.size(), format.c_str(), args...);
    text.resize(size_t(length));
    return QString::fromStdString(text);
}

} // namespace

void CKTRView::FillTree() {
    m_tree->RemoveAll();
    for (CSensor& sensor : m_document.GetSensors()) {
        QTreeWidgetItem* portItem = FindPortItem(sensor.GetPort());
        if (!portItem)
            portItem = InsertPortItem(sensor.GetPort());
        if (portItem)
            InsertSensorItem(portItem, sensor);
    }
    if (m_tree->topLevelItemCount() > 0)
        m_tree->topLevelItem(0)->setExpanded(true);
}

QTreeWidgetItem* CKTRView::FindPortItem(int port) const {
    for (int i = 0; i < m_tree->topLevelItemCount(); ++i) {
        QTreeWidgetItem* item = m_tree->topLevelItem(i);
        if (ItemData(item) == quintptr(port))
            return item;
    }
    return nullptr;
}

QTreeWidgetItem* CKTRView::InsertPortItem(int port) {
    auto* item = new QTreeWidgetItem(QStringList{FormatText(IDS_TREE_COMPORT, port)});
    item->setData(0, Qt::UserRole, QVariant::fromValue(quintptr(port)));
    m_tree->addTopLevelItem(item);
    return item;
}

QTreeWidgetItem* CKTRView::InsertSensorItem(QTreeWidgetItem* portItem, CSensor& sensor) {
    auto* item = new QTreeWidgetItem(
        QStringList{FormatText(IDS_TREE_SENSOR, sensor.GetAddress(), sensor.GetModel().c_str())});
    item->setData(0, Qt::UserRole, QVariant::fromValue(reinterpret_cast<quintptr>(&sensor)));
    portItem->addChild(item);
    return item;
}

bool CKTRView::OnTreeSelChanging(QTreeWidgetItem*, QTreeWidgetItem*) {
    return !AskToLeaveSensor();
}

// Both questions are asked when both tables were edited, even after a
// Cancel at the first, as the user may want to program the other table.
bool CKTRView::AskToLeaveSensor() {
    bool stay = false;
    if (m_sizesChanged && !SaveOnRequest(IDS_SIZES_CHANGED, "Saving Sizes", &CKTRView::SaveSizes))
        stay = true;
    if (m_calsChanged && !SaveOnRequest(IDS_CALS_CHANGED, "Saving Cals", &CKTRView::SavePoints))
        stay = true;
    return !stay;
}

// Yes programs the table and lets the sensor go only when the counter took
// it; No lets it go, dropping the edits; Cancel keeps it.
bool CKTRView::SaveOnRequest(unsigned question, const char* notice, bool (CKTRView::*save)()) {
    switch (ShowAppMessage(question, MsgButtons::YesNoCancel, MsgIcon::Question)) {
    case MsgAnswer::Yes:
        MessageDisplay().Show(0, notice, LoadString(IDS_APP_NAME), MsgButtons::Ok, MsgIcon::None);
        return (this->*save)();
    case MsgAnswer::No:
        return true;
    default:
        return false;
    }
}

void CKTRView::OnTreeSelChanged(QTreeWidgetItem*, QTreeWidgetItem* newItem) {
    m_currentSensor = nullptr;
    StopFlashTimer();
    CStatusProgressBar* bar = GetStatusBar();
    if (bar)
        bar->ShowReady();
    CSensor* sensor = nullptr;
    if (quintptr data = ItemData(newItem); data > kHighestPort) {
        sensor = reinterpret_cast<CSensor*>(data);
        if (bar)
            bar->ShowFlashing(sensor->GetPort(), sensor->GetAddress());
        m_flashOn = false;
        m_timerId = startTimer(kFlashPeriodMs, Qt::PreciseTimer);
    }
    // The working copies, both lists and both changed flags follow the new
    // selection; with no sensor they are empty.
    LoadSensor(sensor);
}

void CKTRView::StopFlashTimer() {
    if (m_timerId != 0)
        killTimer(m_timerId);
    m_timerId = 0;
}

// One flash tick: the selected counter's flash goes on or off, and the
// indicator is lit only after a confirmed "on". Nothing happens while a
// save holds the port, nor while an earlier tick still runs (its port-in-use
// box is open), so ticks never stack boxes or send behind a box's back.
void CKTRView::OnTimer(int timerId) {
    if (timerId == 0 || timerId != m_timerId || m_busy || m_flashTicking)
        return;
    CSensor* sensor = m_currentSensor;
    bool lit = false;
    if (sensor) {
        m_flashOn = !m_flashOn;
        const bool sent = SendFlash(*sensor, m_flashOn);
        if (m_currentSensor != sensor)
            return; // another sensor was selected while a box was open
        lit = sent && m_flashOn;
    }
    if (CStatusProgressBar* bar = GetStatusBar())
        bar->SetFlashIndicator(lit);
}

// The port is held for this one command only.
bool CKTRView::SendFlash(CSensor& sensor, bool on) {
    QScopedValueRollback<bool> ticking(m_flashTicking, true);
    CSerialPort port;
    const PortOpenFailure failure = port.Open(uint8_t(sensor.GetPort()));
    if (failure != PortOpenFailure::None) {
        ShowOpenFailure(sensor.GetPort(), failure);
        return false;
    }
    if (m_currentSensor != &sensor)
        return false;
    CNullProgress noProgress;
    CCounterLink link(&port, &noProgress);
    return link.SetFlash(sensor, on).Ok();
}
