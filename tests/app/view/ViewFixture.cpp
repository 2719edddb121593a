#include "ViewFixture.h"

#include "app/widgets/CProgressCtrl.h"
#include "app/widgets/CSensorTree.h"
#include "app/widgets/CStatusProgressBar.h"

#include <QApplication>
#include <QVBoxLayout>
#include <cstdlib>
#include <fstream>

ScopedEnv::ScopedEnv(const char* name, const std::string& value) : m_name(name) {
    if (const char* old = std::getenv(name))
        m_saved = old;
    ::setenv(name, value.c_str(), 1);
}

ScopedEnv::~ScopedEnv() {
    if (m_saved)
        ::setenv(m_name, m_saved->c_str(), 1);
    else
        ::unsetenv(m_name);
}

namespace {

SimNetworkConfig Network(const std::vector<SimPortConfig>& ports) {
    SimNetworkConfig config;
    config.ports = ports;
    return config;
}

std::string WriteModels(const std::string& dir, const std::string& supported) {
    std::string path = dir + "/supported-models";
    std::ofstream(path) << supported;
    return path;
}

} // namespace

SimulatedPorts::SimulatedPorts(const std::vector<SimPortConfig>& ports,
                               const std::string& supported)
    : m_network(Network(ports)), m_portDir("KTRSETUP_PORT_DIR", m_network.PortDir()),
      m_models("KTRSETUP_SUPPORTED_MODELS", WriteModels(m_network.PortDir(), supported)) {}

SimCounterConfig Counter(int address, const std::string& model) {
    SimCounterConfig counter;
    counter.address = address;
    counter.model = model + "\r\n";
    counter.sizes = {0.3, 0.5, 1.0};
    counter.points = {{0.3, 100}, {0.5, 150.5}, {1.0, 400}};
    return counter;
}

TestView::TestView(CKTRDoc& doc, QWidget* parent, CStatusProgressBar& bar)
    : CKTRView(doc, &bar, parent), m_bar(bar) {}

CSensorTree& TestView::Tree() const {
    return *findChild<CSensorTree*>("IDC_SENSOR_TREE");
}

QTreeWidgetItem* TestView::Item(const QString& text) const {
    QList<QTreeWidgetItem*> items = Tree().findItems(text, Qt::MatchExactly | Qt::MatchRecursive);
    return items.isEmpty() ? nullptr : items.first();
}

void TestView::Edit() {
    Sizes().Working().AddTail(7.5);
    Cals().Working().AddTail(CCalPoint{7.5, 3000});
    Sizes().SetChanged(true);
    Cals().SetChanged(true);
}

namespace {

bool NextResult(std::deque<bool>& results) {
    if (results.empty())
        return false;
    bool result = results.front();
    results.pop_front();
    return result;
}

} // namespace

bool TestView::SaveSizes() {
    ++sizeSaveCalls;
    bool saved = NextResult(sizeSaves);
    if (saved)
        Sizes().SetChanged(false);
    return saved;
}

bool TestView::SavePoints() {
    ++pointSaveCalls;
    bool saved = NextResult(pointSaves);
    if (saved)
        Cals().SetChanged(false);
    return saved;
}

void TestView::OnScanPortOpened(int port) {
    CKTRView::OnScanPortOpened(port);
    progressUpper = m_bar.GetProgressCtrl().GetUpper();
    if (duringScan)
        duringScan();
}

void TestView::OnScanAddressDone(int port, int address) {
    CKTRView::OnScanAddressDone(port, address);
    progressPos = m_bar.GetProgressCtrl().GetPos();
}

ViewWindow::ViewWindow() {
    auto* layout = new QVBoxLayout(&window);
    layout->setContentsMargins(0, 0, 0, 0);
    bar = new CStatusProgressBar(&window);
    view = new TestView(doc, &window, *bar);
    layout->addWidget(view, 1);
    layout->addWidget(bar);
    window.resize(800, 560);
    bar->ShowReady();
    window.show();
    QApplication::processEvents();
}

CSensor& ViewWindow::AddSensor(int port, int address, const std::string& model) {
    SimCounterConfig tables = Counter(address, model);
    CSensor& sensor = doc.GetSensors().emplace_back();
    sensor.SetPort(port);
    sensor.SetAddress(address);
    sensor.SetModel(model);
    for (double size : tables.sizes)
        sensor.GetSizes().AddTail(size);
    for (auto [size, voltage] : tables.points)
        sensor.GetCalCurve().AddTail(CCalPoint{size, voltage});
    return sensor;
}

std::vector<std::string> ViewWindow::MessageTexts() const {
    std::vector<std::string> texts;
    for (const auto& shown : display.Messages())
        texts.push_back(shown.text);
    return texts;
}
