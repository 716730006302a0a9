#pragma once
// The reporter's settings file, which keeps the user's e-mail address between runs:
// "Sarnet/QeltErrorReporting.ini" under the user's configuration folder, section
// "QeltErrorReporting", key "Email". Without a configuration folder the path is empty and
// nothing is read or written. Reentrant.

#include <string>

namespace QeltReporter
{
class ReporterSettings
{
public:
    // The settings file under the user's configuration folder, which is created if missing.
    ReporterSettings();
    // The settings file at `path`; an empty path keeps nothing.
    explicit ReporterSettings(std::string path);

    const std::string& Path() const { return path_; }

    // The stored address, at most EmailReadLimit characters; empty when none is stored.
    std::string ReadEmail() const;
    // False when the file could not be written (or there is no file).
    bool StoreEmail(const std::string& email) const;

    static constexpr int EmailReadLimit = 254;

private:
    std::string path_;
};

// "$XDG_CONFIG_HOME/Sarnet/QeltErrorReporting.ini", or under "$HOME/.config" when
// XDG_CONFIG_HOME is unset, empty or relative; empty when neither is usable.
std::string DefaultSettingsPath();
} // namespace QeltReporter
