#pragma once

#include <string>

// Wall and CPU time of one piece of work.
struct Figures {
    double wallMs = 0;
    double cpuMs = 0;
};

// The least time the read time-out rules allow, and the least time the line
// allows (its bytes at 9600 baud plus the waits no reply can shorten).
struct Floors {
    double rulesMs = 0;
    double lineMs = 0;
};

struct Row {
    const char* mode = "";
    Figures figures;
    Floors floors;
    bool failed = false;
};

// The benchmark's table on stdout: one row per scenario and mode, each with
// both floors and its ratios; a row after a "strict" row of the same
// scenario also shows its ratio to that row.
class CBenchTable {
public:
    void Title(int runs) const;
    void Add(const std::string& scenario, const Row& row);
    // An indented remark under the last row.
    void Note(const std::string& text) const;
    void Footer() const;

    static std::string Ratio(double ratio);

private:
    std::string m_scenario;
    double m_strictWallMs = 0;
};
