#include "CTerminalMessageDisplay.h"

#include "Terminal.h"

#include <cstdio>

MsgAnswer CTerminalMessageDisplay::Show(unsigned, const std::string& text,
                                        const std::string& caption, MsgButtons buttons, MsgIcon) {
    {
        std::lock_guard lock(TerminalMutex());
        ClearProgressLine();
        std::fprintf(stderr, "%s: %s", caption.c_str(), text.c_str());
        if (text.empty() || text.back() != '\n')
            std::fputc('\n', stderr);
        std::fflush(stderr);
    }
    return buttons == MsgButtons::Ok ? MsgAnswer::Ok : MsgAnswer::Cancel;
}
