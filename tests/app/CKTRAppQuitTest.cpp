// Every way out of the program: it ends within a second with every port
// free, whatever is open at the time, and no counter is left flashing.
#include "app/CKTRApp.h"
#include "app/CMainFrame.h"
#include "app/ControlIds.h"
#include "app/view/CKTRView.h"
#include "app/view/CSelection.h"
#include "app/view/ViewFixture.h"
#include "app/widgets/CSensorTree.h"
#include "link/CSerialPort.h"

#include <QApplication>
#include <QMenuBar>
#include <QMessageBox>
#include <QTest>
#include <QTimer>
#include <chrono>
#include <csignal>
#include <gtest/gtest.h>
#include <memory>
#include <optional>

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

const QString kSensor2 = "Sensor:02   Model: KTR-100";
const QString kSensor3 = "Sensor:03   Model: KTR-100";

QAction* ExitAction(CMainFrame& frame) {
    return frame.menuBar()->actions().at(0)->menu()->actions().at(0);
}

// How the user (or the desktop) ends the program; the time it is taken.
struct Way {
    const char* name;
    std::function<void(CMainFrame&)> quit;
};

const Way kWays[] = {
    {"File > Exit", [](CMainFrame& frame) { ExitAction(frame)->trigger(); }},
    {"close box", [](CMainFrame& frame) { frame.close(); }},
    {"SIGTERM", [](CMainFrame&) { std::raise(SIGTERM); }},
    {"SIGINT", [](CMainFrame&) { std::raise(SIGINT); }},
    {"SIGHUP", [](CMainFrame&) { std::raise(SIGHUP); }},
};
Clock::time_point g_taken;

void Take(const Way& way, CKTRApp& app) {
    g_taken = Clock::now();
    way.quit(*app.GetMainFrame());
}

bool AllPortsFree(int ports) {
    for (int port = 1; port <= ports; ++port) {
        CSerialPort serial;
        if (serial.Open(uint8_t(port)) != PortOpenFailure::None)
            return false;
    }
    return true;
}

// One step of what the test does while the program runs: true when done.
// Steps run from a timer, in whichever event loop runs (the scan's, a
// box's), and never block, as a user would not.
using Step = std::function<bool(CKTRApp&)>;

// The program as main runs it: start-up, the event loop while the steps
// are taken, then the end of the application object. Returns the status of
// the loop; elapsed is the time from the way out to the end.
int RunProgram(std::vector<Step> steps, Clock::duration& elapsed) {
    auto app = std::make_unique<CKTRApp>();
    EXPECT_TRUE(app->InitInstance());
    g_taken = Clock::time_point();
    size_t next = 0;
    QTimer timer;
    QObject::connect(&timer, &QTimer::timeout, [&] {
        if (next < steps.size() && steps[next](*app))
            ++next;
    });
    timer.start(20);
    const int status = QApplication::exec();
    timer.stop();
    app.reset();
    elapsed = Clock::now() - g_taken;
    EXPECT_EQ(next, steps.size()) << "steps left undone";
    return status;
}

CKTRView& View(CKTRApp& app) {
    return *app.GetMainFrame()->GetView();
}

bool ScanEnded(CKTRApp& app) {
    return !View(app).IsScanning() && View(app).findChild<CSensorTree*>()->topLevelItemCount() > 0;
}

bool BoxOpen(CKTRApp&) {
    return qobject_cast<QMessageBox*>(QApplication::activeModalWidget()) != nullptr;
}

Step Select(const QString& text) {
    return [text](CKTRApp& app) {
        CSensorTree* tree = View(app).findChild<CSensorTree*>();
        tree->setCurrentItem(tree->findItems(text, Qt::MatchExactly | Qt::MatchRecursive).value(0));
        return true;
    };
}

Step TakeWay(const Way& way) {
    return [&way](CKTRApp& app) {
        Take(way, app);
        return true;
    };
}

