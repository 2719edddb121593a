#pragma once

#include "app/seams/IMessageDisplay.h"

#include <deque>
#include <mutex>
#include <string>
#include <vector>

// Records every message shown and answers from a script (Ok when the script
// is empty). Installs itself as the process-wide display for its lifetime.
class FakeMessageDisplay : public IMessageDisplay {
public:
    struct Shown {
        unsigned id;
        std::string text;
        std::string caption;
        MsgButtons buttons;
        MsgIcon icon;
    };

    FakeMessageDisplay();
    ~FakeMessageDisplay() override;

    MsgAnswer Show(unsigned id, const std::string& text, const std::string& caption,
                   MsgButtons buttons, MsgIcon icon) override;

    void Script(std::vector<MsgAnswer> answers);
    std::vector<Shown> Messages() const;
    std::vector<unsigned> Ids() const;
    void Clear();

private:
    mutable std::mutex m_mutex;
    std::vector<Shown> m_shown;
    std::deque<MsgAnswer> m_script;
};
