#include "platform/identity/xdg.h"

#include <cstdlib>
#include <string>

namespace identity::xdg {

Environment process_environment()
{
    return [](std::string_view name) -> std::optional<std::string> {
        const char* value = std::getenv(std::string(name).c_str());
        if (!value)
            return std::nullopt;
        return std::string(value);
    };
}

Environment fixed_environment(std::map<std::string, std::string> values)
{
    return [values = std::move(values)](std::string_view name) -> std::optional<std::string> {
        auto it = values.find(std::string(name));
        if (it == values.end())
            return std::nullopt;
        return it->second;
    };
}

std::optional<std::filesystem::path> Dirs::effective_data_home() const
{
    if (data_home)
        return data_home;
    if (home)
        return *home / ".local" / "share";
    return std::nullopt;
}

Dirs dirs(const Environment& env)
{
    Dirs found;
    // Relative values are invalid by the XDG rules and are ignored.
    if (auto data = env("XDG_DATA_HOME"); data && !data->empty() && data->front() == '/')
        found.data_home = std::filesystem::path(*data);
    if (auto home = env("HOME"); home && !home->empty())
        found.home = std::filesystem::path(*home);
    return found;
}

} // namespace identity::xdg
