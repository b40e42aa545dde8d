#pragma once
// The keys of the workspace document's root map, and the few derived keys.

#include <string>
#include <string_view>

namespace chat::doc::key {

inline constexpr std::string_view seeded = "seeded";
inline constexpr std::string_view workspaces = "workspaces";
inline constexpr std::string_view categories = "categories";
inline constexpr std::string_view channels = "channels";
inline constexpr std::string_view users = "users";
inline constexpr std::string_view messages = "messages";
inline constexpr std::string_view read = "read";
inline constexpr std::string_view voice = "voice";
inline constexpr std::string_view drafts = "drafts";

// The draft of a thread's reply composer: the channel id, "::t::", the thread root id.
inline std::string thread_draft(std::string_view channel, std::string_view root)
{
    std::string out(channel);
    out += "::t::";
    out += root;
    return out;
}

} // namespace chat::doc::key
