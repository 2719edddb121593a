#pragma once

#include "link/SupportedModels.h"

#include <string>

// Where the supported models are listed when KTRSETUP_SUPPORTED_MODELS names
// no file; one file per system.
// Linux: the file /etc/ktrsetup/supported-models.
// Windows: the values of the registry key
// HKEY_LOCAL_MACHINE\SOFTWARE\Quorrel\KTRSetup\Supported Models, one per
// model, named by the model text. The key is
// opened for reading only, so a user without administrator rights sees the
// same list.

// The file's path or the key's full name.
std::string DefaultModelStoreWhere();

// "file" or "key".
std::string DefaultModelStoreKind();

ModelList ReadDefaultModelStore();
