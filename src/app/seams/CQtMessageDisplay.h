#pragma once

#include "app/seams/IMessageDisplay.h"

#include <QObject>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <vector>

// The message display of the desktop program: a modal QMessageBox with the
// requested buttons and icon. On the user-interface thread the box runs at
// once; from any other thread it is handed to the user-interface thread and
// the caller blocks until the user has answered.
//
// A worker's wait never depends on the user-interface thread coming back to
// its event loop: RefuseWorkers() and Shutdown() answer every waiting worker
// at once, with the answer of a dismissed box (Cancel where there is one),
// and close any box already shown for one. So the user-interface thread can
// stop and join worker threads without waiting for a box nobody will answer.
// Create it on the user-interface thread.
class CQtMessageDisplay : public QObject, public IMessageDisplay {
    Q_OBJECT

public:
    CQtMessageDisplay();
    // Answers the workers still waiting and waits until they have left.
    ~CQtMessageDisplay() override;

    MsgAnswer Show(unsigned id, const std::string& text, const std::string& caption,
                   MsgButtons buttons, MsgIcon icon) override;

    // The program is ending: from now on every box is answered as dismissed
    // without being shown, and waiting workers are answered now.
    void Shutdown();
    // Until the matching AcceptWorkers, boxes of other threads are answered
    // as dismissed without being shown; boxes that workers are waiting for
    // now are answered so and closed. Calls nest. User-interface thread only.
    void RefuseWorkers();
    void AcceptWorkers();

    // The display installed as the process-wide message display, when it is
    // one of these; null otherwise.
    static CQtMessageDisplay* Installed();

private:
    struct Request;

    MsgAnswer ShowForWorker(const std::string& text, const std::string& caption, MsgButtons buttons,
                            MsgIcon icon);
    MsgAnswer ShowHere(const std::string& text, const std::string& caption, MsgButtons buttons,
                       MsgIcon icon, std::shared_ptr<Request> request = {});
    void AnswerWaitingWorkers();

    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::vector<std::shared_ptr<Request>> m_requests;
    int m_waiting = 0;
    int m_refusals = 0;
    bool m_shutDown = false;
};

// The answer of a box that was closed without a choice: Cancel where there
// is one, otherwise Ok.
MsgAnswer DismissedAnswer(MsgButtons buttons);
