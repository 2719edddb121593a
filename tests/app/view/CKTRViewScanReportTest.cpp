// The scan report: the words of each port's outcome, as ktrctl says them,
// readable row by row through the accessibility interface, and opening by
// itself after a scan that listed no counter.
#include "ViewFixture.h"
#include "app/dialogs/CScanReportDlg.h"
#include "app/dialogs/IDialogRunner.h"
#include "link/CSerialPort.h"

#include <QAccessible>
#include <QListWidget>
#include <gtest/gtest.h>

namespace {

// Notes the lines of every scan report that runs, as a screen reader reads
// them, and closes it.
class ReportReader : public IDialogRunner {
public:
    ReportReader() { SetDialogRunner(this); }
    ~ReportReader() override { SetDialogRunner(nullptr); }

    int Run(QDialog& dialog) override {
        auto* list = dialog.findChild<QListWidget*>("IDC_SCAN_REPORT_LIST");
        EXPECT_NE(list, nullptr);
        std::vector<std::string> lines;
        QAccessibleInterface* access = QAccessible::queryAccessibleInterface(list);
        for (int i = 0; list && access && i < access->childCount(); ++i)
            lines.push_back(access->child(i)->text(QAccessible::Name).toStdString());
        reports.push_back(lines);
        return QDialog::Rejected;
    }

    std::vector<std::vector<std::string>> reports;
};

bool HasLine(const std::vector<std::string>& lines, const std::string& start,
             const std::string& part) {
    for (const std::string& line : lines)
        if (line.rfind(start, 0) == 0 && line.find(part) != std::string::npos)
            return true;
    return false;
}

// COM1: two supported counters; COM2: a supported and an unsupported one;
// COM3: held by another program; COM4 and above: no device.
TEST(ScanReportTest, SaysHowEachPortFaredInKtrctlsWords) {
    SimulatedPorts ports({{1, {Counter(2, "KTR-100"), Counter(31, "KTR-200")}},
                          {2, {Counter(4, "KTR-100"), Counter(9, "OPC-50")}},
                          {3, {Counter(1, "KTR-100")}}},
                         "KTR-100\nKTR-200\n");
    CSerialPort other;
    ASSERT_EQ(other.Open(3), PortOpenFailure::None);
    ReportReader reader;
    ViewWindow w;
    w.view->OnRescan();
    EXPECT_TRUE(reader.reports.empty()) << "counters were listed: no report by itself";
    w.view->OnScanReport();
    ASSERT_EQ(reader.reports.size(), 1u);
    const std::vector<std::string>& lines = reader.reports[0];
    EXPECT_TRUE(HasLine(lines, "COM1 (", ": 2 counters listed")) << ::testing::PrintToString(lines);
    EXPECT_TRUE(HasLine(lines, "COM2 (", ": 1 counter listed, 1 passed over"));
    EXPECT_TRUE(HasLine(lines, "COM2 address 9: passed over: model \"OPC-50\" is not supported",
                        "(not listed in "));
    EXPECT_TRUE(HasLine(lines, "COM3 (", ": in use"));
    EXPECT_TRUE(HasLine(lines, "COM4 to COM32: no such device", ""));
}

TEST(ScanReportTest, OpensByItselfWhenAScanListsNoCounter) {
    SimulatedPorts ports({{1, {Counter(2, "KTR-100")}}}, "");
    ReportReader reader;
    ViewWindow w;
    w.view->OnRescan();
    ASSERT_EQ(reader.reports.size(), 1u);
    EXPECT_TRUE(HasLine(reader.reports[0], "COM1 address 2: passed over: model \"KTR-100\"",
                        "lists no model"))
        << ::testing::PrintToString(reader.reports[0]);
}

} // namespace
