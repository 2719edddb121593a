#include "CTerminalMessageDisplay.h"

#include "Terminal.h"
#include "res/StringTable.h"

#include <cstdio>

namespace {

// The desktop program's boxes for a port that does not open: ktrctl names
// the port, its device and the reason in one line of its own instead.
bool SaidInKtrctlsOwnWords(unsigned id) {
    return id == IDS_PORT_IN_USE || id == IDS_PORT_ACCESS_DENIED || id == IDS_PORT_IRQ_BUSY;
}

} // namespace

MsgAnswer CTerminalMessageDisplay::Show(unsigned id, const std::string& text,
                                        const std::string& caption, MsgButtons buttons, MsgIcon) {
    const MsgAnswer answer = buttons == MsgButtons::Ok ? MsgAnswer::Ok : MsgAnswer::Cancel;
    if (SaidInKtrctlsOwnWords(id))
        return answer;
    std::lock_guard lock(TerminalMutex());
    ClearProgressLine();
    std::fprintf(stderr, "%s: %s", caption.c_str(), text.c_str());
    if (text.empty() || text.back() != '\n')
        std::fputc('\n', stderr);
    std::fflush(stderr);
    return answer;
}
