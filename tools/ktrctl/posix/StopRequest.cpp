#include "StopRequest.h"

#include "link/CStopSignal.h"

#include <csignal>

namespace {

// Made before any handler is installed, so the handler never sees it half
// built; never destroyed, so a late signal never sees it gone.
CStopSignal& Signal() {
    static CStopSignal* signal = new CStopSignal;
    return *signal;
}

volatile std::sig_atomic_t g_signalNumber = 0;

extern "C" void OnStopSignal(int number) {
    g_signalNumber = number;
    Signal().Request();
}

} // namespace

void InstallStopHandlers() {
    Signal();
    struct sigaction action {};
    action.sa_handler = OnStopSignal;
    action.sa_flags = SA_RESETHAND;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
}

const CStopSignal& StopSignal() {
    return Signal();
}

int StopSignalNumber() {
    return g_signalNumber;
}

const char* StopCauseName() {
    return g_signalNumber == SIGINT ? "SIGINT" : "SIGTERM";
}
