#pragma once

class CStopSignal;

// SIGINT and SIGTERM (Windows: Ctrl-C, Ctrl-Break and closing the console,
// as SIGINT, SIGTERM and SIGTERM) ask ktrctl to stop: the scan or the transfer in
// progress ends at the next byte, every port is closed (exclusive mark
// cleared, lock released) and ktrctl exits with 128 + the signal number. A
// second signal of the same kind ends ktrctl at once, as it would have
// without these handlers.

// Installs the handlers; call once, before any port is opened. One file per
// system.
void InstallStopHandlers();

// The stop signal that ports and scans watch.
const CStopSignal& StopSignal();

// The signal that asked for the stop, 0 while none did.
int StopSignalNumber();

// What asked for the stop, in the user's words: "SIGINT", "Ctrl-C", ...
const char* StopCauseName();
