// ktrguibench: how much of the user-interface thread a rescan of all 32 com
// ports takes while the scan threads work against a paced simulated
// network. The desktop program runs offscreen, exactly as it starts up; the
// figure is the CPU time of the user-interface thread as a share of the
// scan's wall time. Prints figures; judges nothing.

#include "CForkedSimulator.h"
#include "app/CKTRApp.h"
#include "app/CKTRDoc.h"
#include "app/CMainFrame.h"
#include "app/ControlIds.h"
#include "app/view/CKTRView.h"

#include <QApplication>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>

namespace {

constexpr int kPorts = 32;
constexpr int kRuns = 3;

// Every port with counters at addresses 0, 10 and 20.
SimNetworkConfig Network(const std::string& portDir) {
    SimNetworkConfig config;
    config.portDir = portDir;
    config.pacing = true;
    for (int port = 1; port <= kPorts; ++port) {
        SimPortConfig line{port, {}};
        for (int address : {0, 10, 20}) {
            SimCounterConfig counter;
            counter.address = address;
            counter.model = "KTR-100\r\n";
            counter.sizes = {0.3, 0.5, 1.0, 2.5, 5.0, 10};
            counter.points = {{0.3, 100}, {0.5, 150.5}, {1.0, 400}, {5.0, 2600}};
            line.counters.push_back(counter);
        }
        config.ports.push_back(line);
    }
    return config;
}

double ThreadCpuMs() {
    timespec t{};
    ::clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return t.tv_sec * 1000.0 + t.tv_nsec / 1e6;
}

double ProcessCpuMs() {
    timespec t{};
    ::clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return t.tv_sec * 1000.0 + t.tv_nsec / 1e6;
}

// One Rescan, as a click on the button runs it; returns when it is over.
void Measure(CKTRApp& app, int run) {
    CKTRView& view = *app.GetMainFrame()->GetView();
    const double uiBefore = ThreadCpuMs();
    const double processBefore = ProcessCpuMs();
    const auto start = std::chrono::steady_clock::now();
    view.OnCommand(IDC_RESCAN);
    const std::chrono::duration<double, std::milli> wall = std::chrono::steady_clock::now() - start;
    const double ui = ThreadCpuMs() - uiBefore;
    std::printf("rescan %d  %10.1f %10.1f %9.2f %% %12.1f %7zu\n", run, wall.count(), ui,
                100.0 * ui / wall.count(), ProcessCpuMs() - processBefore,
                app.GetDocument()->GetSensors().size());
}

} // namespace

int main(int argc, char** argv) {
    namespace fs = std::filesystem;
    const fs::path dir = fs::temp_directory_path() / ("ktrguibench-" + std::to_string(::getpid()));
    fs::create_directories(dir);
    std::ofstream(dir / "supported-models") << "KTR-100\n";
    ::setenv("KTRSETUP_PORT_DIR", (dir / "ports").c_str(), 1);
    ::setenv("KTRSETUP_SUPPORTED_MODELS", (dir / "supported-models").c_str(), 1);
    if (!std::getenv("QT_QPA_PLATFORM"))
        ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    {
        // The simulator runs in a child process, forked before any thread.
        CForkedSimulator sim(Network((dir / "ports").string()));
        QApplication qt(argc, argv);
        CKTRApp app;
        if (!app.InitInstance())
            return 1;
        QApplication::processEvents(); // window shown; the start-up Rescan is posted, not run
        std::printf("Rescan of COM1-COM%d, 3 counters per port, simulated at 9600 baud.\n", kPorts);
        std::printf("%-9s %10s %10s %11s %12s %7s\n", "", "wall ms", "UI cpu ms", "UI share",
                    "process cpu", "found");
        for (int run = 1; run <= kRuns; ++run)
            Measure(app, run);
        sim.Stop();
    }
    fs::remove_all(dir);
    return 0;
}
