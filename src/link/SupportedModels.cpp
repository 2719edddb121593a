#include "link/SupportedModels.h"

#include "link/DefaultModelStore.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <system_error>

namespace {

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

// The file named by KTRSETUP_SUPPORTED_MODELS, or empty.
std::string VariableFile() {
    const char* path = std::getenv("KTRSETUP_SUPPORTED_MODELS");
    return (path && *path) ? std::string(path) : std::string();
}

} // namespace

ModelList ReadSupportedModels() {
    const std::string file = VariableFile();
    return file.empty() ? ReadDefaultModelStore() : ReadModelsFile(file);
}

ModelList ReadModelsFile(const std::string& path) {
    ModelList list;
    std::error_code error;
    const auto status = std::filesystem::status(path, error);
    if (!std::filesystem::exists(status)) {
        list.problem = "supported-models file missing: " + path;
        return list;
    }
    if (std::filesystem::is_directory(status)) {
        list.problem = "supported-models file is a folder: " + path;
        return list;
    }
    errno = 0;
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        const int why = errno;
        list.problem = "supported-models file cannot be read: " + path +
                       (why ? std::string(" (") + std::strerror(why) + ")" : std::string());
        return list;
    }
    list.readable = true;
    for (std::string line; std::getline(file, line);) {
        std::string name = Trimmed(line);
        if (!name.empty() && name.front() != '#')
            list.models.push_back(std::move(name));
    }
    return list;
}

std::string SupportedModelsPath() {
    const std::string file = VariableFile();
    return file.empty() ? DefaultModelStoreWhere() : file;
}

std::string SupportedModelsPlace() {
    const std::string file = VariableFile();
    if (!file.empty())
        return "supported-models file " + file;
    return "supported-models " + DefaultModelStoreKind() + " " + DefaultModelStoreWhere();
}

bool SupportedModelsFileReadable() {
    return ReadSupportedModels().readable;
}

std::string SupportedModelsProblem() {
    return ReadSupportedModels().problem;
}

std::vector<std::string> ListedModels() {
    return ReadSupportedModels().models;
}

bool IsModelListed(const std::string& strippedModel) {
    if (strippedModel.empty())
        return false;
    const std::vector<std::string> models = ListedModels();
    return std::any_of(models.begin(), models.end(), [&](const std::string& name) {
        return EqualIgnoringCase(name, strippedModel);
    });
}
