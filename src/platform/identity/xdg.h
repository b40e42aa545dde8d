#pragma once
// The XDG base directories the program uses, read from the environment.

#include <filesystem>
#include <functional>
#include <map>
#include <string>
#include <optional>
#include <string_view>

namespace identity::xdg {

// Looks up one environment variable; nothing when it is unset.
using Environment = std::function<std::optional<std::string>(std::string_view name)>;

// The process environment.
Environment process_environment();

// An environment holding exactly `values` (for tests and for programs that run others).
Environment fixed_environment(std::map<std::string, std::string> values);

struct Dirs {
    // $XDG_DATA_HOME when it is set to an absolute path.
    std::optional<std::filesystem::path> data_home;
    // $HOME when it is set and not empty.
    std::optional<std::filesystem::path> home;

    // The data folder to use: data_home, else home/.local/share, else nothing.
    std::optional<std::filesystem::path> effective_data_home() const;
};

Dirs dirs(const Environment& env = process_environment());

} // namespace identity::xdg
