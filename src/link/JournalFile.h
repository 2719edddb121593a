#pragma once

#include <functional>
#include <string>

// What the programming journal needs from the operating system: a file
// that several programs append whole lines to at once, flushed to disk
// before the append returns; who runs the program, and on which machine.
// One implementation per OS (posix/, win32/). Every function that can fail
// says why in error, in words ("Permission denied").

// Where the journal lives when KTRSETUP_JOURNAL does not say.
std::string DefaultJournalPath();

// Creates the journal's folder and file when they are missing and checks
// that the file could be appended to; writes nothing.
bool CheckJournalFile(const std::string& path, std::string& error);

// Appends one line under an exclusive lock that every writer of the file
// takes: makeLine gets the last bytes of the file (at most tailBytes,
// starting at a line's beginning when it can) and gives the line, without
// its line end. A last line without its end is ended first. The line goes
// out whole and is flushed to disk before the lock is let go; a write or
// flush that fails cuts the file back to where it was, so no half line
// stays behind.
bool AppendJournalLine(const std::string& path, size_t tailBytes,
                       const std::function<std::string(const std::string& tail)>& makeLine,
                       std::string& error);

// The whole file, read under a shared lock so that no line is caught half
// written. A file that does not exist reads as empty.
bool ReadJournalFile(const std::string& path, std::string& text, std::string& error);

// The user's login name and the machine's name, or "" when unknown.
std::string JournalUserName();
std::string JournalHostName();
