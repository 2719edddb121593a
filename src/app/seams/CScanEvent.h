#pragma once

#include "discovery/ScanEvent.h"

#include <QEvent>

// A scan thread's report, posted to the view like a window message. The
// event owns what the report carries (a found record included) until the
// view takes it; what is never taken dies with the event.
class CScanEvent : public QEvent {
public:
    static constexpr QEvent::Type Type = static_cast<QEvent::Type>(QEvent::User + 1);

    explicit CScanEvent(ScanEvent event) : QEvent(Type), m_event(std::move(event)) {}

    ScanEvent& Event() { return m_event; }

private:
    ScanEvent m_event;
};
