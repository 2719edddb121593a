#include "app/seams/CQuitSignals.h"

#include <atomic>
#include <windows.h>

namespace {

// The console calls the handler on a thread of its own: it hands the quit
// to the user-interface thread and returns at once.
std::atomic<CQuitSignals*> g_receiver{nullptr};

BOOL WINAPI OnConsoleEvent(DWORD) {
    CQuitSignals* receiver = g_receiver.load();
    if (!receiver)
        return FALSE;
    QMetaObject::invokeMethod(receiver, "Arrived", Qt::QueuedConnection);
    return TRUE;
}

} // namespace

CQuitSignals::CQuitSignals(std::function<void()> quit) : m_quit(std::move(quit)) {
    g_receiver = this;
    ::SetConsoleCtrlHandler(OnConsoleEvent, TRUE);
}

CQuitSignals::~CQuitSignals() {
    ::SetConsoleCtrlHandler(OnConsoleEvent, FALSE);
    g_receiver = nullptr;
}

void CQuitSignals::Arrived() {
    if (m_quit)
        m_quit();
}
