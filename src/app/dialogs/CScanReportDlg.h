#pragma once

#include "discovery/ScanEvent.h"
#include "model/CSensor.h"

#include <QDialog>
#include <string>
#include <vector>

class QListWidget;

// View > Scan report...: how the last scan went, one line per com port and
// per counter passed over, in the words ktrctl uses ("COM2 (...): in use by
// another program (...)", "COM1 address 4: passed over: model ... is not
// supported (not listed in ...)"). Each line is a row of a list, so a
// screen reader reads them one by one; Close (Escape) ends the dialog.
class CScanReportDlg : public QDialog {
    Q_OBJECT

public:
    // lines: the report; empty when no scan has run yet.
    explicit CScanReportDlg(const std::vector<std::string>& lines, QWidget* parent = nullptr);

    // The report of a scan: how each port fared (outcomes) and what it
    // listed (found).
    static std::vector<std::string> Lines(const std::vector<PortScanOutcome>& outcomes,
                                          const CSensorList& found);

private:
    QListWidget* m_lines;
};
