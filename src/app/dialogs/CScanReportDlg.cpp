#include "app/dialogs/CScanReportDlg.h"

#include "app/ControlIds.h"
#include "discovery/ScanOutcomeText.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

CScanReportDlg::CScanReportDlg(const std::vector<std::string>& lines, QWidget* parent)
    : QDialog(parent), m_lines(new QListWidget) {
    setObjectName("IDD_SCAN_REPORT");
    setProperty(kCtrlIdProperty, IDD_SCAN_REPORT);
    setWindowTitle("Scan report");
    setModal(true);
    resize(640, 320);

    auto* heading = new QLabel("How each com port fared in the last scan:");
    heading->setTextFormat(Qt::PlainText);
    heading->setBuddy(m_lines);
    m_lines->setObjectName("IDC_SCAN_REPORT_LIST");
    m_lines->setProperty(kCtrlIdProperty, IDC_SCAN_REPORT_LIST);
    m_lines->setAccessibleName(heading->text());
    m_lines->setWordWrap(true);
    m_lines->setTextElideMode(Qt::ElideNone);
    m_lines->setSelectionMode(QAbstractItemView::SingleSelection);
    for (const std::string& line : lines)
        m_lines->addItem(QString::fromStdString(line));
    if (lines.empty())
        m_lines->addItem("No scan has run yet.");
    m_lines->setCurrentRow(0);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close);
    buttons->button(QDialogButtonBox::Close)->setObjectName("IDCANCEL");
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(heading);
    layout->addWidget(m_lines, 1);
    layout->addWidget(buttons);
    m_lines->setFocus();
}

std::vector<std::string> CScanReportDlg::Lines(const std::vector<PortScanOutcome>& outcomes,
                                               const CSensorList& found) {
    std::vector<std::string> lines;
    for (const ScanOutcomeLine& line :
         ScanOutcomeLines(outcomes, std::vector<CSensor>(found.begin(), found.end())))
        lines.push_back(line.text);
    return lines;
}
