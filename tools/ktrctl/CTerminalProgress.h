#pragma once

#include "link/IProgressIndicator.h"

#include <string>

// A progress bar on stderr, drawn only when stderr is a terminal, so that
// scripts and pipes see nothing of it. Used from one thread at a time.
class CTerminalProgress : public IProgressIndicator {
public:
    explicit CTerminalProgress(std::string label);
    // Erases the bar.
    ~CTerminalProgress() override;

    void SetRange(int lower, int upper) override;
    void SetPos(int pos) override;
    void StepIt() override;

private:
    void Draw();

    std::string m_label;
    bool m_enabled;
    int m_lower = 0;
    int m_upper = 100;
    int m_pos = 0;
};
