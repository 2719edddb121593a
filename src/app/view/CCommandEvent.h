#pragma once

#include <QEvent>

// A command posted to a window, handled as if the control with that id had
// been clicked once the event loop reaches it.
class CCommandEvent : public QEvent {
public:
    static constexpr QEvent::Type Command = static_cast<QEvent::Type>(QEvent::User + 16);

    explicit CCommandEvent(int id) : QEvent(Command), m_id(id) {}

    int Id() const { return m_id; }

private:
    int m_id;
};
