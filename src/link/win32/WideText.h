#pragma once

#include <string>

// UTF-8 texts of the program to and from the UTF-16 texts of the Windows
// calls.
std::wstring Widen(const std::string& text);
std::string Narrow(const std::wstring& text);
