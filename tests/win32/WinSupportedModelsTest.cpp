// The supported models from the registry key, read only, and the file that
// KTRSETUP_SUPPORTED_MODELS names instead.

#include "link/SupportedModels.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <windows.h>

namespace {

const wchar_t* const kKey = L"SOFTWARE\\Quorrel\\KTRSetup\\Supported Models";
const std::string kKeyName =
    "HKEY_LOCAL_MACHINE\\SOFTWARE\\Quorrel\\KTRSetup\\Supported Models";

// Writes the key for a test (which needs the rights the program never asks
// for) and removes it afterwards.
class WinSupportedModelsTest : public testing::Test {
protected:
    void SetUp() override {
        _putenv_s("KTRSETUP_SUPPORTED_MODELS", "");
        ::RegDeleteTreeW(HKEY_LOCAL_MACHINE, kKey);
    }
    void TearDown() override { ::RegDeleteTreeW(HKEY_LOCAL_MACHINE, kKey); }

    void WriteKey(std::initializer_list<const wchar_t*> names) {
        HKEY key = nullptr;
        ASSERT_EQ(::RegCreateKeyExW(HKEY_LOCAL_MACHINE, kKey, 0, nullptr, 0, KEY_ALL_ACCESS,
                                    nullptr, &key, nullptr),
                  ERROR_SUCCESS);
        for (const wchar_t* name : names)
            ::RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(L""),
                             sizeof(wchar_t));
        // The key's unnamed value names no model.
        ::RegSetValueExW(key, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(L"x"),
                         2 * sizeof(wchar_t));
        ::RegCloseKey(key);
    }
};

} // namespace

TEST_F(WinSupportedModelsTest, ValueNamesAreTheModelsMatchedIgnoringCase) {
    WriteKey({L"KTR-100", L"Model 200 B"});
    EXPECT_TRUE(SupportedModelsFileReadable());
    EXPECT_EQ(SupportedModelsProblem(), "");
    EXPECT_EQ(ListedModels().size(), 2u);
    EXPECT_TRUE(IsModelListed("ktr-100"));
    EXPECT_TRUE(IsModelListed("MODEL 200 b"));
    EXPECT_FALSE(IsModelListed("KTR-10"));
    EXPECT_FALSE(IsModelListed("x"));
    EXPECT_FALSE(IsModelListed(""));
    EXPECT_EQ(SupportedModelsPath(), kKeyName);
    EXPECT_EQ(SupportedModelsPlace(), "supported-models key " + kKeyName);
}

TEST_F(WinSupportedModelsTest, MissingKeyListsNothingAndSaysSo) {
    EXPECT_FALSE(SupportedModelsFileReadable());
    EXPECT_TRUE(ListedModels().empty());
    EXPECT_FALSE(IsModelListed("KTR-100"));
    EXPECT_EQ(SupportedModelsProblem(), "supported-models key missing: " + kKeyName);
}

// A key without values is there and lists no model.
TEST_F(WinSupportedModelsTest, EmptyKeyIsReadableButListsNoModel) {
    WriteKey({});
    EXPECT_TRUE(SupportedModelsFileReadable());
    EXPECT_TRUE(ListedModels().empty());
}

// The variable still names a file, which then wins over the key.
TEST_F(WinSupportedModelsTest, VariableNamesAFileThatWinsOverTheKey) {
    WriteKey({L"KTR-100"});
    const std::string file =
        std::string(std::getenv("TEMP") ? std::getenv("TEMP") : ".") + "\\ktr-win-list.txt";
    std::ofstream(file) << "# bench\r\nKTR-300\r\n";
    _putenv_s("KTRSETUP_SUPPORTED_MODELS", file.c_str());
    EXPECT_EQ(SupportedModelsPath(), file);
    EXPECT_TRUE(IsModelListed("KTR-300"));
    EXPECT_FALSE(IsModelListed("KTR-100"));
    _putenv_s("KTRSETUP_SUPPORTED_MODELS", "");
    std::remove(file.c_str());
}
