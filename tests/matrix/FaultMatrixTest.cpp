// Every simulator fault against every operation, with a healthy counter
// after the faulty one: the right result, nothing changed by a failure, the
// healthy counter still found, the port free again at once. Paced at 9600
// baud and unpaced, with reply reads that end at complete replies, and paced
// with strict timing; and once more with every core kept busy by spinning
// processes, where no healthy exchange may fail. The simulated counters run
// ahead of other work where the system permits, as hardware of their own
// would; the cases then do not depend on how busy the computer is.

#include "sim/CSimNetwork.h"
#include "support/CBusyLoad.h"
#include "support/CFaultMatrix.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <thread>
#include <unistd.h>

namespace {

// Cells run side by side: they mostly wait for the line.
constexpr int kParallelCells = 8;

class FaultMatrixTest : public testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/ktr-matrix-XXXXXX";
        ASSERT_NE(::mkdtemp(pattern), nullptr);
        m_dir = pattern;
        std::ofstream(m_dir + "/supported-models") << "KTR-100\n";
        ::setenv("KTRSETUP_PORT_DIR", m_dir.c_str(), 1);
        ::setenv("KTRSETUP_SUPPORTED_MODELS", (m_dir + "/supported-models").c_str(), 1);
    }
    void TearDown() override {
        ::unsetenv("KTRSETUP_PORT_DIR");
        ::unsetenv("KTRSETUP_SUPPORTED_MODELS");
        std::remove((m_dir + "/supported-models").c_str());
        ::rmdir(m_dir.c_str());
    }

    // Runs the matrix, reports every problem and prints the figures.
    int RunAndReport(bool paced, const char* label) {
        const auto start = std::chrono::steady_clock::now();
        const std::vector<MatrixCell> cells =
            CFaultMatrix::Run(m_dir, paced, kParallelCells, CFaultMatrix::CountersCanRunUrgent());
        const double seconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        int falseFailures = 0;
        for (const MatrixCell& cell : cells) {
            for (const std::string& problem : cell.problems)
                ADD_FAILURE() << cell.name << ": " << problem;
            if (!cell.problems.empty())
                std::printf("%s, the line's last bytes:\n%s", cell.name.c_str(),
                            cell.transcript.c_str());
            falseFailures += cell.falseFailure ? 1 : 0;
        }
        std::printf("fault matrix %s: %zu cases (%zu faults x %zu operations), %d false "
                    "failures, %.1f s\n",
                    label, cells.size(), CFaultMatrix::Faults().size(), CFaultMatrix::Ops().size(),
                    falseFailures, seconds);
        return falseFailures;
    }

    std::string m_dir;
};

TEST_F(FaultMatrixTest, EveryFaultWithEveryOperationUnpaced) {
    RunAndReport(false, "unpaced");
}

TEST_F(FaultMatrixTest, EveryFaultWithEveryOperationPacedAt9600Baud) {
    RunAndReport(true, "paced");
}

// The same results when every reply read waits out the time-out rules.
TEST_F(FaultMatrixTest, EveryFaultWithEveryOperationPacedWithStrictTiming) {
    ::setenv("KTRSETUP_STRICT_TIMING", "1", 1);
    RunAndReport(true, "paced, strict timing");
    ::unsetenv("KTRSETUP_STRICT_TIMING");
}

// Twice as many spinning processes as cores, as urgent as the program: its
// threads run late, and must still judge every read on what arrived. The
// simulated counters, which stand for hardware of their own, run ahead of
// the load where the system permits; elsewhere the spinners yield to them.
TEST_F(FaultMatrixTest, UnderLoadNoHealthyExchangeFails) {
    const bool urgent = CFaultMatrix::CountersCanRunUrgent();
    const int busy = 2 * static_cast<int>(std::max(2u, std::thread::hardware_concurrency()));
    CBusyLoad load(busy, urgent ? 0 : 10);
    ASSERT_EQ(load.Count(), busy);
    std::printf("load: %d spinning processes at nice %d\n", busy, urgent ? 0 : 10);
    EXPECT_EQ(RunAndReport(false, "under load"), 0);
}

} // namespace
