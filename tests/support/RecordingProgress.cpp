#include "support/RecordingProgress.h"

void RecordingProgress::SetRange(int lower, int upper) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_calls.push_back("range " + std::to_string(lower) + " " + std::to_string(upper));
}

void RecordingProgress::SetPos(int pos) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_calls.push_back("pos " + std::to_string(pos));
    m_pos = pos;
}

void RecordingProgress::StepIt() {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_calls.push_back("step");
    ++m_pos;
    ++m_steps;
}

std::vector<std::string> RecordingProgress::Calls() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_calls;
}

int RecordingProgress::Position() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_pos;
}

int RecordingProgress::Steps() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_steps;
}

void RecordingProgress::Clear() {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_calls.clear();
    m_pos = 0;
    m_steps = 0;
}
