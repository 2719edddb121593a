#include "StopRequest.h"

#include "link/CStopSignal.h"

#include <atomic>
#include <csignal>
#include <windows.h>

namespace {

// Made before the handler is installed; never destroyed, so a late event
// never sees it gone.
CStopSignal& Signal() {
    static CStopSignal* signal = new CStopSignal;
    return *signal;
}

std::atomic<int> g_signalNumber{0};
std::atomic<DWORD> g_event{0};

// Runs on a thread of its own that the system starts for each event. A
// second event of the same kind is left to the system's handler, which ends
// the process at once. Closing the console ends the process when the
// handler returns, so it gives the ports a moment to be released first.
BOOL WINAPI OnConsoleEvent(DWORD event) {
    if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT && event != CTRL_CLOSE_EVENT)
        return FALSE;
    if (g_signalNumber.load() != 0 && g_event.load() == event)
        return FALSE;
    g_event = event;
    g_signalNumber = event == CTRL_C_EVENT ? SIGINT : SIGTERM;
    Signal().Request();
    if (event == CTRL_CLOSE_EVENT)
        ::Sleep(1000);
    return TRUE;
}

} // namespace

void InstallStopHandlers() {
    Signal();
    ::SetConsoleCtrlHandler(OnConsoleEvent, TRUE);
}

const CStopSignal& StopSignal() {
    return Signal();
}

int StopSignalNumber() {
    return g_signalNumber.load();
}

const char* StopCauseName() {
    switch (g_event.load()) {
    case CTRL_C_EVENT:
        return "Ctrl-C";
    case CTRL_BREAK_EVENT:
        return "Ctrl-Break";
    default:
        return "the console closing";
    }
}
