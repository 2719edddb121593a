#include "Console.h"

#include <windows.h>

namespace {

HANDLE Stderr() {
    return ::GetStdHandle(STD_ERROR_HANDLE);
}

bool g_escapes = false;

} // namespace

void PrepareConsole() {
    ::SetConsoleOutputCP(CP_UTF8);
    DWORD mode = 0;
    if (::GetConsoleMode(Stderr(), &mode))
        g_escapes = ::SetConsoleMode(Stderr(), mode | ENABLE_VIRTUAL_TERMINAL_PROCESSING) != 0;
}

bool StderrIsTerminal() {
    DWORD mode = 0;
    return ::GetConsoleMode(Stderr(), &mode) != 0;
}

// A console without escape sequences (before Windows 10) gets the line
// overwritten with blanks instead; the progress line is shorter than that.
const char* EraseLineText() {
    return g_escapes ? "\r\033[K" : "\r                                                                 \r";
}
