#include "app/view/CKTRView.h"

#include "app/CKTRDoc.h"
#include "app/ControlIds.h"
#include "app/seams/CScanEvent.h"
#include "app/seams/IMessageDisplay.h"
#include "app/view/CCommandEvent.h"
#include "app/view/CScanController.h"
#include "app/view/CSelection.h"
#include "app/view/CTableSaver.h"
#include "app/widgets/CSensorTree.h"
#include "app/widgets/CStatusProgressBar.h"
#include "app/widgets/ListRows.h"
#include "model/CSensor.h"
#include "res/StringTable.h"

#include <QCoreApplication>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <qdrawutil.h>

namespace {

QString Text(unsigned id) {
    return QString::fromStdString(LoadString(id));
}

// A rectangle given by its left, top, right and bottom edges, the right and
// bottom edges lying just outside it.
QRect EdgeRect(int left, int top, int right, int bottom) {
    return QRect(QPoint(left, top), QSize(right - left, bottom - top));
}

void SetId(QWidget* widget, int id, const char* name) {
    widget->setObjectName(name);
    widget->setProperty(kCtrlIdProperty, id);
}

struct CommandRoute {
    int id;
    void (CKTRView::*handler)();
};

} // namespace

CKTRView::CKTRView(CKTRDoc& document, CStatusProgressBar* bar, QWidget* parent)
    : QWidget(parent), m_document(document), m_bar(bar),
      m_selection(std::make_unique<CSelection>(bar)),
      m_scan(std::make_unique<CScanController>(this)) {
    setObjectName("view");
    QPalette pal = palette();
    pal.setColor(QPalette::Window, QColor(192, 192, 192));
    setPalette(pal);
    setAutoFillBackground(true);
    CreateControls();
    m_sizes = std::make_unique<CTableEditor<CSizeList>>(*m_sizeListCtrl);
    m_cals = std::make_unique<CTableEditor<CCalCurve>>(*m_calListCtrl);
    m_saver = std::make_unique<CTableSaver>(*m_selection, bar);
}

// The scan ends first: its threads are stopped and joined while the view,
// the document and the message display still exist.
CKTRView::~CKTRView() {
    m_scan.reset();
}

IScanSink& CKTRView::GetScanSink() {
    return *m_scan;
}

bool CKTRView::IsScanning() const {
    return m_scan->IsRunning();
}

void CKTRView::StopScan() {
    m_scan->Stop();
}

void CKTRView::CreateControls() {
    m_step1Text = CreateText(IDS_STEP1_HELP, "step1Text");
    m_tree = new CSensorTree(this);
    SetId(m_tree, IDC_SENSOR_TREE, "IDC_SENSOR_TREE");
    m_tree->SetSelectionHandlers(
        [this](QTreeWidgetItem* from, QTreeWidgetItem* to) { return OnTreeSelChanging(from, to); },
        [this](QTreeWidgetItem* from, QTreeWidgetItem* to) { OnTreeSelChanged(from, to); });
    m_btnRescan = CreateButton(IDC_RESCAN, IDS_RESCAN, "IDC_RESCAN");

    m_step2Text = CreateText(IDS_STEP2_HELP, "step2Text");
    m_sizeListCtrl = CreateList(IDC_SIZE_LIST, "IDC_SIZE_LIST");
    m_sizeListCtrl->setHeaderLabels({Text(IDS_SIZE_COLUMN)});
    m_btnAddSize = CreateButton(IDC_ADD_SIZE, IDS_ADD_SIZE, "IDC_ADD_SIZE");
    m_btnEditSize = CreateButton(IDC_EDIT_SIZE, IDS_EDIT_SIZE, "IDC_EDIT_SIZE");
    m_btnDeleteSize = CreateButton(IDC_DELETE_SIZE, IDS_DELETE_SIZE, "IDC_DELETE_SIZE");
    m_btnSaveSizes = CreateButton(IDC_SAVE_SIZES, IDS_SAVE_SIZES, "IDC_SAVE_SIZES");

    m_cautionText = CreateText(IDS_CAUTION_HELP, "cautionText");
    m_calListCtrl = CreateList(IDC_CAL_LIST, "IDC_CAL_LIST");
    m_calListCtrl->setHeaderLabels({Text(IDS_CAL_SIZE_COLUMN), Text(IDS_CAL_VOLTAGE_COLUMN)});
    m_btnAddCal = CreateButton(IDC_ADD_CAL, IDS_ADD_CAL, "IDC_ADD_CAL");
    m_btnEditCal = CreateButton(IDC_EDIT_CAL, IDS_EDIT_CAL, "IDC_EDIT_CAL");
    m_btnDeleteCal = CreateButton(IDC_DELETE_CAL, IDS_DELETE_CAL, "IDC_DELETE_CAL");
    m_btnSavePoints = CreateButton(IDC_SAVE_POINTS, IDS_SAVE_POINTS, "IDC_SAVE_POINTS");
}

