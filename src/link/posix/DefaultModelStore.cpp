#include "link/DefaultModelStore.h"

std::string DefaultModelStoreWhere() {
    return "/etc/ktrsetup/supported-models";
}

std::string DefaultModelStoreKind() {
    return "file";
}

ModelList ReadDefaultModelStore() {
    return ReadModelsFile(DefaultModelStoreWhere());
}
