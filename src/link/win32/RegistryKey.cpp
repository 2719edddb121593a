#include "link/win32/RegistryKey.h"

CRegistryKey::CRegistryKey(HKEY root, const std::wstring& path) {
    m_error = ::RegOpenKeyExW(root, path.c_str(), 0, KEY_READ, &m_key);
    if (m_error != ERROR_SUCCESS)
        m_key = nullptr;
}

CRegistryKey::~CRegistryKey() {
    if (m_key)
        ::RegCloseKey(m_key);
}

std::vector<CRegistryKey::Value> CRegistryKey::Values() const {
    std::vector<Value> values;
    if (!m_key)
        return values;
    DWORD count = 0, longestName = 0, longestData = 0;
    if (::RegQueryInfoKeyW(m_key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &count,
                           &longestName, &longestData, nullptr, nullptr) != ERROR_SUCCESS)
        return values;
    std::wstring name(longestName + 1, L'\0');
    std::vector<BYTE> data(longestData + sizeof(wchar_t));
    for (DWORD i = 0; i < count; ++i) {
        DWORD nameSize = DWORD(name.size());
        DWORD dataSize = DWORD(data.size() - sizeof(wchar_t));
        DWORD type = 0;
        if (::RegEnumValueW(m_key, i, name.data(), &nameSize, nullptr, &type, data.data(),
                            &dataSize) != ERROR_SUCCESS)
            continue;
        Value value{name.substr(0, nameSize), {}};
        if (type == REG_SZ || type == REG_EXPAND_SZ) {
            std::wstring text(reinterpret_cast<const wchar_t*>(data.data()),
                              dataSize / sizeof(wchar_t));
            while (!text.empty() && text.back() == L'\0')
                text.pop_back();
            value.text = text;
        }
        values.push_back(std::move(value));
    }
    return values;
}
