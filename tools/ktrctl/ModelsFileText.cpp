#include "ModelsFileText.h"

#include "Terminal.h"
#include "link/SupportedModels.h"

bool SupportedModelsAvailable() {
    const std::string why = SupportedModelsProblem();
    if (!why.empty())
        PrintError(why);
    return why.empty();
}

std::string NotListedNote() {
    const bool readable = SupportedModelsFileReadable();
    if (!readable)
        return " (the " + SupportedModelsPlace() + " is missing or cannot be read)";
    if (ListedModels().empty())
        return " (the " + SupportedModelsPlace() + " lists no model)";
    return " (not listed in " + SupportedModelsPath() + ")";
}

std::string LinkFailureText(const LinkResult& result) {
    std::string text = DescribeLinkResult(result);
    if (result.status == LinkStatus::NotSupported)
        text += NotListedNote();
    return text;
}
