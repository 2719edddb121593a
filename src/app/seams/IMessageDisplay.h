#pragma once

#include <string>

// Buttons and icons of a message box, as the user sees them.
enum class MsgButtons { Ok, YesNoCancel };
enum class MsgIcon { None, Warning, Information, Question };
enum class MsgAnswer { Ok, Yes, No, Cancel };

// Shows a message to the user and blocks the caller until it is answered.
// The core never shows anything itself; it goes through this interface.
// Implementations must be callable from any thread.
class IMessageDisplay {
public:
    virtual ~IMessageDisplay() = default;
    // id is the string-table id of the text (0 when the text is formatted
    // by the caller and not a plain table entry).
    virtual MsgAnswer Show(unsigned id, const std::string& text, const std::string& caption,
                           MsgButtons buttons, MsgIcon icon) = 0;
};

// The process-wide message display. Front ends install theirs at start-up;
// until then messages go to stderr and are answered with Ok.
IMessageDisplay& MessageDisplay();
void SetMessageDisplay(IMessageDisplay* display);

// Shows string-table text id with the application name as caption, the way
// every message of the program but the com-port failure box is shown.
MsgAnswer ShowAppMessage(unsigned id, MsgButtons buttons, MsgIcon icon);
