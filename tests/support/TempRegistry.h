#pragma once
// Points the registry files at a fresh temporary configuration directory while this lives
// (XDG_CONFIG_HOME), and restores the variable afterwards.
#include <QTemporaryDir>
#include <cstdlib>
#include <optional>
#include <string>

class TempRegistry {
public:
    TempRegistry()
    {
        if (const char* value = std::getenv("XDG_CONFIG_HOME"))
            previous_ = value;
        ::setenv("XDG_CONFIG_HOME", dir_.path().toStdString().c_str(), 1);
    }
    ~TempRegistry()
    {
        if (previous_)
            ::setenv("XDG_CONFIG_HOME", previous_->c_str(), 1);
        else
            ::unsetenv("XDG_CONFIG_HOME");
    }
    TempRegistry(const TempRegistry&) = delete;
    TempRegistry& operator=(const TempRegistry&) = delete;

    bool IsValid() const { return dir_.isValid(); }
    std::string ConfigHome() const { return dir_.path().toStdString(); }
    // The file that holds one root key, e.g. "HKEY_CURRENT_USER".
    std::string HiveFile(const std::string& Root) const { return ConfigHome() + "/trevask/registry/" + Root + ".reg"; }

private:
    QTemporaryDir dir_;
    std::optional<std::string> previous_;
};
