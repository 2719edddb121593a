// ktrctl: scan for counters, read their tables, program sizes and
// calibration, and switch their flash, from the command line.

#include "CTerminalMessageDisplay.h"
#include "Commands.h"
#include "ExitCode.h"
#include "link/ReplyTiming.h"

#include <CLI/CLI.hpp>

#include <csignal>
#include <functional>
#include <string>
#include <vector>

namespace {

struct Arguments {
    std::string ports;
    int port = 0;
    int address = 0;
    bool json = false;
    std::vector<std::string> values;
    std::string flash;
};

void AddCounterArguments(CLI::App& command, Arguments& args) {
    command.add_option("PORT", args.port, "Com port number, 1 to 32")
        ->required()
        ->check(CLI::Range(1, 32));
    command.add_option("ADDRESS", args.address, "Network address of the counter, 0 to 31")
        ->required()
        ->check(CLI::Range(0, 31));
}

void AddJsonFlag(CLI::App& command, Arguments& args) {
    command.add_flag("--json", args.json, "Print JSON only on stdout");
}

CLI::App* AddScan(CLI::App& app, Arguments& args) {
    CLI::App* scan = app.add_subcommand("scan", "Find the supported counters on the com ports");
    scan->add_option("--ports", args.ports, "Com ports to scan, e.g. 1-4,7 (default 1-32)");
    AddJsonFlag(*scan, args);
    return scan;
}

CLI::App* AddRead(CLI::App& app, Arguments& args) {
    CLI::App* read = app.add_subcommand("read", "Identify one counter and read its tables");
    AddCounterArguments(*read, args);
    AddJsonFlag(*read, args);
    return read;
}

CLI::App* AddProgramSizes(CLI::App& app, Arguments& args) {
    CLI::App* command =
        app.add_subcommand("program-sizes", "Program the channel sizes (micrometres)");
    AddCounterArguments(*command, args);
    command->add_option("SIZE", args.values, "Sizes, e.g. 0.3 0.5 1.0")->required();
    AddJsonFlag(*command, args);
    return command;
}

CLI::App* AddProgramCal(CLI::App& app, Arguments& args) {
    CLI::App* command =
        app.add_subcommand("program-cal", "Program the calibration curve (micrometres:millivolts)");
    AddCounterArguments(*command, args);
    command->add_option("SIZE:VOLTAGE", args.values, "Points, e.g. 0.3:100 0.5:150.5 1:400")
        ->required();
    AddJsonFlag(*command, args);
    return command;
}

CLI::App* AddFlash(CLI::App& app, Arguments& args) {
    CLI::App* flash = app.add_subcommand("flash", "Switch a counter's flash on or off");
    AddCounterArguments(*flash, args);
    flash->add_option("STATE", args.flash, "on or off")
        ->required()
        ->check(CLI::IsMember({"on", "off"}));
    return flash;
}

// CLI11 answers --help and --version with its own success code; every other
// parse error is a usage error.
int ParseFailure(CLI::App& app, const CLI::ParseError& error) {
    const int code = app.exit(error);
    return code == 0 ? kExitOk : kExitUsage;
}

struct Commands {
    CLI::App* scan;
    CLI::App* read;
    CLI::App* programSizes;
    CLI::App* programCal;
    CLI::App* flash;
};

Commands AddCommands(CLI::App& app, Arguments& args) {
    return {AddScan(app, args), AddRead(app, args), AddProgramSizes(app, args),
            AddProgramCal(app, args), AddFlash(app, args)};
}

int RunCommand(const Commands& commands, const Arguments& args) {
    if (commands.scan->parsed()) {
        // Given, even empty, the list is what to scan; an empty one is refused.
        const bool portsGiven = commands.scan->get_option("--ports")->count() > 0;
        return RunScanCommand(portsGiven ? std::optional(args.ports) : std::nullopt, args.json);
    }
    if (commands.read->parsed())
        return RunReadCommand(args.port, args.address, args.json);
    if (commands.programSizes->parsed())
        return RunProgramSizesCommand(args.port, args.address, args.values, args.json);
    if (commands.programCal->parsed())
        return RunProgramCalCommand(args.port, args.address, args.values, args.json);
    if (commands.flash->parsed())
        return RunFlashCommand(args.port, args.address, args.flash == "on");
    return kExitUsage;
}

} // namespace

int main(int argc, char** argv) {
    std::signal(SIGPIPE, SIG_IGN);
    CLI::App app("Set up particle counters on serial networks", "ktrctl");
    app.set_version_flag("--version", std::string("ktrctl ") + KTRCTL_VERSION);
    app.require_subcommand(1);
    app.footer("Exit status: 0 success, 1 refused by a counter, a port or validation, "
               "2 usage error.\nEnvironment: KTRSETUP_PORT_DIR, KTRSETUP_SUPPORTED_MODELS, "
               "KTRSETUP_STRICT_TIMING.");
    // Accepted before or after the command.
    app.fallthrough();
    app.add_flag_callback(
        "--strict-timing", [] { SetDefaultReplyTiming(ReplyTiming::Strict); },
        "End size and calibration reads by the time-out rules only");
    Arguments args;
    const Commands commands = AddCommands(app, args);
    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& error) {
        return ParseFailure(app, error);
    }

    CTerminalMessageDisplay display;
    SetMessageDisplay(&display);
    const int status = RunCommand(commands, args);
    SetMessageDisplay(nullptr);
    return status;
}
