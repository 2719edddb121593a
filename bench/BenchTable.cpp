#include "BenchTable.h"

#include <cstdio>
#include <cstring>

namespace {

const char* const kRowFormat = "%-32s %-6s %9s %11s %7s %11s %7s %9s %8s\n";

std::string Fixed(double value, int decimals) {
    char text[32];
    std::snprintf(text, sizeof text, "%.*f", decimals, value);
    return text;
}

} // namespace

std::string CBenchTable::Ratio(double ratio) {
    return Fixed(ratio, 3);
}

void CBenchTable::Title(int runs) const {
    std::printf("Simulated counters at 9600 baud (%.4f ms per byte); median of %d run(s).\n",
                10.0 * 1000.0 / 9600.0, runs);
    std::printf(kRowFormat, "", "mode", "wall ms", "rules floor", "ratio", "line floor", "ratio",
                "vs strict", "cpu ms");
}

void CBenchTable::Add(const std::string& scenario, const Row& row) {
    const bool sameScenario = scenario == m_scenario;
    const Figures& f = row.figures;
    const std::string vsStrict = sameScenario ? Ratio(f.wallMs / m_strictWallMs) : "";
    std::printf(kRowFormat, sameScenario ? "" : scenario.c_str(), row.mode,
                Fixed(f.wallMs, 1).c_str(), Fixed(row.floors.rulesMs, 1).c_str(),
                Ratio(f.wallMs / row.floors.rulesMs).c_str(), Fixed(row.floors.lineMs, 1).c_str(),
                Ratio(f.wallMs / row.floors.lineMs).c_str(), vsStrict.c_str(),
                Fixed(f.cpuMs, 1).c_str());
    m_scenario = scenario;
    if (std::strcmp(row.mode, "strict") == 0)
        m_strictWallMs = f.wallMs;
}

void CBenchTable::Note(const std::string& text) const {
    std::printf("  (%s)\n", text.c_str());
}

void CBenchTable::Footer() const {
    std::printf("rules floor: the waits of the read time-out rules (51 ms per empty address; per\n"
                "counter the 82 ms identify window and the 200 ms and 100 ms reply intervals)\n"
                "plus the counters' other bytes at line speed. line floor: the same without the\n"
                "reply intervals, the replies ending as soon as complete. Programming: the echoed\n"
                "bytes at line speed. On a real line the program's own bytes take line time too,\n"
        "while the simulator hands over a counter's first byte after a silence at once,\n"
        "so a figure may fall a little below its floor.\n"
                "cpu ms: CPU time of the scanning (or programming) process; the simulator runs\n"
                "in a process of its own.\n");
}
