#include "app/seams/CQtMessageDisplay.h"

#include "res/StringTable.h"

#include <QApplication>
#include <QMessageBox>
#include <QPointer>
#include <QThread>

namespace {

QMessageBox::Icon BoxIcon(MsgIcon icon) {
    switch (icon) {
    case MsgIcon::Warning:
        return QMessageBox::Warning;
    case MsgIcon::Information:
        return QMessageBox::Information;
    case MsgIcon::Question:
        return QMessageBox::Question;
    case MsgIcon::None:
        break;
    }
    return QMessageBox::NoIcon;
}

} // namespace

MsgAnswer DismissedAnswer(MsgButtons buttons) {
    return buttons == MsgButtons::YesNoCancel ? MsgAnswer::Cancel : MsgAnswer::Ok;
}

namespace {

// A box closed without any of its buttons counts as dismissed.
MsgAnswer Answer(int button, MsgButtons buttons) {
    switch (button) {
    case QMessageBox::Yes:
        return MsgAnswer::Yes;
    case QMessageBox::No:
        return MsgAnswer::No;
    case QMessageBox::Cancel:
        return MsgAnswer::Cancel;
    case QMessageBox::Ok:
        return MsgAnswer::Ok;
    default:
        return DismissedAnswer(buttons);
    }
}

void SetButtons(QMessageBox& box, MsgButtons buttons) {
    if (buttons == MsgButtons::YesNoCancel) {
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
        box.setDefaultButton(QMessageBox::Yes);
        box.setEscapeButton(QMessageBox::Cancel);
    } else {
        box.setStandardButtons(QMessageBox::Ok);
        box.setEscapeButton(QMessageBox::Ok);
    }
}

} // namespace

// A box a worker thread waits for. The worker sleeps until answered is set;
// box is the box on screen for it, if any (user-interface thread only).
struct CQtMessageDisplay::Request {
    explicit Request(MsgButtons b) : buttons(b), answer(DismissedAnswer(b)) {}

    MsgButtons buttons;
    bool answered = false;
    MsgAnswer answer;
    QPointer<QMessageBox> box;
};

CQtMessageDisplay::CQtMessageDisplay() {
    setObjectName("messageDisplay");
}

CQtMessageDisplay::~CQtMessageDisplay() {
    Shutdown();
    std::unique_lock lock(m_mutex);
    m_changed.wait(lock, [this] { return m_waiting == 0; });
}

CQtMessageDisplay* CQtMessageDisplay::Installed() {
    return dynamic_cast<CQtMessageDisplay*>(&MessageDisplay());
}

MsgAnswer CQtMessageDisplay::Show(unsigned, const std::string& text, const std::string& caption,
                                  MsgButtons buttons, MsgIcon icon) {
    if (QThread::currentThread() == thread())
        return ShowHere(text, caption, buttons, icon);
    return ShowForWorker(text, caption, buttons, icon);
}

// Queues the box for the user-interface thread and sleeps until it has been
// answered there, or answered for the user by a refusal or the shutdown.
MsgAnswer CQtMessageDisplay::ShowForWorker(const std::string& text, const std::string& caption,
                                           MsgButtons buttons, MsgIcon icon) {
    auto request = std::make_shared<Request>(buttons);
    {
        std::lock_guard lock(m_mutex);
        if (m_shutDown || m_refusals > 0)
            return request->answer;
        m_requests.push_back(request);
        ++m_waiting;
    }
    QMetaObject::invokeMethod(
        this, [=, this] { ShowHere(text, caption, buttons, icon, request); }, Qt::QueuedConnection);
    std::unique_lock lock(m_mutex);
    m_changed.wait(lock, [&] { return request->answered; });
    std::erase(m_requests, request);
    --m_waiting;
    m_changed.notify_all();
    return request->answer;
}

MsgAnswer CQtMessageDisplay::ShowHere(const std::string& text, const std::string& caption,
                                      MsgButtons buttons, MsgIcon icon,
                                      std::shared_ptr<Request> request) {
    QString title = QString::fromStdString(caption.empty() ? LoadString(IDS_APP_NAME) : caption);
    QMessageBox box(BoxIcon(icon), title, QString::fromStdString(text), QMessageBox::NoButton,
                    QApplication::activeWindow());
    box.setTextFormat(Qt::PlainText);
    SetButtons(box, buttons);
    {
        std::lock_guard lock(m_mutex);
        if (m_shutDown || (request && request->answered))
            return DismissedAnswer(buttons);
        if (request)
            request->box = &box;
    }
    MsgAnswer answer = Answer(box.exec(), buttons);
    if (request) {
        std::lock_guard lock(m_mutex);
        if (!request->answered) {
            request->answered = true;
            request->answer = answer;
        }
        request->box = nullptr;
        m_changed.notify_all();
    }
    return answer;
}

void CQtMessageDisplay::Shutdown() {
    {
        std::lock_guard lock(m_mutex);
        m_shutDown = true;
    }
    AnswerWaitingWorkers();
}

void CQtMessageDisplay::RefuseWorkers() {
    {
        std::lock_guard lock(m_mutex);
        ++m_refusals;
    }
    AnswerWaitingWorkers();
}

void CQtMessageDisplay::AcceptWorkers() {
    std::lock_guard lock(m_mutex);
    if (m_refusals > 0)
        --m_refusals;
}

// Every waiting worker gets the dismissed answer now; boxes on screen for
// them are closed once the user-interface thread is back in their loops.
void CQtMessageDisplay::AnswerWaitingWorkers() {
    std::vector<QPointer<QMessageBox>> open;
    {
        std::lock_guard lock(m_mutex);
        for (const auto& request : m_requests) {
            request->answered = true;
            if (request->box)
                open.push_back(request->box);
        }
        m_changed.notify_all();
    }
    for (const QPointer<QMessageBox>& box : open)
        QMetaObject::invokeMethod(
            box.data(),
            [box] {
                if (box)
                    box->reject();
            },
            Qt::QueuedConnection);
}
