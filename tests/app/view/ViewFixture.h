#pragma once

#include "app/CKTRDoc.h"
#include "app/FakeMessageDisplay.h"
#include "app/view/CKTRView.h"
#include "app/view/CSelection.h"
#include "sim/CSimNetwork.h"

#include <QString>
#include <QWidget>
#include <deque>
#include <functional>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

class CSensorTree;
class CStatusProgressBar;

// Failure messages show texts as text.
inline void PrintTo(const QString& text, std::ostream* out) {
    *out << '"' << text.toStdString() << '"';
}

// Sets an environment variable for the lifetime of the object.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const std::string& value);
    ~ScopedEnv();

private:
    const char* m_name;
    std::optional<std::string> m_saved;
};

// A simulated network that the program's com ports lead to, answering at
// once, with a supported-models file listing the given models.
class SimulatedPorts {
public:
    SimulatedPorts(const std::vector<SimPortConfig>& ports, const std::string& supported);
    CSimPort& Port(int n) { return *m_network.Port(n); }
    void SetPacing(bool on) { m_network.SetPacing(on); }

private:
    CSimNetwork m_network;
    ScopedEnv m_portDir;
    ScopedEnv m_models;
};

// A counter with three sizes and three calibration points.
SimCounterConfig Counter(int address, const std::string& model);

// A view as the tests drive it: beside a status bar of its own, with saves
// that return scripted results, and its protected handlers in reach.
class TestView : public CKTRView {
public:
    TestView(CKTRDoc& doc, QWidget* parent, CStatusProgressBar& bar);

    using CKTRView::FillTree;
    using CKTRView::OnRescan;
    CSensorTree& Tree() const;
    // The tree item with that text, or null.
    QTreeWidgetItem* Item(const QString& text) const;
    // Changes both working copies and sets both change flags, as the
    // editing handlers do.
    void Edit();

    std::deque<bool> sizeSaves, pointSaves; // results of the next saves
    int sizeSaveCalls = 0, pointSaveCalls = 0;
    std::function<void()> duringScan;       // runs at each port-opened report
    int progressUpper = 0, progressPos = 0; // after the last scan report

protected:
    bool SaveSizes() override;
    bool SavePoints() override;
    void OnScanPortOpened(int port) override;
    void OnScanAddressDone(int port, int address) override;

private:
    CStatusProgressBar& m_bar;
};

// A window with a TestView above its status bar, a document and a scripted
// message display.
class ViewWindow {
public:
    ViewWindow();
    // Appends a sensor with the tables of Counter() to the document.
    CSensor& AddSensor(int port, int address, const std::string& model);
    std::vector<std::string> MessageTexts() const;

    FakeMessageDisplay display;
    CKTRDoc doc;
    QWidget window;
    CStatusProgressBar* bar;
    TestView* view;
};
