#include "link/SupportedModels.h"

#include <algorithm>
#include <cstdlib>
#include <fcntl.h>
#include <fstream>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const char* const kDefaultPath = "/etc/ktrsetup/supported-models";

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

std::string Trimmed(const std::string& line) {
    size_t begin = 0;
    size_t end = line.size();
    while (begin < end && IsBlank(line[begin]))
        ++begin;
    while (end > begin && IsBlank(line[end - 1]))
        --end;
    return line.substr(begin, end - begin);
}

char AsciiLower(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool EqualIgnoringCase(const std::string& a, const std::string& b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return AsciiLower(x) == AsciiLower(y);
           });
}

} // namespace

std::string SupportedModelsPath() {
    const char* path = std::getenv("KTRSETUP_SUPPORTED_MODELS");
    return (path && *path) ? std::string(path) : std::string(kDefaultPath);
}

bool SupportedModelsFileReadable() {
    const int fd = ::open(SupportedModelsPath().c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    struct stat info {};
    const bool readable = ::fstat(fd, &info) == 0 && !S_ISDIR(info.st_mode);
    ::close(fd);
    return readable;
}

std::vector<std::string> ListedModels() {
    std::vector<std::string> models;
    std::ifstream file(SupportedModelsPath());
    std::string line;
    while (std::getline(file, line)) {
        std::string name = Trimmed(line);
        if (!name.empty() && name.front() != '#')
            models.push_back(std::move(name));
    }
    return models;
}

bool IsModelListed(const std::string& strippedModel) {
    if (strippedModel.empty())
        return false;
    const std::vector<std::string> models = ListedModels();
    return std::any_of(models.begin(), models.end(), [&](const std::string& name) {
        return EqualIgnoringCase(name, strippedModel);
    });
}