// Plain text that wraps at the right edge and keeps the text's line breaks
// and spaces as they are.
QLabel* CKTRView::CreateText(unsigned textId, const char* name) {
    auto* label = new QLabel(Text(textId), this);
    SetId(label, IDC_STATIC, name);
    label->setTextFormat(Qt::PlainText);
    label->setWordWrap(true);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    return label;
}

QPushButton* CKTRView::CreateButton(int id, unsigned textId, const char* name) {
    auto* button = new QPushButton(Text(textId), this);
    SetId(button, id, name);
    button->setAutoDefault(false);
    connect(button, &QPushButton::clicked, this, [this, id] { OnCommand(id); });
    return button;
}

QTreeWidget* CKTRView::CreateList(int id, const char* name) {
    auto* list = new QTreeWidget(this);
    SetId(list, id, name);
    SetUpReportList(*list);
    return list;
}

void CKTRView::resizeEvent(QResizeEvent*) {
    PlaceControls();
}

// The panels share the view's client area: each a third of its width less
// one pixel, all of its height (the frame puts the view between the menu bar
// and the status bar, so the panels end where the status bar begins).
void CKTRView::PlaceControls() {
    int w = width() / 3 - 1;
    int h = height();
    m_rcTreePanel = EdgeRect(0, 0, w, h);
    m_rcSizePanel = EdgeRect(w, 0, 2 * w, h);
    m_rcCalPanel = EdgeRect(2 * w, 0, 3 * w, h);

    int L = m_rcTreePanel.left(), R = L + w, H = h, T = H / 3;
    m_step1Text->setGeometry(EdgeRect(L + 10, 10, R - 10, T));
    m_tree->setGeometry(EdgeRect(L + 10, T + 10, R - 10, H - 50));
    m_btnRescan->setGeometry(EdgeRect(L + 10, H - 40, R - 10, H - 10));

    PlacePanelControls(m_rcSizePanel, m_step2Text, m_sizeListCtrl,
                       {m_btnAddSize, m_btnEditSize, m_btnDeleteSize}, m_btnSaveSizes);
    PlacePanelControls(m_rcCalPanel, m_cautionText, m_calListCtrl,
                       {m_btnAddCal, m_btnEditCal, m_btnDeleteCal}, m_btnSavePoints);

    m_sizeListCtrl->setColumnWidth(0, w - 40);
    m_calListCtrl->setColumnWidth(0, (w - 20) / 2);
    m_calListCtrl->setColumnWidth(1, (w - 20) / 2);
    update();
}

// A list panel: help text in the top third, the list below it, a row of
// three equal buttons and a wide button at the bottom.
void CKTRView::PlacePanelControls(const QRect& panel, QWidget* text, QWidget* list,
                                  QPushButton* const (&row)[3], QPushButton* bottom) {
    int L = panel.left(), R = L + panel.width(), H = panel.height();
    int T = H / 3, B = (R - L - 20) / 3;
    text->setGeometry(EdgeRect(L + 10, 10, R - 10, T));
    list->setGeometry(EdgeRect(L + 10, T + 10, R - 10, H - 80));
    for (int i = 0; i < 3; ++i)
        row[i]->setGeometry(EdgeRect(L + 10 + i * B, H - 70, L + 10 + (i + 1) * B, H - 40));
    bottom->setGeometry(EdgeRect(L + 10, H - 40, R - 10, H - 10));
}

void CKTRView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    for (const QRect& panel : {m_rcTreePanel, m_rcSizePanel, m_rcCalPanel})
        qDrawWinPanel(&painter, panel, palette(), false);
}

void CKTRView::OnInitialUpdate() {
    QCoreApplication::postEvent(this, new CCommandEvent(IDC_RESCAN));
}

