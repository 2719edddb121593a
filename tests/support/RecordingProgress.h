#pragma once

#include "link/IProgressIndicator.h"

#include <mutex>
#include <string>
#include <vector>

// Records the calls made to a progress indicator, as "range 0 10", "pos 0",
// "step", and keeps the resulting position.
class RecordingProgress : public IProgressIndicator {
public:
    void SetRange(int lower, int upper) override;
    void SetPos(int pos) override;
    void StepIt() override;

    std::vector<std::string> Calls() const;
    int Position() const;
    int Steps() const;
    void Clear();

private:
    mutable std::mutex m_mutex;
    std::vector<std::string> m_calls;
    int m_pos = 0;
    int m_steps = 0;
};
