#pragma once
// Runs a stretch of a test under a real POSIX locale, one of those compiled into the build
// tree (tests/CMakeLists.txt): the environment names it (LOCPATH and LC_ALL), the C
// library's locale of the process follows it, and the format settings are read from it
// as the program reads them at start. Everything is put back at the end, also the locale
// variables a test changes meanwhile (LANG, LC_NUMERIC, LC_TIME). A locale that cannot be
// loaded fails the test (std::runtime_error), never passes for another one.
#include <locale.h>

#include <array>
#include <cctype>
#include <cstdlib>
#include <optional>
#include <stdexcept>
#include <string>

#include "support/FormatSettingsGuard.h"

class PosixLocaleScope {
public:
    explicit PosixLocaleScope(const std::string& Name)
        : processLocale_(setlocale(LC_ALL, nullptr))
    {
        for (size_t i = 0; i < kVariables.size(); ++i) {
            const char* value = std::getenv(kVariables[i]);
            saved_[i] = value == nullptr ? std::nullopt : std::optional<std::string>(value);
        }
        setenv("LOCPATH", TREVASK_TEST_LOCALES, 1);
        setenv("LC_ALL", Name.c_str(), 1);
        if (setlocale(LC_ALL, Name.c_str()) == nullptr) {
            Restore();
            throw std::runtime_error("the locale " + Name + " is not in " TREVASK_TEST_LOCALES);
        }
        SetFormatSettingsFromLocale();
    }
    ~PosixLocaleScope() { Restore(); }
    PosixLocaleScope(const PosixLocaleScope&) = delete;
    PosixLocaleScope& operator=(const PosixLocaleScope&) = delete;

private:
    static constexpr std::array<const char*, 5> kVariables{"LOCPATH", "LC_ALL", "LC_NUMERIC", "LC_TIME", "LANG"};

    void Restore()
    {
        for (size_t i = 0; i < kVariables.size(); ++i) {
            if (saved_[i])
                setenv(kVariables[i], saved_[i]->c_str(), 1);
            else
                unsetenv(kVariables[i]);
        }
        setlocale(LC_ALL, processLocale_.c_str());
    }

    FormatSettingsGuard settings_;
    std::string processLocale_;
    std::array<std::optional<std::string>, kVariables.size()> saved_;
};

// A locale's name as the name of a test parameter: "pt_BR.UTF-8" is "pt_BR_UTF_8".
inline std::string LocaleParamName(std::string Name)
{
    for (char& c : Name)
        c = std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
    return Name;
}
