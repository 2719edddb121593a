#pragma once

#include <string>

// What ktrctl says about the supported-models store (file or registry key).

// True when the store can be read. Otherwise says why on stderr
// ("supported-models file missing: /etc/ktrsetup/supported-models") and
// returns false: without the file no counter can be identified, so there
// is no point in asking any.
bool SupportedModelsAvailable();
