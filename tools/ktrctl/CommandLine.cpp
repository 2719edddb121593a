#include "CommandLine.h"

#include "ExitCode.h"
#include "Terminal.h"
#include "link/PortsFile.h"

#include <CLI/CLI.hpp>

#include <charconv>
#include <map>

namespace {

const char* const kCommandList = "scan, ports, read, program, program-sizes, program-cal, flash";

// The arguments as typed; checked after parsing, so that every mistake is
// said in words of our own.
struct Typed {
    std::string port;
    std::string comPort; // ports assign / forget
    std::string address;
    std::string state;
};

struct Parser {
    CLI::App app{"Set up particle counters on serial networks", "ktrctl"};
    CommandLine line;
    Typed typed;
    // Each command with its usage line.
    std::map<CLI::App*, std::string> usage;
    CLI::App* assign = nullptr;
    CLI::App* forget = nullptr;
};

// Options taken before or after the command.
void AddGlobalFlags(CLI::App& app, Parser& p) {
    app.add_flag("--trace", p.line.trace,
                 "Print every byte on the lines on stderr, with time and direction");
    app.add_flag("--strict-timing", p.line.strictTiming,
                 "End size and calibration reads by the time-out rules only");
}

void AddCommon(CLI::App& command, Parser& p, bool json) {
    if (json)
        command.add_flag("--json", p.line.json, "Print JSON only on stdout");
    AddGlobalFlags(command, p);
    command.allow_extras();
}

CLI::App* AddCommand(Parser& p, const std::string& name, const std::string& description,
                     const std::string& arguments) {
    CLI::App* command = p.app.add_subcommand(name, description);
    p.usage[command] = "ktrctl " + name + (arguments.empty() ? "" : " " + arguments);
    return command;
}

CLI::App* AddCounterCommand(Parser& p, const std::string& name, const std::string& description,
                            const std::string& arguments) {
    CLI::App* command = AddCommand(p, name, description, "PORT ADDRESS" + arguments);
    command->add_option("PORT", p.typed.port, "Com port, 1 to 32 or COM1 to COM32");
    command->add_option("ADDRESS", p.typed.address, "Network address of the counter, 0 to 31");
    return command;
}

void AddPortCommands(Parser& p) {
    CLI::App* scan = AddCommand(p, "scan", "Find the supported counters on the com ports",
                                "[--ports LIST] [--json] [--quiet] [--trace]");
    scan->add_option("--ports", p.line.ports, "Com ports to scan, e.g. 1-4,7 (default 1-32)");
    scan->add_flag("--quiet", p.line.quiet, "Say nothing of ports that were scanned or missing");
    AddCommon(*scan, p, true);
    CLI::App* ports =
        AddCommand(p, "ports", "List the com ports with their devices and states",
                   "[--json] [--trace] | ports assign COM<n> DEVICE | ports forget COM<n>");
    AddCommon(*ports, p, true);
    p.assign = ports->add_subcommand("assign", "Give a com port number to a device");
    p.assign->add_option("PORT", p.typed.comPort, "Com port, COM1 to COM32");
    p.assign->add_option("DEVICE", p.line.device,
                         "Stable name, its /dev/serial/by-id path, or device path");
    p.forget = ports->add_subcommand("forget", "Forget the device of a com port number");
    p.forget->add_option("PORT", p.typed.comPort, "Com port, COM1 to COM32");
    for (CLI::App* action : {p.assign, p.forget})
        AddCommon(*action, p, false);
}

void AddCounterCommands(Parser& p) {
    AddCommon(*AddCounterCommand(p, "read", "Identify one counter and read its tables",
                                 " [--json] [--trace]"),
              p, true);
    CLI::App* program =
        AddCounterCommand(p, "program", "Program the tables of a saved record or a CSV sheet",
                          " (--from FILE | --from-csv FILE) [--force] [--json] [--trace]");
    program->add_option("--from", p.line.from, "A record as `ktrctl read --json` prints it");
    program->add_option("--from-csv", p.line.fromCsv, "A calibration sheet: size,voltage lines");
    program->add_flag("--force", p.line.force,
                      "Program a record of another model than the counter's all the same");
    AddCommon(*program, p, true);
    CLI::App* sizes =
        AddCounterCommand(p, "program-sizes", "Program the channel sizes (micrometres)",
                          " SIZE... [--json] [--trace]");
    sizes->add_option("SIZE", p.line.values, "Sizes, e.g. 0.3 0.5 1.0");
    AddCommon(*sizes, p, true);
    CLI::App* cal = AddCounterCommand(p, "program-cal",
                                      "Program the calibration curve (micrometres:millivolts)",
                                      " SIZE:VOLTAGE... [--json] [--trace]");
    cal->add_option("SIZE:VOLTAGE", p.line.values, "Points, e.g. 0.3:100 0.5:150.5 1:400");
    AddCommon(*cal, p, true);
    CLI::App* flash =
        AddCounterCommand(p, "flash", "Switch a counter's flash on or off", " on|off [--trace]");
    flash->add_option("STATE", p.typed.state, "on or off");
    AddCommon(*flash, p, false);
}

std::optional<int> WholeNumber(const std::string& text, int first, int last) {
    int value = 0;
    const char* end = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data(), end, value);
    if (text.empty() || ec != std::errc() || ptr != end || value < first || value > last)
        return std::nullopt;
    return value;
}

// Says what was wrong, and for a command its usage; returns kExitUsage.
int Usage(const std::string& what, const std::string& usage = "") {
    PrintError(what);
    if (!usage.empty())
        PrintError("usage: " + usage);
    return kExitUsage;
}

