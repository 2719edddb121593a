#pragma once

#include <optional>
#include <string>
#include <variant>
#include <vector>

// What ktrctl's command line asks for, checked: a known command with the
// arguments it needs, port and address in range.
struct CommandLine {
    std::string command;              // "scan", "ports", "read", "program", ...
    std::optional<std::string> ports; // scan --ports, when given (even empty)
    bool json = false;
    bool quiet = false;
    bool trace = false;
    bool strictTiming = false; // end size and calibration reads by the time-out rules only
    int port = 0;
    int address = 0;
    std::vector<std::string> values; // sizes or SIZE:VOLTAGE points as typed
    std::string from;                // program --from
    std::string fromCsv;             // program --from-csv
    bool force = false;              // program: a record of another model too
    bool flashOn = false;
    std::string portsAction; // "assign" or "forget" after ports; empty to list
    std::string device;      // ports assign: the device to give the port
};

// The command line, or the exit status when ktrctl is done with it: 0
// after --help or --version, 2 after a usage error, which is said on
// stderr in words ("ktrctl: unknown command 'scna'; commands: scan, ...").
std::variant<CommandLine, int> ParseCommandLine(int argc, char** argv);
