// Arbitrary bytes as the supported-models file: every listed name is
// trimmed, not empty and no comment, is found again in any letter case, and
// the list is the file's lines in order with blanks and comments left out.

#include "FuzzCheck.h"
#include "link/SupportedModels.h"

#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

std::string g_path;

bool Blank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

// The names of the file, read line by line the plain way.
std::vector<std::string> Expected(const std::string& content) {
    std::vector<std::string> names;
    size_t start = 0;
    while (start < content.size()) {
        size_t end = content.find('\n', start);
        if (end == std::string::npos)
            end = content.size();
        size_t first = start;
        size_t last = end;
        while (first < last && Blank(content[first]))
            ++first;
        while (last > first && Blank(content[last - 1]))
            --last;
        if (last > first && content[first] != '#')
            names.push_back(content.substr(first, last - first));
        start = end + 1;
    }
    return names;
}

std::string Swapped(std::string text) {
    for (char& c : text) {
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
        else if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    }
    return text;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    g_path = "/tmp/ktr-fuzz-models-" + std::to_string(::getpid());
    ::setenv("KTRSETUP_SUPPORTED_MODELS", g_path.c_str(), 1);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string content(reinterpret_cast<const char*>(data), size);
    {
        std::ofstream file(g_path, std::ios::binary | std::ios::trunc);
        file << content;
    }
    FUZZ_CHECK(SupportedModelsFileReadable());
    const std::vector<std::string> names = ListedModels();
    FUZZ_CHECK(names == Expected(content));
    for (const std::string& name : names) {
        FUZZ_CHECK(!name.empty() && name[0] != '#');
        FUZZ_CHECK(!Blank(name.front()) && !Blank(name.back()));
        FUZZ_CHECK(IsModelListed(name));
        FUZZ_CHECK(IsModelListed(Swapped(name)));
    }
    FUZZ_CHECK(!IsModelListed(""));
    return 0;
}
