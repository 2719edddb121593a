#include "CTerminalProgress.h"

#include "Terminal.h"

#include <algorithm>
#include <cstdio>
#include <utility>

namespace {
constexpr int kCells = 40;
} // namespace

CTerminalProgress::CTerminalProgress(std::string label)
    : m_label(std::move(label)), m_enabled(StderrIsTerminal()) {}

CTerminalProgress::~CTerminalProgress() {
    if (!m_enabled)
        return;
    std::lock_guard lock(TerminalMutex());
    ClearProgressLine();
    std::fflush(stderr);
}

void CTerminalProgress::SetRange(int lower, int upper) {
    m_lower = lower;
    m_upper = upper;
    Draw();
}

void CTerminalProgress::SetPos(int pos) {
    m_pos = pos;
    Draw();
}

void CTerminalProgress::StepIt() {
    ++m_pos;
    Draw();
}

void CTerminalProgress::Draw() {
    if (!m_enabled)
        return;
    const int span = std::max(1, m_upper - m_lower);
    const int done = std::clamp(m_pos - m_lower, 0, span);
    const int cells = done * kCells / span;
    std::lock_guard lock(TerminalMutex());
    std::string bar(size_t(cells), '#');
    bar.append(size_t(kCells - cells), '.');
    std::fprintf(stderr, "\r%s [%s] %d/%d", m_label.c_str(), bar.c_str(), done, m_upper - m_lower);
    std::fflush(stderr);
    MarkProgressLine();
}