void CKTRView::OnCommand(int id) {
    static const CommandRoute routes[] = {
        {IDC_RESCAN, &CKTRView::OnRescan},          {IDC_ADD_SIZE, &CKTRView::OnAddSize},
        {IDC_EDIT_SIZE, &CKTRView::OnEditSize},     {IDC_DELETE_SIZE, &CKTRView::OnDeleteSize},
        {IDC_SAVE_SIZES, &CKTRView::OnSaveSizes},   {IDC_ADD_CAL, &CKTRView::OnAddCal},
        {IDC_EDIT_CAL, &CKTRView::OnEditCal},       {IDC_DELETE_CAL, &CKTRView::OnDeleteCal},
        {IDC_SAVE_POINTS, &CKTRView::OnSavePoints},
    };
    for (const CommandRoute& route : routes)
        if (route.id == id)
            (this->*route.handler)();
}

void CKTRView::customEvent(QEvent* event) {
    switch (static_cast<int>(event->type())) {
    case CCommandEvent::Command:
        OnCommand(static_cast<CCommandEvent*>(event)->Id());
        break;
    case CScanEvent::Type: {
        ScanEvent& scan = static_cast<CScanEvent*>(event)->Event();
        if (scan.kind == ScanEvent::Kind::SensorFound)
            OnSensorFound(std::move(scan.sensor));
        else if (scan.kind == ScanEvent::Kind::PortOpened)
            OnScanPortOpened(scan.port);
        else if (scan.kind == ScanEvent::Kind::AddressDone)
            OnScanAddressDone(scan.port, scan.address);
        break;
    }
    default:
        QWidget::customEvent(event);
    }
}

void CKTRView::LoadSensor(CSensor* sensor) {
    m_selection->Select(sensor);
    m_sizes->Load(sensor ? &sensor->GetSizes() : nullptr);
    m_cals->Load(sensor ? &sensor->GetCalCurve() : nullptr);
}

void CKTRView::FillTree() {
    m_tree->Fill(m_document.GetSensors());
}

bool CKTRView::OnTreeSelChanging(QTreeWidgetItem*, QTreeWidgetItem*) {
    return !AskToLeaveSensor();
}

// The flash timer stops (the counter left behind stops flashing), and the
// status bar, both editors and both lists follow the new item: a sensor's
// tables and its Flashing layout, or nothing and "Ready".
void CKTRView::OnTreeSelChanged(QTreeWidgetItem*, QTreeWidgetItem* newItem) {
    CSensor* sensor = CSensorTree::SensorOf(newItem);
    LoadSensor(sensor);
    if (m_bar && sensor)
        m_bar->ShowFlashing(sensor->GetPort(), sensor->GetAddress());
    else if (m_bar)
        m_bar->ShowReady();
}

// Both questions are asked when both tables were edited, even after a
// Cancel at the first, as the user may want to program the other table.
bool CKTRView::AskToLeaveSensor() {
    bool stay = false;
    if (m_sizes->IsChanged() &&
        !SaveOnRequest(IDS_SIZES_CHANGED, "Saving Sizes", &CKTRView::SaveSizes))
        stay = true;
    if (m_cals->IsChanged() &&
        !SaveOnRequest(IDS_CALS_CHANGED, "Saving Cals", &CKTRView::SavePoints))
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

void CKTRView::OnAddSize() {
    m_sizes->Add();
}

void CKTRView::OnEditSize() {
    m_sizes->Edit();
}

void CKTRView::OnDeleteSize() {
    m_sizes->Delete();
}

void CKTRView::OnSaveSizes() {
    SaveSizes();
}

void CKTRView::OnAddCal() {
    m_cals->Add();
}

void CKTRView::OnEditCal() {
    m_cals->Edit();
}

void CKTRView::OnDeleteCal() {
    m_cals->Delete();
}

void CKTRView::OnSavePoints() {
    SavePoints();
}

// With no sensor selected a save only empties the list.
bool CKTRView::SaveSizes() {
    CSensor* sensor = m_selection->Current();
    if (!sensor)
        m_sizes->Fill();
    return sensor && m_saver->Save(*sensor, *m_sizes);
}

bool CKTRView::SavePoints() {
    CSensor* sensor = m_selection->Current();
    if (!sensor)
        m_cals->Fill();
    return sensor && m_saver->Save(*sensor, *m_cals);
}
