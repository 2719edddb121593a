// ktrsim: runs a simulated counter network on pseudo-terminals linked as
// <port-dir>/COM<n>, until SIGINT or SIGTERM.

#include "CTranscriptWriter.h"
#include "SimProgramConfig.h"
#include "sim/CSimNetwork.h"

#include <CLI/CLI.hpp>

#include <atomic>
#include <csignal>
#include <cstdio>
#include <fstream>
#include <memory>
#include <optional>

namespace {

struct Options {
    std::string configFile;
    std::string portDir;
    std::string modelsFile;
    std::string transcriptFile;
    bool noTiming = false;
};

std::atomic<CSimNetwork*> g_network{nullptr};
volatile std::sig_atomic_t g_stopRequested = 0;

extern "C" void OnStopSignal(int) {
    g_stopRequested = 1;
    if (CSimNetwork* network = g_network.load())
        network->RequestStop();
}

void InstallStopHandlers() {
    struct sigaction action {};
    action.sa_handler = OnStopSignal;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
    std::signal(SIGPIPE, SIG_IGN);
}

void WriteModelsFile(const std::string& path, const std::vector<std::string>& models) {
    std::ofstream out(path, std::ios::trunc);
    out << "# Supported counter models of the simulated network (written by ktrsim)\n";
    for (const std::string& model : models)
        out << model << '\n';
    if (!out.flush())
        throw std::runtime_error(path + ": cannot be written");
}

void DescribeNetwork(CSimNetwork& network) {
    for (int comNumber : network.PortNumbers()) {
        CSimPort* port = network.Port(comNumber);
        std::fprintf(stderr, "ktrsim: COM%d at %s, %zu counter(s)\n", comNumber,
                     port->LinkPath().c_str(), port->Addresses().size());
    }
}

// A program killed while it had a port leaves the port marked exclusive;
// the simulator clears the mark and says so.
void ReportStaleMarks(CSimNetwork& network) {
    for (int comNumber : network.PortNumbers()) {
        network.Port(comNumber)->SetStaleMarkListener([comNumber] {
            std::fprintf(stderr,
                         "ktrsim: COM%d: released the port that a program left marked in use "
                         "when it ended\n",
                         comNumber);
        });
    }
}

int Run(const Options& options) {
    SimProgramConfig config =
        options.configFile.empty() ? DefaultSimConfig() : ReadSimConfigFile(options.configFile);
    config.network.portDir = options.portDir;
    config.network.pacing = !options.noTiming;

    std::unique_ptr<CTranscriptWriter> transcript;
    if (!options.transcriptFile.empty())
        transcript = std::make_unique<CTranscriptWriter>(options.transcriptFile);
    CSimNetwork network(config.network);
    if (transcript)
        transcript->Attach(network);
    if (!options.modelsFile.empty())
        WriteModelsFile(options.modelsFile, config.supportedModels);

    g_network.store(&network);
    if (g_stopRequested)
        network.RequestStop();
    DescribeNetwork(network);
    ReportStaleMarks(network);
    std::printf("READY\n");
    std::fflush(stdout);
    network.WaitForStopRequest();
    g_network.store(nullptr);
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    CLI::App app("Simulated counter network on pseudo-terminals", "ktrsim");
    app.set_version_flag("--version", std::string("ktrsim ") + KTRSIM_VERSION);
    Options options;
    app.add_option("--config", options.configFile, "JSON network description (default: built-in)")
        ->check(CLI::ExistingFile);
    app.add_option("--port-dir", options.portDir, "Folder for the COM<n> links")->required();
    app.add_option("--models-file", options.modelsFile, "Write the supported-models file here");
    app.add_flag("--no-timing", options.noTiming, "Answer at once instead of at 9600 baud");
    app.add_option("--transcript", options.transcriptFile, "Log every byte on the lines here");
    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& error) {
        return app.exit(error) == 0 ? 0 : 2;
    }

    InstallStopHandlers();
    try {
        return Run(options);
    } catch (const SimConfigError& error) {
        std::fprintf(stderr, "ktrsim: %s\n", error.what());
        return 2;
    } catch (const std::exception& error) {
        std::fprintf(stderr, "ktrsim: %s\n", error.what());
        return 1;
    }
}
