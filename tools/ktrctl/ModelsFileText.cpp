#include "ModelsFileText.h"

#include "Terminal.h"
#include "link/SupportedModels.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// The message for a file that cannot be read, or nothing when it can.
std::string Unreadable(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0 && errno == ENOENT)
        return "supported-models file missing: " + path;
    if (fd < 0)
        return "supported-models file cannot be read: " + path + " (" + std::strerror(errno) + ")";
    struct stat info {};
    const bool folder = ::fstat(fd, &info) == 0 && S_ISDIR(info.st_mode);
    ::close(fd);
    return folder ? "supported-models file is a folder: " + path : "";
}

} // namespace

bool SupportedModelsAvailable() {
    const std::string why = Unreadable(SupportedModelsPath());
    if (!why.empty())
        PrintError(why);
    return why.empty();
}
