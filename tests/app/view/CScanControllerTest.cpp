#include "app/view/CScanController.h"
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
        ScanEvent& scan = static_cast<CScanEvent*>(event)->Event();
        std::string what = std::to_string(int(scan.kind));
        if (scan.sensor)
            what += " model " + scan.sensor->GetModel();
        received.push_back(what + " " + std::to_string(scan.port) + " " +
                           std::to_string(scan.address));
    }
};

ScanEvent Found(std::unique_ptr<CSensor> sensor, int port, int address) {
    ScanEvent event = ScanEvent::Of(ScanEvent::Kind::SensorFound, port, address);
    sensor->SetModel("M1");
    event.sensor = std::move(sensor);
    return event;
}

TEST(ScanControllerPostTest, DeliversAWorkersReportsInOrderOnTheUiThread) {
    using Kind = ScanEvent::Kind;
    ScanReceiver receiver;
    CScanController controller(&receiver);
    std::thread worker([&] {
        controller.Post(ScanEvent::Of(Kind::PortOpened, 2));
        controller.Post(ScanEvent::Of(Kind::AddressDone, 2, 0));
        controller.Post(Found(std::make_unique<CSensor>(), 2, 1));
        controller.Post(ScanEvent::Of(Kind::AddressDone, 2, 1));
        controller.Post(ScanEvent::Of(Kind::ThreadEnded, 2));
    });
    worker.join();
    EXPECT_TRUE(receiver.received.empty()) << "posted, not delivered on the worker";
    QApplication::sendPostedEvents(&receiver);
    const auto code = [](Kind kind) { return std::to_string(int(kind)) + " "; };
    EXPECT_EQ(receiver.received,
              std::vector<std::string>(
                  {code(Kind::PortOpened) + "2 -1", code(Kind::AddressDone) + "2 0",
                   code(Kind::SensorFound) + "model M1 2 1", code(Kind::AddressDone) + "2 1"}))
        << "the thread's end goes to the controller, not the view";
    QApplication::sendPostedEvents(&controller);
}

TEST(ScanControllerPostTest, RecordsAreDestroyedWhenNobodyTakesThem) {
    std::atomic<int> destroyed{0};
    auto receiver = std::make_unique<ScanReceiver>();
    CScanController controller(receiver.get());
    controller.Post(Found(std::make_unique<TrackedSensor>(destroyed), 1, 0));
    receiver.reset(); // the report is still queued
    EXPECT_EQ(destroyed, 1);
}

} // namespace
