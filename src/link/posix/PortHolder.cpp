#include "link/PortHolder.h"

#include <cstdio>
#include <dirent.h>
#include <fstream>
#include <grp.h>
#include <sstream>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

namespace {

// The file a path leads to, as /proc/locks names it.
struct FileId {
    dev_t device;
    ino_t inode;
    bool operator==(const FileId&) const = default;
};

bool IdOf(const std::string& path, FileId& id) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0)
        return false;
    id = {info.st_dev, info.st_ino};
    return true;
}

std::string CommandOf(pid_t pid) {
    std::ifstream in("/proc/" + std::to_string(pid) + "/comm");
    std::string name;
    std::getline(in, name);
    return name;
}

// A line of /proc/locks: "1: FLOCK  ADVISORY  WRITE 4321 00:1a:3 0 EOF";
// waiters ("1: -> FLOCK ...") hold nothing.
pid_t LockHolderOf(const std::string& line, const FileId& id) {
    std::istringstream in(line);
    std::string number, kind, mode, access, file;
    pid_t pid = 0;
    if (!(in >> number >> kind) || kind == "->" || !(in >> mode >> access >> pid >> file))
        return 0;
    unsigned major = 0, minor = 0;
    unsigned long long inode = 0;
    if (std::sscanf(file.c_str(), "%x:%x:%llu", &major, &minor, &inode) != 3)
        return 0;
    const FileId locked{makedev(major, minor), static_cast<ino_t>(inode)};
    return locked == id ? pid : 0;
}

std::vector<PortHolder> LockHolders(const FileId& id) {
    std::vector<PortHolder> holders;
    std::ifstream locks("/proc/locks");
    for (std::string line; std::getline(locks, line);) {
        const pid_t pid = LockHolderOf(line, id);
        if (pid > 0 && pid != ::getpid())
            holders.push_back({pid, CommandOf(pid)});
    }
    return holders;
}

bool AllDigits(const char* name) {
    for (const char* c = name; *c; ++c)
        if (*c < '0' || *c > '9')
            return false;
    return *name != '\0';
}

bool HasOpen(pid_t pid, const FileId& id) {
    const std::string fdDir = "/proc/" + std::to_string(pid) + "/fd";
    DIR* dir = ::opendir(fdDir.c_str());
    if (!dir)
        return false;
    bool found = false;
    FileId open{};
    while (const dirent* entry = ::readdir(dir))
        if (AllDigits(entry->d_name) && IdOf(fdDir + "/" + entry->d_name, open) && open == id)
            found = true;
    ::closedir(dir);
    return found;
}

std::vector<PortHolder> OpenHolders(const FileId& id) {
    std::vector<PortHolder> holders;
    DIR* proc = ::opendir("/proc");
    if (!proc)
        return holders;
    while (const dirent* entry = ::readdir(proc)) {
        if (!AllDigits(entry->d_name))
            continue;
        const pid_t pid = static_cast<pid_t>(std::stol(entry->d_name));
        if (pid != ::getpid() && HasOpen(pid, id))
            holders.push_back({pid, CommandOf(pid)});
    }
    ::closedir(proc);
    return holders;
}

} // namespace

std::vector<PortHolder> FindPortHolders(const std::string& devicePath) {
    FileId id{};
    if (!IdOf(devicePath, id))
        return {};
    std::vector<PortHolder> holders = LockHolders(id);
    return holders.empty() ? OpenHolders(id) : holders;
}

std::string PortDeviceGroup(const std::string& devicePath) {
    struct stat info {};
    if (::stat(devicePath.c_str(), &info) != 0 || info.st_gid == 0)
        return "";
    const group* owner = ::getgrgid(info.st_gid);
    return owner ? owner->gr_name : "";
}
