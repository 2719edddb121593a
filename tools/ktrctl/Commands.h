#pragma once

#include <optional>
#include <string>
#include <vector>

// The ktrctl commands. Each returns the exit status (ExitCode.h); values
// that are not acceptable on the command line give kExitUsage before any
// port is touched.

// ports: a list such as "1-4,7", or nothing for COM1 to COM32; a list
// given empty is a usage error.
int RunScanCommand(const std::optional<std::string>& ports, bool json);
int RunReadCommand(int port, int address, bool json);
// sizes: numbers as typed.
int RunProgramSizesCommand(int port, int address, const std::vector<std::string>& sizes, bool json);
// points: "SIZE:VOLTAGE" as typed.
int RunProgramCalCommand(int port, int address, const std::vector<std::string>& points, bool json);
int RunFlashCommand(int port, int address, bool on);
