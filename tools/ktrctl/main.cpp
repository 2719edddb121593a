// ktrctl: scan for counters, list the com ports, read a counter's tables,
// program sizes and calibration (typed, or from files), and switch a
// counter's flash, from the command line; list the programming journal and
// put back a table it recorded.

#include "CTracePrinter.h"
#include "CommandLine.h"
#include "Commands.h"
#include "ExitCode.h"
#include "KtrctlJournal.h"
#include "StopRequest.h"
#include "Terminal.h"
#include "link/ReplyTiming.h"

#include <cstring>
#include <memory>

namespace {

int RunCommand(const CommandLine& line) {
    const std::string& command = line.command;
    if (command == "scan")
        return RunScanCommand(line.ports, line.json, line.quiet);
    if (command == "ports")
        return line.portsAction.empty()
                   ? RunPortsCommand(line.json)
                   : RunPortsEditCommand(line.portsAction, line.port, line.device);
    LookForComPorts();
    if (command == "read")
        return RunReadCommand(line.port, line.address, line.json);
    if (command == "program")
        return RunProgramCommand(line.port, line.address, line.from, line.fromCsv, line.force,
                                 line.json);
    if (command == "program-sizes")
        return RunProgramSizesCommand(line.port, line.address, line.values, line.json);
    if (command == "program-cal")
        return RunProgramCalCommand(line.port, line.address, line.values, line.json);
    if (command == "flash")
        return RunFlashCommand(line.port, line.address, line.flashOn);
    if (command == "journal")
        return RunJournalCommand(line.filterPort, line.filterAddress, line.json);
    if (command == "restore")
        return RunRestoreCommand(line.id, line.force, line.json);
    return kExitUsage;
}

// The status of a run that a signal stopped: 128 + the signal's number, as
// a shell reports a program that the signal ended.
int Stopped(int signal) {
    PrintError(std::string("stopped by ") + StopCauseName() + "; every port is released");
    return 128 + signal;
}

} // namespace

int main(int argc, char** argv) {
    PrepareConsole();
    const auto parsed = ParseCommandLine(argc, argv);
    if (const int* status = std::get_if<int>(&parsed))
        return *status;
    const CommandLine& line = std::get<CommandLine>(parsed);

    if (line.strictTiming)
        SetDefaultReplyTiming(ReplyTiming::Strict);
    UseJournal(!line.noJournal);
    InstallStopHandlers();
    std::unique_ptr<CTracePrinter> trace;
    if (line.trace) {
        trace = std::make_unique<CTracePrinter>();
        SetLineTrafficListener(trace.get());
    }
    const int status = RunCommand(line);
    SetLineTrafficListener(nullptr);
    const int signal = StopSignalNumber();
    return signal != 0 ? Stopped(signal) : status;
}
