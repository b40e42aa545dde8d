#pragma once
// The in-memory records read from the workspace document and written by the record writers.
// Plain values that own their strings and lists; usable on any thread.

#include "actions/agent_work.h"
#include "actions/message_parts.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace chat::doc {

// A person's presence, stored as its lower-case name.
enum class Presence : std::uint8_t {
    Online,
    Idle,
    Dnd,
    Offline,
};

// "online", "idle", "dnd" or "offline".
std::string_view presence_name(Presence presence);
// The presence a stored word names; any other word reads as online.
Presence presence_from_name(std::string_view name);

struct WorkspaceRecord {
    std::string id{};
    std::string name{};
    std::string glyph{};
    std::int64_t color_idx = 0;
    std::uint32_t order = 0;

    bool operator==(const WorkspaceRecord&) const = default;
};

struct CategoryRecord {
    std::string id{};
    std::string workspace{};
    std::string name{};
    std::uint32_t order = 0;
    bool collapsed = false;

    bool operator==(const CategoryRecord&) const = default;
};

struct ChannelRecord {
    std::string id{};
    std::string workspace{};
    std::string category{}; // empty: the channel belongs to no category
    std::string name{};     // without the leading "#"
    std::string topic{};
    std::uint32_t order = 0;
    std::uint32_t unread = 0; // filled by the projection, never stored
    bool voice = false;
    bool archived = false;

    bool operator==(const ChannelRecord&) const = default;
};

struct PersonRecord {
    std::string id{};
    std::string name{};
    std::string initials{};
    std::int64_t color_idx = 0;
    bool agent = false;
    Presence presence = Presence::Online;

    bool operator==(const PersonRecord&) const = default;
};

// One earlier text of an edited message and the time of the edit that replaced it.
struct HistoryEntry {
    std::string text{};
    std::int64_t ts = 0;

    bool operator==(const HistoryEntry&) const = default;
};

// The people who reacted with one emoji, in the order they reacted.
struct ReactionGroup {
    std::string emoji{};
    std::vector<std::string> users{};

    bool operator==(const ReactionGroup&) const = default;
};

struct MessageRecord {
    std::string id{};
    std::string channel{};
    std::string author{};
    std::int64_t ts = 0;
    std::string text{};
    std::optional<std::string> parent{}; // the thread root; none for a top-level message
    bool edited = false;
    std::vector<HistoryEntry> history{}; // oldest first
    std::vector<ReactionGroup> reactions{};
    std::vector<actions::Mention> mentions{};
    std::optional<actions::ResourceRef> reference{};
    std::optional<actions::Attachment> attachment{};
    bool pinned = false;
    std::optional<actions::AgentWork> work{};

    bool operator==(const MessageRecord&) const = default;
};

struct VoiceParticipant {
    std::string user{};
    std::optional<std::string> ticket{};
    bool talking = false;
    bool muted = false;
    bool deafened = false;
    bool audio_only = false;
    bool sharing = false;

    bool operator==(const VoiceParticipant&) const = default;
};

} // namespace chat::doc
