#pragma once

#include "Console.h"

#include <mutex>
#include <string>

// Serialises everything ktrctl writes to stderr: the scan threads' messages
// and the progress bar share one line discipline.
std::mutex& TerminalMutex();

// Erases a progress bar drawn on the current stderr line, if any. Call with
// TerminalMutex held.
void ClearProgressLine();
// Records that a progress bar now occupies the current stderr line.
void MarkProgressLine();

// Writes "ktrctl: text" and a line end to stderr.
void PrintError(const std::string& text);

// Writes text to stdout as it stands.
void PrintOut(const std::string& text);

struct LinkResult;
// A table the rules refused: each of its messages on stderr as the desktop
// program's boxes say it, "KTRSetup: <text>".
void PrintRefusal(const LinkResult& result);
