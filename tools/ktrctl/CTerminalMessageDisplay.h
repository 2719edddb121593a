#pragma once

#include "link/IMessageDisplay.h"

// Shows the core's messages on stderr as "caption: text" and answers them
// at once: Ok for a plain message, Cancel for a question (a script never
// agrees to anything it was not asked for). The boxes for a port that does
// not open are left out: ktrctl says that in one line of its own. Safe to call from the scan
// threads; messages never interleave with each other or the progress bar.
class CTerminalMessageDisplay : public IMessageDisplay {
public:
    MsgAnswer Show(unsigned id, const std::string& text, const std::string& caption,
                   MsgButtons buttons, MsgIcon icon) override;
};
