#pragma once

#include <string>
#include <vector>

class CTerminalMessageDisplay;

// The ktrctl commands. Each returns the exit status (ExitCode.h); values
// that are not acceptable on the command line give kExitUsage before any
// port is touched.

// ports: a list such as "1-4,7", or empty for COM1 to COM32.
int RunScanCommand(const std::string& ports, bool json, CTerminalMessageDisplay& display);
int RunReadCommand(int port, int address, bool json, CTerminalMessageDisplay& display);
// sizes: numbers as typed.
int RunProgramSizesCommand(int port, int address, const std::vector<std::string>& sizes, bool json,
                           CTerminalMessageDisplay& display);
// points: "SIZE:VOLTAGE" as typed.
int RunProgramCalCommand(int port, int address, const std::vector<std::string>& points, bool json,
                         CTerminalMessageDisplay& display);
int RunFlashCommand(int port, int address, bool on, CTerminalMessageDisplay& display);
