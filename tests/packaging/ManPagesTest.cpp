// Every option and command a program's --help offers is documented in its
// man page, and the man page carries the version the program reports.
#include "ToolProcess.h"

#include <fstream>
#include <gtest/gtest.h>
#include <regex>
#include <set>
#include <sstream>

namespace {

struct ProgramDoc {
    const char* name;
    const char* path;
};

std::string ReadText(const std::string& path) {
    std::ifstream in(path);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// The man page's roff source (scdoc leaves hyphens unescaped).
std::string ManPage(const std::string& program) {
    return ReadText(std::string(KTR_MAN_DIR) + "/" + program + ".1");
}

std::set<std::string> LongOptions(const std::string& help) {
    static const std::regex option("--[a-z][a-z-]*");
    std::set<std::string> options;
    for (auto it = std::sregex_iterator(help.begin(), help.end(), option);
         it != std::sregex_iterator(); ++it)
        options.insert(it->str());
    return options;
}

// The first word of each line of the help's "Subcommands:" block.
std::vector<std::string> Subcommands(const std::string& help) {
    std::vector<std::string> commands;
    const size_t start = help.find("Subcommands:\n");
    if (start == std::string::npos)
        return commands;
    std::istringstream lines(help.substr(start + 13));
    for (std::string line; std::getline(lines, line) && !line.empty();) {
        std::istringstream words(line);
        std::string command;
        if (words >> command)
            commands.push_back(command);
    }
    return commands;
}

// No display: the desktop program must answer --help and --version without one.
const std::vector<std::string> kNoDisplay{"DISPLAY=", "WAYLAND_DISPLAY=", "QT_QPA_PLATFORM="};

// Test names and failure messages show the program, not its bytes.
void PrintTo(const ProgramDoc& value, std::ostream* out) {
    *out << value.name;
}

class ManPageTest : public testing::TestWithParam<ProgramDoc> {
protected:
    void SetUp() override { m_dir = MakeTempDir(); }
    void TearDown() override { RemoveTree(m_dir); }

    ToolResult Run(const std::vector<std::string>& args) const {
        return RunProgram(GetParam().path, args, kNoDisplay, m_dir);
    }

    std::string m_dir;
};

TEST_P(ManPageTest, DocumentsEveryOptionAndCommandOfTheHelp) {
    const std::string page = ManPage(GetParam().name);
    ASSERT_NE(page.find(".SH OPTIONS"), std::string::npos) << "no man page for " << GetParam().name;

    const ToolResult help = Run({"--help"});
    ASSERT_EQ(help.status, 0) << help.err;
    std::set<std::string> options = LongOptions(help.out);
    for (const std::string& command : Subcommands(help.out)) {
        EXPECT_NE(page.find("fB" + command + "\\fR"), std::string::npos) << "command " << command;
        const ToolResult commandHelp = Run({command, "--help"});
        ASSERT_EQ(commandHelp.status, 0) << command << ": " << commandHelp.err;
        options.merge(LongOptions(commandHelp.out));
    }
    EXPECT_TRUE(options.count("--help"));
    for (const std::string& option : options)
        EXPECT_NE(page.find("fB" + option + "\\fR"), std::string::npos) << "option " << option;
}

// Each ktrctl command has one synopsis line that starts with its name.
TEST(KtrctlManPageTest, SynopsisListsEachCommandOnceWithItsName) {
    const std::string page = ManPage("ktrctl");
    const size_t start = page.find(".SH SYNOPSIS"), end = page.find(".SH DESCRIPTION");
    ASSERT_LT(start, end);
    const std::string synopsis = page.substr(start, end - start);
    const ToolResult help = RunProgram(KTRCTL_PATH, {"--help"}, kNoDisplay, "/tmp");
    const std::vector<std::string> commands = Subcommands(help.out);
    ASSERT_GE(commands.size(), 7u) << help.out;
    for (const std::string& command : commands) {
        const std::string line = "\\fBktrctl\\fR \\fB" + command + "\\fR ";
        size_t count = 0;
        for (size_t at = synopsis.find(line); at != std::string::npos;
             at = synopsis.find(line, at + 1))
            ++count;
        EXPECT_EQ(count, 1u) << command;
    }
}

TEST_P(ManPageTest, CarriesTheVersionTheProgramReports) {
    const ToolResult version = Run({"--version"});
    ASSERT_EQ(version.status, 0) << version.err;
    EXPECT_EQ(version.out, std::string(GetParam().name) + " " + KTR_PROJECT_VERSION + "\n");
    const std::string header = std::string(".TH \"") + GetParam().name + "\" \"1\" ";
    const std::string page = ManPage(GetParam().name);
    const size_t at = page.find(header);
    ASSERT_NE(at, std::string::npos);
    EXPECT_NE(page.find(std::string("\"KTRSetup ") + KTR_PROJECT_VERSION + "\"", at),
              std::string::npos);
}

const ProgramDoc kPrograms[] = {
    {"ktrctl", KTRCTL_PATH},
    {"ktrsim", KTRSIM_PATH},
#ifdef KTRSETUP_PATH
    {"ktrsetup", KTRSETUP_PATH},
#endif
};

INSTANTIATE_TEST_SUITE_P(Programs, ManPageTest, testing::ValuesIn(kPrograms),
                         [](const testing::TestParamInfo<ProgramDoc>& info) {
                             return std::string(info.param.name);
                         });

} // namespace
