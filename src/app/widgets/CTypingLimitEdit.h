#pragma once

#include <QLineEdit>

// A one-line edit that limits what the user types to a number of
// characters, and only that: a keystroke or an input-method commit that
// would make the text longer than the limit is refused. Text that the
// program puts there, and text that the user pastes or drops, is taken
// whole, never cut to the limit, so whatever reaches the edit is the text
// that the dialog converts.
class CTypingLimitEdit : public QLineEdit {
    Q_OBJECT

public:
    explicit CTypingLimitEdit(int typingLimit, QWidget* parent = nullptr);

    int TypingLimit() const { return m_typingLimit; }

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void inputMethodEvent(QInputMethodEvent* event) override;

private:
    bool WouldExceedLimit(const QString& typed) const;

    int m_typingLimit;
};
