#pragma once

#include <optional>
#include <string>
#include <vector>

// The ktrctl commands. Each returns the exit status (ExitCode.h); values
// that are not acceptable on the command line give kExitUsage before any
// port is touched. A command cut short by SIGINT or SIGTERM returns
// kExitRefused; ktrctl then exits with the signal's status.

// ports: a list such as "1-4,7", or nothing for COM1 to COM32; a list
// given empty is a usage error. quiet: no per-port report but failures.
int RunScanCommand(const std::optional<std::string>& ports, bool json, bool quiet);
// COM1 to COM32, their devices and states; sends nothing on any line.
int RunPortsCommand(bool json);
// ports assign COM<n> DEVICE (action "assign") or ports forget COM<n>.
int RunPortsEditCommand(const std::string& action, int port, const std::string& device);
// Looks for the machine's com ports before a command on one counter, so it
// finds an adapter plugged in since the last look; says what is wrong with
// the ports files on stderr. Does nothing with KTRSETUP_PORT_DIR set.
void LookForComPorts();
int RunReadCommand(int port, int address, bool json);
// sizes: numbers as typed.
int RunProgramSizesCommand(int port, int address, const std::vector<std::string>& sizes, bool json);
// points: "SIZE:VOLTAGE" as typed.
int RunProgramCalCommand(int port, int address, const std::vector<std::string>& points, bool json);
// The tables of a saved record (recordFile, from `read --json`) or a
// calibration sheet (csvFile); exactly one of the two is not empty. A
// record of another model than the counter's is refused unless force.
int RunProgramCommand(int port, int address, const std::string& recordFile,
                      const std::string& csvFile, bool force, bool json);
int RunFlashCommand(int port, int address, bool on);