int UnknownAtTop(const std::string& argument) {
    if (!argument.empty() && argument.front() == '-')
        return Usage("unknown option '" + argument + "'; before a command ktrctl takes " +
                     "--trace, --strict-timing, --help and --version; commands: " + kCommandList);
    return Usage("unknown command '" + argument + "'; commands: " + kCommandList);
}

int Unexpected(const std::string& name, const std::string& argument, const std::string& usage) {
    const bool option = argument.size() > 1 && argument.front() == '-';
    return Usage((option ? "unknown option '" : "unexpected argument '") + argument + "' for " +
                     name,
                 usage);
}

// The first argument of a counter command that is missing, or nothing.
std::string MissingArgument(const std::string& name, const Parser& p) {
    const Typed& t = p.typed;
    if (t.port.empty())
        return "PORT";
    if (t.address.empty())
        return "ADDRESS";
    if (name == "flash" && t.state.empty())
        return "on or off";
    if (name == "program-sizes" && p.line.values.empty())
        return "the sizes";
    if (name == "program-cal" && p.line.values.empty())
        return "the calibration points";
    return "";
}

// The positional arguments of a counter command.
int CheckCounterArguments(const std::string& name, Parser& p, const std::string& usage) {
    const Typed& t = p.typed;
    const std::string missing = MissingArgument(name, p);
    if (!missing.empty())
        return Usage(name + " needs " + missing, usage);
    const int port = ParseComPortName(t.port);
    if (port == 0)
        return Usage("'" + t.port + "' is not a com port number (1 to 32)", usage);
    const auto address = WholeNumber(t.address, 0, 31);
    if (!address)
        return Usage("'" + t.address + "' is not a network address (0 to 31)", usage);
    p.line.port = port;
    p.line.address = *address;
    if (name == "flash" && t.state != "on" && t.state != "off")
        return Usage("'" + t.state + "' is neither on nor off", usage);
    p.line.flashOn = t.state == "on";
    return kExitOk;
}

// ports assign COM<n> DEVICE, ports forget COM<n>, or the listing.
int CheckPortsAction(Parser& p, const std::string& usage) {
    CLI::App* action = p.assign->parsed() ? p.assign : p.forget->parsed() ? p.forget : nullptr;
    if (!action)
        return kExitOk;
    const std::string name = "ports " + action->get_name();
    p.line.portsAction = action->get_name();
    if (!action->remaining().empty())
        return Unexpected(name, action->remaining().front(), usage);
    if (p.typed.comPort.empty() || (action == p.assign && p.line.device.empty()))
        return Usage(name + " needs " + (p.typed.comPort.empty() ? "COM<n>" : "DEVICE"), usage);
    p.line.port = ParseComPortName(p.typed.comPort);
    if (p.line.port == 0)
        return Usage("'" + p.typed.comPort + "' is not a com port (COM1 to COM32)", usage);
    return kExitOk;
}

int CheckProgramSources(const CommandLine& line, const std::string& usage) {
    if (line.from.empty() == line.fromCsv.empty())
        return Usage(line.from.empty() ? "program needs --from FILE or --from-csv FILE"
                                       : "program takes --from or --from-csv, not both",
                     usage);
    return kExitOk;
}

// Everything CLI11 accepted, checked in our own words.
int CheckParsed(Parser& p) {
    if (!p.app.remaining().empty())
        return UnknownAtTop(p.app.remaining().front());
    for (const auto& [command, usage] : p.usage) {
        if (!command->parsed())
            continue;
        const std::string name = command->get_name();
        p.line.command = name;
        if (!command->remaining().empty())
            return Unexpected(name, command->remaining().front(), usage);
        if (name == "ports")
            return CheckPortsAction(p, usage);
        if (name == "scan")
            return kExitOk;
        const int status = CheckCounterArguments(name, p, usage);
        return status != kExitOk || name != "program" ? status : CheckProgramSources(p.line, usage);
    }
    return Usage(std::string("no command given; commands: ") + kCommandList +
                 " ('ktrctl --help' says more)");
}

// CLI11's own failures: an option that wants a value got none ("--ports:
// 1 required TEXT missing") is the one left once every argument is a text.
int ParseFailure(Parser& p, const CLI::ParseError& error) {
    // --help and --version end here too, with their text on stdout.
    if (error.get_exit_code() == 0)
        return p.app.exit(error);
    const std::string what = error.what();
    if (dynamic_cast<const CLI::ArgumentMismatch*>(&error))
        return Usage("option " + what.substr(0, what.find(':')) + " needs a value");
    return Usage(what);
}

} // namespace

std::variant<CommandLine, int> ParseCommandLine(int argc, char** argv) {
    Parser p;
    p.app.set_version_flag("--version", std::string("ktrctl ") + KTRCTL_VERSION);
    AddGlobalFlags(p.app, p);
    p.app.allow_extras();
    p.app.footer("Exit status: 0 success, 1 refused by a counter, a port or validation, "
                 "2 usage error, 130/143 stopped by SIGINT/SIGTERM.\n"
                 "Environment: KTRSETUP_PORT_DIR, KTRSETUP_DEV_ROOT, KTRSETUP_SUPPORTED_MODELS, "
                 "KTRSETUP_STRICT_TIMING, XDG_CONFIG_HOME.");
    AddPortCommands(p);
    AddCounterCommands(p);
    try {
        p.app.parse(argc, argv);
    } catch (const CLI::ParseError& error) {
        return ParseFailure(p, error);
    }
    const int status = CheckParsed(p);
    if (status != kExitOk)
        return status;
    return p.line;
}
