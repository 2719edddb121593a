#include "app/seams/ReasonBoxes.h"

#include "app/seams/IMessageDisplay.h"
#include "link/PortText.h"
#include "res/StringTable.h"

#include <string>

bool ShowOpenFailure(int port, PortOpenFailure failure) {
    const unsigned id = PortOpenMessageId(failure);
    if (id == 0)
        return false;
    const std::string caption = LoadString(IDS_PORT_OPEN_FAILED) + " " + std::to_string(port);
    std::string text = LoadString(id);
    // Which port, and which program holds it where the system tells, in
    // the words of ktrctl: "COM4 (/dev/ttyS3): in use by another program
    // (minicom, pid 1234)".
    if (failure == PortOpenFailure::InUse)
        text += "\n" + PortOpenFailureText(port, failure, 0);
    MessageDisplay().Show(id, text, caption, MsgButtons::Ok, MsgIcon::Warning);
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

void ShowPortWarnings(const std::vector<std::string>& warnings) {
    std::string text;
    for (const std::string& warning : warnings)
        text += warning + "\n";
    if (!text.empty())
        MessageDisplay().Show(0, text, LoadString(IDS_APP_NAME), MsgButtons::Ok, MsgIcon::Warning);
}
