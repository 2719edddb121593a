#include "app/FakeMessageDisplay.h"

FakeMessageDisplay::FakeMessageDisplay() {
    SetMessageDisplay(this);
}

FakeMessageDisplay::~FakeMessageDisplay() {
    SetMessageDisplay(nullptr);
}

MsgAnswer FakeMessageDisplay::Show(unsigned id, const std::string& text, const std::string& caption,
                                   MsgButtons buttons, MsgIcon icon) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_shown.push_back({id, text, caption, buttons, icon});
    if (m_script.empty())
        return MsgAnswer::Ok;
    MsgAnswer answer = m_script.front();
    m_script.pop_front();
    return answer;
}

void FakeMessageDisplay::Script(std::vector<MsgAnswer> answers) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_script.assign(answers.begin(), answers.end());
}

std::vector<FakeMessageDisplay::Shown> FakeMessageDisplay::Messages() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_shown;
}

std::vector<unsigned> FakeMessageDisplay::Ids() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    std::vector<unsigned> ids;
    for (const auto& m : m_shown)
        ids.push_back(m.id);
    return ids;
}

void FakeMessageDisplay::Clear() {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_shown.clear();
    m_script.clear();
}
