#include "app/seams/CQtScanSink.h"
#include "app/seams/CScanEvent.h"
#include "model/CSensor.h"

#include <QApplication>
#include <atomic>
#include <gtest/gtest.h>
#include <thread>

namespace {

// A record that tells when it is destroyed.
class TrackedSensor : public CSensor {
public:
    explicit TrackedSensor(std::atomic<int>& destroyed) : m_destroyed(destroyed) {}
    ~TrackedSensor() override { ++m_destroyed; }

private:
    std::atomic<int>& m_destroyed;
};

// Notes the scan events it receives, taking each record it is sent.
class ScanReceiver : public QObject {
public:
    std::vector<std::string> received;

protected:
    void customEvent(QEvent* event) override {
        auto* scan = static_cast<CScanEvent*>(event);
        std::string what = event->type() == CScanEvent::PortOpened    ? "opened"
                           : event->type() == CScanEvent::AddressDone ? "done"
                                                                      : "found";
        if (auto sensor = scan->TakeSensor())
            what += " model " + sensor->GetModel();
        received.push_back(what + " " + std::to_string(scan->Port()) + " " +
                           std::to_string(scan->Address()));
    }
};

std::unique_ptr<CSensor> Sensor(int port, int address, const std::string& model) {
    auto sensor = std::make_unique<CSensor>();
    sensor->SetPort(port);
    sensor->SetAddress(address);
    sensor->SetModel(model);
    return sensor;
}

TEST(QtScanSinkTest, DeliversAWorkersReportsInOrderOnTheUiThread) {
    ScanReceiver receiver;
    CQtScanSink sink(&receiver);
    std::thread worker([&] {
        sink.PortOpened(2);
        sink.AddressDone(2, 0);
        sink.SensorFound(Sensor(2, 1, "M1"));
        sink.AddressDone(2, 1);
    });
    worker.join();
    EXPECT_TRUE(receiver.received.empty()) << "posted, not delivered on the worker";
    QApplication::sendPostedEvents(&receiver);
    EXPECT_EQ(receiver.received, std::vector<std::string>({"opened 2 -1", "done 2 0",
                                                           "found model M1 2 1", "done 2 1"}));
}

TEST(QtScanSinkTest, RecordsAreDestroyedWhenNobodyTakesThem) {
    std::atomic<int> destroyed{0};
    {
        auto receiver = std::make_unique<ScanReceiver>();
        CQtScanSink sink(receiver.get());
        sink.SensorFound(std::make_unique<TrackedSensor>(destroyed));
        receiver.reset(); // the report is still queued
        EXPECT_EQ(destroyed, 1);
        sink.Detach();
        sink.SensorFound(std::make_unique<TrackedSensor>(destroyed));
        EXPECT_EQ(destroyed, 2);
    }
}

} // namespace
