#include "app/seams/ReasonBoxes.h"

#include "app/seams/IMessageDisplay.h"
#include "discovery/ScanOutcomeText.h"
#include "res/StringTable.h"

#include <string>

bool ShowOpenFailure(int port, PortOpenFailure failure) {
    const unsigned id = PortOpenMessageId(failure);
    if (id == 0)
        return false;
    const std::string caption = LoadString(IDS_PORT_OPEN_FAILED) + " " + std::to_string(port);
    MessageDisplay().Show(id, LoadString(id), caption, MsgButtons::Ok, MsgIcon::Warning);
    return true;
}

bool ShowRefusal(const LinkResult& result) {
    if (result.status != LinkStatus::Refused)
        return false;
    for (const LinkMessage& message : result.messages)
        MessageDisplay().Show(message.id, message.text, LoadString(IDS_APP_NAME), MsgButtons::Ok,
                              MsgIcon::Warning);
    return true;
}

void ShowPortWarnings(const std::vector<std::string>& warnings,
                      const std::vector<std::string>& unnumbered) {
    std::string text;
    for (const std::string& warning : warnings)
        text += warning + "\n";
    for (const ScanOutcomeLine& line : UnnumberedAdapterLines(unnumbered))
        text += line.text + "\n";
    if (!text.empty())
        MessageDisplay().Show(0, text, LoadString(IDS_APP_NAME), MsgButtons::Ok, MsgIcon::Warning);
}
