#pragma once

#include <string>
#include <vector>

// The list of counter models this program works with. When
// KTRSETUP_SUPPORTED_MODELS is set it names a read-only text file; otherwise
// the system's own store is used (DefaultModelStore.h): a file on Linux, a
// registry key on Windows. A file has one model name per line; spaces, tabs,
// CR and LF are trimmed at both ends; blank lines and lines starting with
// '#' are ignored. A missing or unreadable store lists no model.
//
// The store is read on every call, so an edit takes effect at the next
// identification. All functions are safe to call from several threads.

// What a read of a store gave.
struct ModelList {
    bool readable = false;
    std::string problem; // why it could not be read ("" when it could)
    std::vector<std::string> models;
};

// A models file read as described above. problem: "supported-models file
// missing: <path>", "... cannot be read: <path> (<reason>)", "... is a folder: <path>".
ModelList ReadModelsFile(const std::string& path);

// Where the list is: the file's path, or the registry key.
std::string SupportedModelsPath();

// The store in words: "supported-models file <path>" or "supported-models
// key <key>".
std::string SupportedModelsPlace();

// The store read once: whether it could be, why not, and its models.
ModelList ReadSupportedModels();

// True when the store exists and can be read (for "file missing" hints).
bool SupportedModelsFileReadable();

// Why the store cannot be read, or "" when it can.
std::string SupportedModelsProblem();

// The model names listed, in store order.
std::vector<std::string> ListedModels();

// True when the model text, already stripped by the caller, is listed. The
// comparison ignores ASCII letter case. An empty text is never listed.
bool IsModelListed(const std::string& strippedModel);
