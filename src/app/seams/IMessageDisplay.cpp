#include "app/seams/IMessageDisplay.h"

#include "res/StringTable.h"

#include <atomic>
#include <cstdio>

namespace {

// Used until a front end installs its own display: prints the message and
// answers Ok, so nothing ever waits on a box nobody can see.
class CStderrDisplay : public IMessageDisplay {
public:
    MsgAnswer Show(unsigned, const std::string& text, const std::string& caption, MsgButtons,
                   MsgIcon) override {
        std::fprintf(stderr, "%s: %s\n", caption.c_str(), text.c_str());
        return MsgAnswer::Ok;
    }
};

CStderrDisplay g_stderrDisplay;
std::atomic<IMessageDisplay*> g_display{nullptr};

} // namespace

IMessageDisplay& MessageDisplay() {
    IMessageDisplay* d = g_display.load();
    return d ? *d : g_stderrDisplay;
}

void SetMessageDisplay(IMessageDisplay* display) {
    g_display.store(display);
}

MsgAnswer ShowAppMessage(unsigned id, MsgButtons buttons, MsgIcon icon) {
    return MessageDisplay().Show(id, LoadString(id), LoadString(IDS_APP_NAME), buttons, icon);
}
