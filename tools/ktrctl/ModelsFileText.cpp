#include "ModelsFileText.h"

#include "Terminal.h"
#include "link/SupportedModels.h"

bool SupportedModelsAvailable() {
    const std::string why = SupportedModelsProblem();
    if (!why.empty())
        PrintError(why);
    return why.empty();
}
