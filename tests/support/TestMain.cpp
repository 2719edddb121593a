#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <unistd.h>

namespace {

// The machine's own serial ports are never looked for: unless a test points
// elsewhere, the device tree is an empty folder and the ports file of the
// user lives in a folder of the test program's own. A test that forgets to
// set the port folder then finds no device rather than a counter on the
// bench.
class CNoMachinePorts {
public:
    CNoMachinePorts() {
        char pattern[] = "/tmp/ktr-test-XXXXXX";
        if (const char* made = ::mkdtemp(pattern))
            m_dir = made;
        std::filesystem::create_directories(m_dir / "no-devices");
        ::setenv("KTRSETUP_DEV_ROOT", (m_dir / "no-devices").c_str(), 1);
        ::setenv("XDG_CONFIG_HOME", (m_dir / "config").c_str(), 1);
    }
    ~CNoMachinePorts() {
        std::error_code ignored;
        std::filesystem::remove_all(m_dir, ignored);
    }

private:
    std::filesystem::path m_dir;
};

} // namespace

int main(int argc, char** argv) {
    // A test that writes to a pseudo-terminal whose other side has gone
    // must see EIO or EPIPE, not die of SIGPIPE.
    std::signal(SIGPIPE, SIG_IGN);
    const CNoMachinePorts noMachinePorts;
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
