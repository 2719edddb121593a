#pragma once

#include <string>
#include <vector>

// The list of counter models this program works with: a read-only text file,
// $KTRSETUP_SUPPORTED_MODELS when that variable is set, otherwise
// /etc/ktrsetup/supported-models. One model name per line; spaces, tabs, CR
// and LF are trimmed at both ends; blank lines and lines starting with '#'
// are ignored. A missing or unreadable file lists no model.
//
// The file is read on every call, so an edit takes effect at the next
// identification. All functions are safe to call from several threads.

// The path of the file in use.
std::string SupportedModelsPath();

// True when the file exists and can be read (for "file missing" hints).
bool SupportedModelsFileReadable();

// The model names listed in the file, in file order.
std::vector<std::string> ListedModels();

// True when the model text, already stripped by the caller, is listed. The
// comparison ignores ASCII letter case. An empty text is never listed.
bool IsModelListed(const std::string& strippedModel);
