#include "link/JournalFile.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <pwd.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

// A descriptor closed when it goes out of scope (which also lets go of its
// lock).
struct FileDescriptor {
    int fd = -1;
    FileDescriptor() = default;
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    ~FileDescriptor() {
        if (fd >= 0)
            ::close(fd);
    }
};

bool Fail(std::string& error, int code = errno) {
    error = std::strerror(code);
    return false;
}

bool Lock(int fd, int operation, std::string& error) {
    while (::flock(fd, operation) != 0) {
        if (errno != EINTR)
            return Fail(error);
    }
    return true;
}

// A new file's name is on disk only once its folder is flushed too.
void FlushFolder(const std::string& path) {
    const std::string folder = std::filesystem::path(path).parent_path().string();
    const int fd = ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

// Opens the file for appending, creating it and its folders when missing.
bool OpenForAppend(const std::string& path, FileDescriptor& file, std::string& error) {
    const auto folder = std::filesystem::path(path).parent_path();
    std::error_code ec;
    if (!folder.empty() && !std::filesystem::is_directory(folder, ec)) {
        std::filesystem::create_directories(folder, ec);
        if (ec) {
            error = ec.message();
            return false;
        }
    }
    struct stat info {};
    const bool existed = ::stat(path.c_str(), &info) == 0;
    file.fd = ::open(path.c_str(), O_RDWR | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
    if (file.fd < 0)
        return Fail(error);
    if (!existed)
        FlushFolder(path);
    return true;
}

bool IsRegular(int fd) {
    struct stat info {};
    return ::fstat(fd, &info) == 0 && S_ISREG(info.st_mode);
}

// The last bytes of a regular file, from the first line start among them.
std::string Tail(int fd, size_t tailBytes) {
    if (!IsRegular(fd))
        return std::string();
    const off_t end = ::lseek(fd, 0, SEEK_END);
    if (end <= 0)
        return std::string();
    const off_t start = end > off_t(tailBytes) ? end - off_t(tailBytes) : 0;
    std::string text(size_t(end - start), '\0');
    const ssize_t got = ::pread(fd, text.data(), text.size(), start);
    text.resize(got > 0 ? size_t(got) : 0);
    if (start > 0) {
        const auto newline = text.find('\n');
        text.erase(0, newline == std::string::npos ? text.size() : newline + 1);
    }
    return text;
}

bool WriteAll(int fd, const std::string& text, std::string& error) {
    size_t done = 0;
    while (done < text.size()) {
        const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return Fail(error, n < 0 ? errno : ENOSPC);
        done += size_t(n);
    }
    return true;
}

} // namespace

std::string DefaultJournalPath() {
    const char* data = std::getenv("XDG_DATA_HOME");
    if (data && data[0] == '/')
        return std::string(data) + "/ktrsetup/journal.jsonl";
    const char* home = std::getenv("HOME");
    std::string folder = home && *home ? home : "";
    if (folder.empty()) {
        const passwd* entry = ::getpwuid(::geteuid());
        folder = entry && entry->pw_dir ? entry->pw_dir : ".";
    }
    return folder + "/.local/share/ktrsetup/journal.jsonl";
}

bool CheckJournalFile(const std::string& path, std::string& error) {
    FileDescriptor file;
    return OpenForAppend(path, file, error);
}

bool AppendJournalLine(const std::string& path, size_t tailBytes,
                       const std::function<std::string(const std::string& tail)>& makeLine,
                       std::string& error) {
    FileDescriptor file;
    if (!OpenForAppend(path, file, error) || !Lock(file.fd, LOCK_EX, error))
        return false;
    const off_t end = IsRegular(file.fd) ? ::lseek(file.fd, 0, SEEK_END) : -1;
    // A last line left without its end (by another tool, or a disk that
    // filled) is ended first, so that it does not swallow the new record.
    char last = '\n';
    if (end > 0 && ::pread(file.fd, &last, 1, end - 1) != 1)
        last = '\n';
    const std::string line =
        (last == '\n' ? "" : "\n") + makeLine(Tail(file.fd, tailBytes)) + "\n";
    if (WriteAll(file.fd, line, error) && (::fsync(file.fd) == 0 || Fail(error)))
        return true;
    if (end >= 0 && ::ftruncate(file.fd, end) == 0)
        ::fsync(file.fd);
    return false;
}

bool ReadJournalFile(const std::string& path, std::string& text, std::string& error) {
    text.clear();
    FileDescriptor file;
    file.fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (file.fd < 0)
        return errno == ENOENT || Fail(error);
    if (!IsRegular(file.fd)) {
        error = "not a regular file";
        return false;
    }
    if (!Lock(file.fd, LOCK_SH, error))
        return false;
    char buffer[65536];
    for (;;) {
        const ssize_t n = ::read(file.fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return Fail(error);
        if (n == 0)
            return true;
        text.append(buffer, size_t(n));
    }
}

std::string JournalUserName() {
    std::vector<char> buffer(16384);
    passwd entry{};
    passwd* found = nullptr;
    if (::getpwuid_r(::geteuid(), &entry, buffer.data(), buffer.size(), &found) == 0 && found &&
        found->pw_name)
        return found->pw_name;
    const char* user = std::getenv("USER");
    return user ? user : "";
}

std::string JournalHostName() {
    char name[256] = {};
    if (::gethostname(name, sizeof name - 1) != 0)
        return "";
    return name;
}
