// Without a port folder the window scans the devices found below the device
// root: an adapter plugged in after a scan is found by the next rescan, and
// each port item names its device for the mouse and for a screen reader.
#include "ViewFixture.h"
#include "app/widgets/CSensorTree.h"

#include <QTemporaryDir>
#include <QTreeWidgetItem>
#include <filesystem>
#include <gtest/gtest.h>

namespace {

namespace fs = std::filesystem;

class PortDiscoveryRescanTest : public testing::Test {
protected:
    PortDiscoveryRescanTest()
        : ports({{1, {Counter(2, "KTR-100")}}, {2, {Counter(4, "KTR-100")}}}, "KTR-100\n"),
          noFolder("KTRSETUP_PORT_DIR", ""), root("KTRSETUP_DEV_ROOT", Root().string()),
          config("XDG_CONFIG_HOME", m_dir.path().toStdString() + "/config") {}

    fs::path Root() const { return fs::path(m_dir.path().toStdString()) / "root"; }

    // An adapter as udev links it, leading to a simulated port.
    void PlugIn(const std::string& name, const std::string& node, int simPort) {
        fs::create_directories(Root() / "dev/serial/by-id");
        fs::create_symlink(ports.Port(simPort).LinkPath(), Root() / "dev" / node);
        fs::create_symlink("../../" + node, Root() / "dev/serial/by-id" / name);
    }

    QTemporaryDir m_dir;
    SimulatedPorts ports;
    ScopedEnv noFolder, root, config;
    ViewWindow w;
};

TEST_F(PortDiscoveryRescanTest, NextRescanFindsANewAdapterAndPortItemsNameTheirDevice) {
    PlugIn("usb-Acme_Serial_0001-if00", "ttyACM0", 1);
    w.view->OnRescan();
    ASSERT_EQ(w.view->Tree().topLevelItemCount(), 1);

    PlugIn("usb-Zeta_RS485_77-if00-port0", "ttyUSB0", 2);
    w.view->OnRescan();

    ASSERT_EQ(w.view->Tree().topLevelItemCount(), 2);
    const std::pair<const char*, const char*> items[] = {
        {"Comport 1", "usb-Acme_Serial_0001-if00"}, {"Comport 2", "usb-Zeta_RS485_77-if00-port0"}};
    for (const auto& [text, device] : items) {
        QTreeWidgetItem* item = w.view->Item(text);
        ASSERT_NE(item, nullptr) << text;
        EXPECT_EQ(item->toolTip(0), device);
        EXPECT_EQ(item->data(0, Qt::AccessibleDescriptionRole).toString(), device);
    }
    EXPECT_TRUE(w.display.Messages().empty());
}

} // namespace
