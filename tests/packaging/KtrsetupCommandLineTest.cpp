// The desktop program's command line: --help and --version print and end
// without a display; Qt's own options pass; anything else is a usage error.
#ifdef KTRSETUP_PATH

#include "ToolProcess.h"

#include <gtest/gtest.h>

namespace {

struct CommandLineCase {
    const char* name;
    std::vector<std::string> args;
    bool offscreen; // false: no display at all, so a window could not open
    int status;
    std::string outHas;
    std::string errHas;
};

const std::string kVersionLine = std::string("ktrsetup ") + KTR_PROJECT_VERSION + "\n";

const CommandLineCase kCases[] = {
    {"Help", {"--help"}, false, 0, "--version", ""},
    {"ShortHelp", {"-h"}, false, 0, "KTRSETUP_SUPPORTED_MODELS", ""},
    {"Version", {"--version"}, false, 0, kVersionLine, ""},
    {"ShortVersion", {"-v"}, false, 0, kVersionLine, ""},
    {"VersionAfterAQtOption", {"-platform", "offscreen", "--version"}, false, 0, kVersionLine, ""},
    {"UnknownOption", {"--frobnicate"}, true, 2, "", "Unknown option 'frobnicate'"},
    {"QtWordOptionIsNotReadAsLetters", {"-reverse", "--frobnicate"}, true, 2, "", "'frobnicate'."},
    {"Argument", {"notes.txt"}, true, 2, "", "unexpected argument 'notes.txt'"},
};

// Test names and failure messages show the case, not its bytes.
void PrintTo(const CommandLineCase& value, std::ostream* out) {
    *out << value.name;
}

class KtrsetupCommandLineTest : public testing::TestWithParam<CommandLineCase> {};

TEST_P(KtrsetupCommandLineTest, AnswersWithoutOpeningAWindow) {
    const CommandLineCase& c = GetParam();
    const std::string dir = MakeTempDir();
    const std::vector<std::string> env =
        c.offscreen ? std::vector<std::string>{"QT_QPA_PLATFORM=offscreen"}
                    : std::vector<std::string>{"DISPLAY=", "WAYLAND_DISPLAY=", "QT_QPA_PLATFORM="};
    const ToolResult result = RunProgram(KTRSETUP_PATH, c.args, env, dir);
    RemoveTree(dir);

    EXPECT_EQ(result.status, c.status) << result.err;
    EXPECT_NE(result.out.find(c.outHas), std::string::npos) << result.out;
    EXPECT_NE(result.err.find(c.errHas), std::string::npos) << result.err;
    if (c.status != 0) {
        EXPECT_EQ(result.out, "");
        EXPECT_NE(result.err.find("Try 'ktrsetup --help'."), std::string::npos);
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, KtrsetupCommandLineTest, testing::ValuesIn(kCases),
                         [](const testing::TestParamInfo<CommandLineCase>& info) {
                             return std::string(info.param.name);
                         });

} // namespace

#endif