Step Wait(std::chrono::milliseconds time) {
    auto start = std::make_shared<std::optional<Clock::time_point>>();
    return [start, time](CKTRApp&) {
        if (!*start)
            *start = Clock::now();
        return Clock::now() - **start >= time;
    };
}

TEST(QuitTest, DuringAScanEveryWayEndsTheProgramWithinASecondAndFreesThePorts) {
    std::vector<SimPortConfig> network;
    for (int port = 1; port <= 4; ++port)
        network.push_back({port, {Counter(0, "KTR-100"), Counter(20, "KTR-100")}});
    SimulatedPorts ports(network, "KTR-100\n");
    ports.SetPacing(true);
    for (const Way& way : kWays) {
        SCOPED_TRACE(way.name);
        Clock::duration elapsed;
        const Step scanning = [](CKTRApp& app) { return View(app).IsScanning(); };
        EXPECT_EQ(RunProgram({scanning, Wait(500ms), scanning, TakeWay(way)}, elapsed), 0);
        EXPECT_LT(elapsed, 1s);
        EXPECT_TRUE(AllPortsFree(4));
    }
}

// A port that another program holds: the scan thread's box, then (once the
// scan is over and a counter selected) the flash timer's box.
TEST(QuitTest, WithAScanThreadsOrTheFlashTimersBoxOpenExitEndsTheProgram) {
    SimulatedPorts ports({{1, {Counter(2, "KTR-100")}}, {2, {Counter(3, "KTR-100")}}}, "KTR-100\n");
    const Way& exit = kWays[0];
    Clock::duration elapsed;
    {
        CSerialPort other;
        ASSERT_EQ(other.Open(1), PortOpenFailure::None);
        EXPECT_EQ(RunProgram({BoxOpen, TakeWay(exit)}, elapsed), 0);
        EXPECT_LT(elapsed, 1s);
    }
    CSerialPort other;
    const Step holdCom2 = [&](CKTRApp&) { return other.Open(2) == PortOpenFailure::None; };
    EXPECT_EQ(RunProgram({ScanEnded, Select(kSensor3), holdCom2, BoxOpen, TakeWay(exit)}, elapsed),
              0);
    EXPECT_LT(elapsed, 1s);
    other.Close();
    EXPECT_TRUE(AllPortsFree(2));
}

// Leaving a counter whose flash is on switches it off, once, whichever way
// the selection ends; the timer sends it nothing more.
TEST(QuitTest, TheCounterLeftIsSwitchedOffOnEveryWayOut) {
    SimulatedPorts ports({{1, {Counter(2, "KTR-100"), Counter(3, "KTR-100")}}}, "KTR-100\n");
    CSimCounter& left = *ports.Port(1).Counter(2);
    const Step rescan = [](CKTRApp& app) {
        View(app).OnCommand(IDC_RESCAN);
        return true;
    };
    const Step end = [](CKTRApp&) {
        QCoreApplication::exit(0);
        return true;
    };
    const std::pair<const char*, std::vector<Step>> leaves[] = {
        {"another item", {Select(kSensor3), Wait(700ms), end}},
        {"rescan", {rescan, Wait(700ms), end}},
        {"File > Exit", {TakeWay(kWays[0])}},
        {"close box", {TakeWay(kWays[1])}},
    };
    for (const auto& [name, leave] : leaves) {
        SCOPED_TRACE(name);
        int commands = 0;
        const Step lit = [&](CKTRApp&) {
            commands = left.FlashCommands();
            return left.IsFlashOn();
        };
        std::vector<Step> steps = {ScanEnded, Select(kSensor2), lit};
        steps.insert(steps.end(), leave.begin(), leave.end());
        Clock::duration elapsed;
        RunProgram(steps, elapsed);
        EXPECT_FALSE(left.IsFlashOn());
        EXPECT_EQ(left.FlashCommands(), commands + 1);
    }
}

} // namespace
