#include "app/seams/CQtMessageDisplay.h"

#include "res/StringTable.h"

#include <QApplication>
#include <QMessageBox>
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

} // namespace

CQtMessageDisplay::CQtMessageDisplay() {
    setObjectName("messageDisplay");
}

// Boxes still queued for the user-interface thread are dropped with this
// object, which releases their waiting callers.
CQtMessageDisplay::~CQtMessageDisplay() {
    Shutdown();
}

MsgAnswer CQtMessageDisplay::Show(unsigned, const std::string& text, const std::string& caption,
                                  MsgButtons buttons, MsgIcon icon) {
    if (QThread::currentThread() == thread())
        return ShowHere(text, caption, buttons, icon);
    MsgAnswer answer = DismissedAnswer(buttons);
    if (m_shutDown)
        return answer;
    QMetaObject::invokeMethod(
        this, [=, this] { return ShowHere(text, caption, buttons, icon); },
        Qt::BlockingQueuedConnection, &answer);
    return answer;
}

MsgAnswer CQtMessageDisplay::ShowHere(const std::string& text, const std::string& caption,
                                      MsgButtons buttons, MsgIcon icon) {
    if (m_shutDown)
        return DismissedAnswer(buttons);
    QString title = QString::fromStdString(caption.empty() ? LoadString(IDS_APP_NAME) : caption);
    QMessageBox box(BoxIcon(icon), title, QString::fromStdString(text), QMessageBox::NoButton,
                    QApplication::activeWindow());
    box.setTextFormat(Qt::PlainText);
    if (buttons == MsgButtons::YesNoCancel) {
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
        box.setDefaultButton(QMessageBox::Yes);
        box.setEscapeButton(QMessageBox::Cancel);
    } else {
        box.setStandardButtons(QMessageBox::Ok);
        box.setEscapeButton(QMessageBox::Ok);
    }
    return Answer(box.exec(), buttons);
}
