#include "link/DefaultModelStore.h"

#include "link/PortOpenError.h"

#include "link/win32/RegistryKey.h"
#include "link/win32/WideText.h"

namespace {

const wchar_t* const kKey = L"SOFTWARE\\Quorrel\\KTRSetup\\Supported Models";

} // namespace

std::string DefaultModelStoreWhere() {
    return "HKEY_LOCAL_MACHINE\\" + Narrow(kKey);
}

std::string DefaultModelStoreKind() {
    return "key";
}

// Read only (KEY_READ): asking for full access would fail for every user
// without administrator rights, who would then see no counter at all.
ModelList ReadDefaultModelStore() {
    ModelList list;
    const CRegistryKey key(HKEY_LOCAL_MACHINE, kKey);
    if (!key.IsOpen()) {
        list.problem = key.OpenError() == ERROR_FILE_NOT_FOUND
                           ? "supported-models key missing: " + DefaultModelStoreWhere()
                           : "supported-models key cannot be read: " + DefaultModelStoreWhere() +
                                 " (" + SystemErrorText(int(key.OpenError())) + ")";
        return list;
    }
    list.readable = true;
    for (const CRegistryKey::Value& value : key.Values())
        if (!value.name.empty())
            list.models.push_back(Narrow(value.name));
    return list;
}
