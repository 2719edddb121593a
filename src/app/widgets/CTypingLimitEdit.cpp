#include "app/widgets/CTypingLimitEdit.h"

#include <QApplication>
#include <QInputMethodEvent>
#include <QKeyEvent>

CTypingLimitEdit::CTypingLimitEdit(int typingLimit, QWidget* parent)
    : QLineEdit(parent), m_typingLimit(typingLimit) {}

// Typed characters replace the selection, if there is one.
bool CTypingLimitEdit::WouldExceedLimit(const QString& typed) const {
    const qsizetype kept = text().size() - selectedText().size();
    return kept + typed.size() > m_typingLimit;
}

void CTypingLimitEdit::keyPressEvent(QKeyEvent* event) {
    const QString typed = event->text();
    const bool control = event->modifiers() & (Qt::ControlModifier | Qt::MetaModifier);
    if (!control && !typed.isEmpty() && typed.at(0).isPrint() && WouldExceedLimit(typed)) {
        QApplication::beep();
        event->accept();
        return;
    }
    QLineEdit::keyPressEvent(event);
}

void CTypingLimitEdit::inputMethodEvent(QInputMethodEvent* event) {
    if (!event->commitString().isEmpty() && WouldExceedLimit(event->commitString())) {
        event->accept();
        return;
    }
    QLineEdit::inputMethodEvent(event);
}
