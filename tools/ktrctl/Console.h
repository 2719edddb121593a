#pragma once

// ktrctl's console; one file per system.

// Readies the console before anything is written: a closed pipe ends no
// write with a signal (POSIX); output in UTF-8 with escape sequences
// understood (Windows).
void PrepareConsole();

// Whether stderr is a terminal (progress is drawn only then).
bool StderrIsTerminal();

// What erases the current stderr line and returns to its start.
const char* EraseLineText();
