#pragma once

#include <gtest/gtest.h>

#include <clocale>
#include <locale>
#include <memory>
#include <string>

// The comma-decimal locale that the installer generates. Its absence is a
// failure, not a reason to skip: without it the locale tests prove nothing.
inline const char* kCommaLocale = "de_DE.UTF-8";

// Puts the whole process into a locale, both the C library's (setlocale)
// and the C++ global one, and restores both at the end. Check Ok() with
// ASSERT_TRUE.
class CScopedProcessLocale {
public:
    explicit CScopedProcessLocale(const std::string& name)
        : m_savedC(std::setlocale(LC_ALL, nullptr)), m_savedCpp(std::locale()) {
        m_ok = std::setlocale(LC_ALL, name.c_str()) != nullptr;
        if (m_ok)
            std::locale::global(std::locale(name));
    }
    ~CScopedProcessLocale() {
        std::locale::global(m_savedCpp);
        std::setlocale(LC_ALL, m_savedC.c_str());
    }
    CScopedProcessLocale(const CScopedProcessLocale&) = delete;
    CScopedProcessLocale& operator=(const CScopedProcessLocale&) = delete;

    bool Ok() const { return m_ok; }

private:
    std::string m_savedC;
    std::locale m_savedCpp;
    bool m_ok = false;
};

// Runs each test of a fixture once in the "C" locale and once under the
// comma-decimal locale.
class CLocaleParamTest : public testing::TestWithParam<std::string> {
protected:
    void SetUp() override {
        m_locale = std::make_unique<CScopedProcessLocale>(GetParam());
        ASSERT_TRUE(m_locale->Ok()) << "locale " << GetParam() << " is not installed";
    }
    void TearDown() override { m_locale.reset(); }

private:
    std::unique_ptr<CScopedProcessLocale> m_locale;
};

inline std::string LocaleTestName(const testing::TestParamInfo<std::string>& info) {
    return info.param == "C" ? "CLocale" : "CommaLocale";
}

#define KTR_INSTANTIATE_LOCALES(fixture)                                                           \
    INSTANTIATE_TEST_SUITE_P(Locales, fixture, testing::Values("C", kCommaLocale), LocaleTestName)
