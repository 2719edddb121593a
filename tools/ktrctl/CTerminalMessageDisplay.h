#pragma once

#include "link/IMessageDisplay.h"

#include <atomic>

// Shows the core's messages on stderr as "caption: text" and answers them
// at once: Ok for a plain message, Cancel for a question (a script never
// agrees to anything it was not asked for). Safe to call from the scan
// threads; messages never interleave with each other or the progress bar.
class CTerminalMessageDisplay : public IMessageDisplay {
public:
    MsgAnswer Show(unsigned id, const std::string& text, const std::string& caption,
                   MsgButtons buttons, MsgIcon icon) override;

    // Messages shown so far: a failure that showed one needs no second word.
    int ShownCount() const { return m_shown.load(); }

private:
    std::atomic<int> m_shown{0};
};
