#include "doc/chat_data_dir.h"

namespace chat::doc {

std::optional<std::filesystem::path> chat_data_dir(const identity::xdg::Environment& env)
{
    if (auto explicit_dir = env("RUVO_CHAT_DATA"))
        return std::filesystem::path(*explicit_dir);
    auto dirs = identity::xdg::dirs(env);
    if (dirs.data_home)
        return *dirs.data_home / "ruvo-chat";
    if (dirs.home)
        return *dirs.home / ".local" / "share" / "ruvo-chat";
    return std::nullopt;
}

std::optional<std::filesystem::path> legacy_document_path(const identity::xdg::Environment& env)
{
    auto dir = chat_data_dir(env);
    if (!dir)
        return std::nullopt;
    return *dir / legacy_document_name;
}

util::Result<ruvo_ui::persist::Handle> open_persistence(const std::filesystem::path& dir, std::string_view name)
{
    if (auto legacy = legacy_document_path())
        return ruvo_ui::persist::open_migrating(dir, name, *legacy);
    return ruvo_ui::persist::open(dir, name);
}

} // namespace chat::doc
