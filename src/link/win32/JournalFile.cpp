#include "link/JournalFile.h"

#include "link/win32/WideText.h"

#include <windows.h>

#include <filesystem>
#include <string>

namespace {

// The system's words for the last error, without the line end.
bool Fail(std::string& error, DWORD code = ::GetLastError()) {
    wchar_t* text = nullptr;
    ::FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                         FORMAT_MESSAGE_IGNORE_INSERTS,
                     nullptr, code, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    error = text ? Narrow(text) : "error " + std::to_string(code);
    ::LocalFree(text);
    while (!error.empty() && (error.back() == '\n' || error.back() == '\r' || error.back() == '.'))
        error.pop_back();
    return false;
}

// A handle closed (and its lock let go) when it goes out of scope.
struct FileHandle {
    HANDLE handle = INVALID_HANDLE_VALUE;
    FileHandle() = default;
    FileHandle(const FileHandle&) = delete;
    FileHandle& operator=(const FileHandle&) = delete;
    ~FileHandle() {
        if (handle != INVALID_HANDLE_VALUE)
            ::CloseHandle(handle);
    }
};

// Every program shares the file for reading and writing; the lock on its
// first byte is what makes writers take turns.
bool Open(const std::string& path, DWORD access, DWORD disposition, FileHandle& file,
          std::string& error) {
    file.handle = ::CreateFileW(Widen(path).c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                nullptr, disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
    return file.handle != INVALID_HANDLE_VALUE || Fail(error);
}

bool OpenForAppend(const std::string& path, FileHandle& file, std::string& error) {
    const auto folder = std::filesystem::u8path(path).parent_path();
    std::error_code ec;
    if (!folder.empty() && !std::filesystem::is_directory(folder, ec)) {
        std::filesystem::create_directories(folder, ec);
        if (ec) {
            error = ec.message();
            return false;
        }
    }
    return Open(path, GENERIC_READ | GENERIC_WRITE, OPEN_ALWAYS, file, error);
}

bool Lock(HANDLE handle, DWORD flags, std::string& error) {
    OVERLAPPED at{};
    return ::LockFileEx(handle, flags, 0, 1, 0, &at) || Fail(error);
}

std::string Tail(HANDLE handle, LONGLONG end, size_t tailBytes) {
    const LONGLONG start = end > LONGLONG(tailBytes) ? end - LONGLONG(tailBytes) : 0;
    LARGE_INTEGER offset;
    offset.QuadPart = start;
    std::string text(size_t(end - start), '\0');
    DWORD got = 0;
    if (!::SetFilePointerEx(handle, offset, nullptr, FILE_BEGIN) ||
        !::ReadFile(handle, text.data(), DWORD(text.size()), &got, nullptr))
        got = 0;
    text.resize(got);
    if (start > 0) {
        const auto newline = text.find('\n');
        text.erase(0, newline == std::string::npos ? text.size() : newline + 1);
    }
    return text;
}

std::string Environment(const wchar_t* name) {
    wchar_t value[32768];
    const DWORD length = ::GetEnvironmentVariableW(name, value, 32768);
    return length > 0 && length < 32768 ? Narrow(std::wstring(value, length)) : std::string();
}

} // namespace

std::string DefaultJournalPath() {
    std::string folder = Environment(L"LOCALAPPDATA");
    if (folder.empty())
        folder = Environment(L"USERPROFILE");
    return folder + "\\KTRSetup\\journal.jsonl";
}

bool CheckJournalFile(const std::string& path, std::string& error) {
    FileHandle file;
    return OpenForAppend(path, file, error);
}

bool AppendJournalLine(const std::string& path, size_t tailBytes,
                       const std::function<std::string(const std::string& tail)>& makeLine,
                       std::string& error) {
    FileHandle file;
    if (!OpenForAppend(path, file, error) || !Lock(file.handle, LOCKFILE_EXCLUSIVE_LOCK, error))
        return false;
    LARGE_INTEGER end{};
    if (!::GetFileSizeEx(file.handle, &end))
        return Fail(error);
    const std::string tail = Tail(file.handle, end.QuadPart, tailBytes);
    // A last line left without its end is ended first, so that it does not
    // swallow the new record.
    const bool ended = end.QuadPart == 0 || (!tail.empty() && tail.back() == '\n');
    const std::string line = (ended ? "" : "\n") + makeLine(tail) + "\n";
    DWORD written = 0;
    LARGE_INTEGER zero{};
    const bool ok = ::SetFilePointerEx(file.handle, zero, nullptr, FILE_END) &&
                    ::WriteFile(file.handle, line.data(), DWORD(line.size()), &written, nullptr) &&
                    written == line.size() && ::FlushFileBuffers(file.handle);
    if (ok)
        return true;
    Fail(error);
    // No half line stays behind.
    if (::SetFilePointerEx(file.handle, end, nullptr, FILE_BEGIN))
        ::SetEndOfFile(file.handle);
    return false;
}

bool ReadJournalFile(const std::string& path, std::string& text, std::string& error) {
    text.clear();
    FileHandle file;
    file.handle = ::CreateFileW(Widen(path).c_str(), GENERIC_READ,
                                FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file.handle == INVALID_HANDLE_VALUE) {
        const DWORD code = ::GetLastError();
        return code == ERROR_FILE_NOT_FOUND || Fail(error, code);
    }
    if (!Lock(file.handle, 0, error))
        return false;
    char buffer[65536];
    DWORD got = 0;
    while (::ReadFile(file.handle, buffer, sizeof buffer, &got, nullptr) && got > 0)
        text.append(buffer, got);
    return true;
}

std::string JournalUserName() {
    wchar_t name[256];
    DWORD length = 256;
    return ::GetUserNameW(name, &length) && length > 0 ? Narrow(std::wstring(name, length - 1))
                                                       : std::string();
}

std::string JournalHostName() {
    wchar_t name[256];
    DWORD length = 256;
    return ::GetComputerNameExW(ComputerNameDnsHostname, name, &length)
               ? Narrow(std::wstring(name, length))
               : std::string();
}
