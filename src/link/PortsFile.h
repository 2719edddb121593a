#pragma once

#include <filesystem>
#include <string>
#include <vector>

// The ports file keeps the COM numbers given to serial adapters, one line
// per number: "COM<n> <device>", where the device is an adapter's stable
// name or a device path. Blank lines and lines starting with '#' are
// ignored; blanks and CR around a line are trimmed.

struct PortsFileLine {
    int port = 0;       // 1..32
    std::string device; // stable name or device path, as written

    bool operator==(const PortsFileLine&) const = default;
};

struct PortsFileContents {
    std::vector<PortsFileLine> lines; // the lines understood, in file order
    // Lines not understood, by line number (1-based), with their text: no
    // "COM<n>" with n from 1 to 32, no device, or a number or device that an
    // earlier line already has.
    std::vector<std::pair<int, std::string>> damaged;
    bool exists = false; // false when the file is missing
    std::string error;   // why an existing file could not be read

    bool Damaged() const { return !damaged.empty() || !error.empty(); }
};

PortsFileContents ParsePortsText(const std::string& text);

// A missing file reads as empty, without error.
PortsFileContents ReadPortsFile(const std::filesystem::path& path);

// The file's text for these lines, after a comment that says what it is.
std::string PortsFileText(const std::vector<PortsFileLine>& lines);

// Replaces the file at once with these lines: the text goes to a fresh file
// beside it, which is then renamed over it, so a reader sees the old file
// or the new one, never a part. Creates the folder. On failure returns false
// with the reason in error and leaves the old file as it was.
bool WritePortsFile(const std::filesystem::path& path, const std::vector<PortsFileLine>& lines,
                    std::string& error);

// "COM3": the port's name in the file and in texts.
std::string ComPortName(int port);

// The port number of "COM3" (letter case ignored) or "3"; 0 for anything else.
int ParseComPortName(const std::string& text);
