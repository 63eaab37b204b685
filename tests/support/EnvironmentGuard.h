#pragma once
// Sets an environment variable, or removes it (no value), while this lives; the old value
// comes back afterwards.
#include <stdlib.h>

#include <optional>
#include <string>

class TEnvironmentGuard {
public:
    TEnvironmentGuard(const char* Name, const std::optional<std::string>& Value) : name_(Name)
    {
        if (const char* old = ::getenv(Name))
            old_ = old;
        Set(Value);
    }
    ~TEnvironmentGuard() { Set(old_); }
    TEnvironmentGuard(const TEnvironmentGuard&) = delete;
    TEnvironmentGuard& operator=(const TEnvironmentGuard&) = delete;

private:
    void Set(const std::optional<std::string>& Value)
    {
        if (Value)
            ::setenv(name_, Value->c_str(), 1);
        else
            ::unsetenv(name_);
    }

    const char* name_;
    std::optional<std::string> old_;
};
