#pragma once

#include "link/IMessageDisplay.h"

#include <QObject>
#include <atomic>

// The message display of the desktop program: a modal QMessageBox with the
// requested buttons and icon. On the user-interface thread the box runs at
// once; from any other thread it is handed to the user-interface thread and
// the caller blocks until the user has answered. Once the display is shut
// down (the program is ending), callers on other threads get the answer of a
// dismissed box at once instead of waiting for a box nobody will show.
// Create it on the user-interface thread.
class CQtMessageDisplay : public QObject, public IMessageDisplay {
    Q_OBJECT

public:
    CQtMessageDisplay();
    ~CQtMessageDisplay() override;

    MsgAnswer Show(unsigned id, const std::string& text, const std::string& caption,
                   MsgButtons buttons, MsgIcon icon) override;

    void Shutdown() { m_shutDown = true; }

private:
    MsgAnswer ShowHere(const std::string& text, const std::string& caption, MsgButtons buttons,
                       MsgIcon icon);

    std::atomic<bool> m_shutDown{false};
};

// The answer of a box that was closed without a choice: Cancel where there
// is one, otherwise Ok.
MsgAnswer DismissedAnswer(MsgButtons buttons);
