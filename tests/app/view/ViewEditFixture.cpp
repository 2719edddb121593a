#include "app/view/ViewEditFixture.h"

#include "app/widgets/CStatusProgressBar.h"

#include <QApplication>

ViewEditFixture::ViewEditFixture() : frame(doc) {
    frame.Create();
    frame.show();
    QApplication::processEvents();
    view = frame.GetView();
}

CSensor& ViewEditFixture::Select(int port, int address, const std::vector<double>& sizes,
                                 const std::vector<std::pair<double, double>>& points) {
    CSensor& sensor = doc.GetSensors().emplace_back();
    sensor.SetPort(port);
    sensor.SetAddress(address);
    sensor.SetModel("KTR-100");
    for (double size : sizes)
        sensor.GetSizes().AddTail(size);
    for (const auto& [size, voltage] : points)
        sensor.GetCalCurve().AddTail(CCalPoint(size, voltage));
    view->LoadSensor(&sensor);
    frame.GetStatusBar().ShowFlashing(port, address);
    return sensor;
}

void ViewEditFixture::Click(const char* button) {
    QPushButton* target = view->findChild<QPushButton*>(button);
    ASSERT_NE(target, nullptr) << button;
    target->click();
}

bool ViewEditFixture::SelectRow(const char* list, const QString& text) {
    auto* control = view->findChild<QTreeWidget*>(list);
    for (int i = 0; i < control->topLevelItemCount(); ++i) {
        if (control->topLevelItem(i)->text(0) == text) {
            control->setCurrentItem(control->topLevelItem(i));
            return true;
        }
    }
    return false;
}

std::vector<QString> ViewEditFixture::Rows(const char* list) const {
    auto* control = view->findChild<QTreeWidget*>(list);
    std::vector<QString> rows;
    for (int i = 0; i < control->topLevelItemCount(); ++i) {
        QStringList columns;
        for (int c = 0; c < control->columnCount(); ++c)
            columns << control->topLevelItem(i)->text(c);
        rows.push_back(columns.join(" / "));
    }
    return rows;
}

std::vector<double> ViewEditFixture::WorkingSizes() const {
    return Values(view->Sizes().Working());
}

std::vector<std::pair<double, double>> ViewEditFixture::WorkingPoints() const {
    return Values(view->Cals().Working());
}

std::vector<double> Values(const CSizeList& sizes) {
    std::vector<double> values;
    for (auto pos = sizes.GetHeadPosition(); pos;)
        values.push_back(sizes.GetNext(pos));
    return values;
}

std::vector<std::pair<double, double>> Values(const CCalCurve& curve) {
    std::vector<std::pair<double, double>> values;
    for (auto pos = curve.GetHeadPosition(); pos;) {
        const CCalPoint& point = curve.GetNext(pos);
        values.emplace_back(point.m_size, point.m_voltage);
    }
    return values;
}

SimCounterConfig Ktr100(int address, const std::vector<double>& sizes,
                        const std::vector<std::pair<double, double>>& points) {
    SimCounterConfig config;
    config.address = address;
    config.model = "KTR-100\r\n";
    config.sizes = sizes;
    config.points = points;
    return config;
}
