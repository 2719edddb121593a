#include "Console.h"

#include <csignal>
#include <unistd.h>

void PrepareConsole() {
    std::signal(SIGPIPE, SIG_IGN);
}

bool StderrIsTerminal() {
    static const bool terminal = ::isatty(STDERR_FILENO) == 1;
    return terminal;
}

const char* EraseLineText() {
    return "\r\033[K";
}
