#pragma once

#include <string>
#include <vector>

#include <windows.h>

// A registry key opened for reading only (KEY_READ), closed when the object
// goes. Reading needs no administrator rights.
class CRegistryKey {
public:
    CRegistryKey(HKEY root, const std::wstring& path);
    CRegistryKey(const CRegistryKey&) = delete;
    CRegistryKey& operator=(const CRegistryKey&) = delete;
    ~CRegistryKey();

    bool IsOpen() const { return m_key != nullptr; }
    // The error of the open (ERROR_SUCCESS when open).
    LONG OpenError() const { return m_error; }

    struct Value {
        std::wstring name;
        std::wstring text; // the data of a string value, empty for other types
    };
    // Every value of the key, in the registry's order.
    std::vector<Value> Values() const;

private:
    HKEY m_key = nullptr;
    LONG m_error = ERROR_SUCCESS;
};
