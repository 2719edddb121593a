#pragma once

#include "link/LinkResult.h"

#include <string>

// What ktrctl says about the supported-models store (file or registry key).

// True when the file can be read. Otherwise says why on stderr
// ("supported-models file missing: /etc/ktrsetup/supported-models") and
// returns false: without the file no counter can be identified, so there
// is no point in asking any.
bool SupportedModelsAvailable();

// Why a counter's model is not supported, after the model: " (not listed
// in <file>)", or " (the supported-models file <file> lists no model)".
std::string NotListedNote();

// A failure of the counter link in words, with the note above for a model
// that is not supported.
std::string LinkFailureText(const LinkResult& result);
