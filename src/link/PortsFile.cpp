#include "link/PortsFile.h"

#include <algorithm>
#include <cctype>
#include <fstream>
#include <random>
#include <sstream>

namespace {

constexpr int kLastPort = 32;

std::string Trimmed(const std::string& text) {
    const char* blanks = " \t\r\n";
    const size_t first = text.find_first_not_of(blanks);
    if (first == std::string::npos)
        return "";
    return text.substr(first, text.find_last_not_of(blanks) - first + 1);
}

bool HasComPrefix(const std::string& text) {
    return text.size() > 3 && std::equal(text.begin(), text.begin() + 3, "COM", [](char a, char b) {
               return std::toupper(static_cast<unsigned char>(a)) == b;
           });
}

// The line's port and device, or port 0 when the line is not understood.
PortsFileLine ParseLine(const std::string& line) {
    const size_t gap = line.find_first_of(" \t");
    if (gap == std::string::npos)
        return {};
    const std::string name = line.substr(0, gap);
    const std::string device = Trimmed(line.substr(gap));
    if (!HasComPrefix(name) || device.empty())
        return {};
    return {ParseComPortName(name), device};
}

bool Taken(const std::vector<PortsFileLine>& lines, const PortsFileLine& line) {
    return std::any_of(lines.begin(), lines.end(), [&](const PortsFileLine& earlier) {
        return earlier.port == line.port || earlier.device == line.device;
    });
}

// A name for the temporary file that no other writer picks at the same time.
std::filesystem::path TemporaryBeside(const std::filesystem::path& path) {
    std::random_device random;
    std::ostringstream name;
    name << '.' << path.filename().string() << '.' << std::hex << random() << random();
    return path.parent_path() / name.str();
}

} // namespace

std::string ComPortName(int port) {
    return "COM" + std::to_string(port);
}

int ParseComPortName(const std::string& text) {
    std::string digits = text;
    if (HasComPrefix(text))
        digits = text.substr(3);
    if (digits.empty() || digits.size() > 2 ||
        !std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; }))
        return 0;
    const int port = std::stoi(digits);
    return port <= kLastPort ? port : 0;
}

PortsFileContents ParsePortsText(const std::string& text) {
    PortsFileContents contents;
    contents.exists = true;
    std::istringstream in(text);
    int number = 0;
    for (std::string raw; std::getline(in, raw);) {
        ++number;
        const std::string line = Trimmed(raw);
        if (line.empty() || line[0] == '#')
            continue;
        const PortsFileLine parsed = ParseLine(line);
        if (parsed.port == 0 || Taken(contents.lines, parsed))
            contents.damaged.emplace_back(number, line);
        else
            contents.lines.push_back(parsed);
    }
    return contents;
}

PortsFileContents ReadPortsFile(const std::filesystem::path& path) {
    std::error_code error;
    if (!std::filesystem::exists(path, error) && !error)
        return {};
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    if (in)
        text << in.rdbuf();
    if (!in || in.bad()) {
        PortsFileContents unreadable;
        unreadable.exists = true;
        unreadable.error = "cannot be read";
        return unreadable;
    }
    return ParsePortsText(text.str());
}

std::string PortsFileText(const std::vector<PortsFileLine>& lines) {
    std::string text = "# COM numbers of serial adapters, kept by ktrsetup and ktrctl.\n"
                       "# One line per number: COM<n> <stable name or device path>\n";
    for (const PortsFileLine& line : lines)
        text += ComPortName(line.port) + " " + line.device + "\n";
    return text;
}

bool WritePortsFile(const std::filesystem::path& path, const std::vector<PortsFileLine>& lines,
                    std::string& error) {
    std::error_code code;
    std::filesystem::create_directories(path.parent_path(), code);
    if (code) {
        error = "cannot create " + path.parent_path().string() + ": " + code.message();
        return false;
    }
    const std::filesystem::path temporary = TemporaryBeside(path);
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        out << PortsFileText(lines);
        out.flush();
        if (!out) {
            error = "cannot write " + temporary.string();
            out.close();
            std::filesystem::remove(temporary, code);
            return false;
        }
    }
    std::filesystem::rename(temporary, path, code);
    if (code) {
        error = "cannot replace " + path.string() + ": " + code.message();
        std::filesystem::remove(temporary, code);
        return false;
    }
    return true;
}
