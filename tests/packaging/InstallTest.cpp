// cmake --install puts each program with its man page in place and the
// example supported-models file where the programs read it, and never
// replaces a supported-models file that is already there.
#include "ToolProcess.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>

namespace {

std::string ReadText(const std::string& path) {
    std::ifstream in(path);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

class InstallTest : public testing::Test {
protected:
    void SetUp() override { m_dir = MakeTempDir(); }
    void TearDown() override { RemoveTree(m_dir); }

    // Installs the build with prefix /usr into the scratch folder.
    ToolResult Install() const {
        return RunProgram(KTR_CMAKE_COMMAND, {"--install", KTR_BUILD_DIR, "--prefix", "/usr"},
                          {"DESTDIR=" + m_dir + "/root"}, m_dir);
    }
    bool Installed(const std::string& path) const {
        return std::filesystem::is_regular_file(m_dir + "/root" + path);
    }

    std::string m_dir;
};

TEST_F(InstallTest, PutsEachProgramAndItsManPageInPlace) {
    const ToolResult result = Install();
    ASSERT_EQ(result.status, 0) << result.out << result.err;
    std::vector<std::string> programs{"ktrctl", "ktrsim"};
#ifdef KTRSETUP_PATH
    programs.push_back("ktrsetup");
    EXPECT_TRUE(Installed("/usr/share/applications/ktrsetup.desktop"));
    EXPECT_TRUE(Installed("/usr/share/icons/hicolor/scalable/apps/ktrsetup.svg"));
#endif
    for (const std::string& program : programs) {
        EXPECT_TRUE(Installed("/usr/bin/" + program)) << program;
        EXPECT_TRUE(Installed("/usr/share/man/man1/" + program + ".1.gz")) << program;
    }
    EXPECT_NE(ReadText(m_dir + "/root/etc/ktrsetup/supported-models").find("\nKTR-100\n"),
              std::string::npos);
}

TEST_F(InstallTest, KeepsASupportedModelsFileThatIsThere) {
    ASSERT_EQ(Install().status, 0);
    const std::string models = m_dir + "/root/etc/ktrsetup/supported-models";
    std::ofstream(models, std::ios::trunc) << "# our bench\nKTR-500\n";

    const ToolResult again = Install();
    ASSERT_EQ(again.status, 0) << again.err;
    EXPECT_EQ(ReadText(models), "# our bench\nKTR-500\n");
}

} // namespace
