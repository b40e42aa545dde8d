#pragma once
// ChatAction: one change to the shared workspace, as a plain value. Every write to the
// document travels as one of these (encoded as JSON under chat_action_kind). Identifier fields
// hold workspace, category, channel, message and person identifiers; times are whole seconds
// since the Unix epoch. Usable on any thread.

#include "actions/agent_work.h"
#include "actions/message_parts.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace chat::actions {

// The kind under which an encoded ChatAction travels through the action framework.
inline constexpr std::string_view chat_action_kind = "chat.action";

enum class ChannelKind : std::uint8_t {
    Text,
    Voice,
};

struct SendMessage {
    std::string channel{};
    std::string id{};
    std::string author{};
    std::int64_t ts = 0;
    std::string text{};
    std::optional<std::string> parent{}; // thread parent
    std::optional<Attachment> attachment{};
    std::vector<Mention> mentions{};
    std::optional<ResourceRef> reference{};

    bool operator==(const SendMessage&) const = default;
};

struct EditMessage {
    std::string channel{};
    std::string id{};
    std::string text{};
    std::int64_t ts = 0;

    bool operator==(const EditMessage&) const = default;
};

struct DeleteMessage {
    std::string channel{};
    std::string id{};

    bool operator==(const DeleteMessage&) const = default;
};

struct AddReaction {
    std::string channel{};
    std::string msg{};
    std::string emoji{};
    std::string user{};

    bool operator==(const AddReaction&) const = default;
};

struct RemoveReaction {
    std::string channel{};
    std::string msg{};
    std::string emoji{};
    std::string user{};

    bool operator==(const RemoveReaction&) const = default;
};

struct PinMessage {
    std::string channel{};
    std::string msg{};
    bool pinned = false;

    bool operator==(const PinMessage&) const = default;
};

struct CreateChannel {
    std::string workspace{};
    std::string category{};
    std::string id{};
    std::string name{};
    ChannelKind kind = ChannelKind::Text;

    bool operator==(const CreateChannel&) const = default;
};

struct CreateCategory {
    std::string workspace{};
    std::string id{};
    std::string name{};

    bool operator==(const CreateCategory&) const = default;
};

struct RenameCategory {
    std::string id{};
    std::string name{};

    bool operator==(const RenameCategory&) const = default;
};

struct DeleteCategory {
    std::string id{};

    bool operator==(const DeleteCategory&) const = default;
};

struct SetCategoryCollapsed {
    std::string id{};
    bool collapsed = false;

    bool operator==(const SetCategoryCollapsed&) const = default;
};

struct ReorderChannel {
    std::string id{};
    bool up = false; // true: one place up; false: one place down

    bool operator==(const ReorderChannel&) const = default;
};

struct RenameChannel {
    std::string id{};
    std::string name{};

    bool operator==(const RenameChannel&) const = default;
};

struct DeleteChannel {
    std::string id{};

    bool operator==(const DeleteChannel&) const = default;
};

struct ArchiveChannel {
    std::string id{};
    bool archived = false; // false: unarchive

    bool operator==(const ArchiveChannel&) const = default;
};

struct MarkRead {
    std::string channel{};
    std::string user{};
    std::int64_t count = 0;

    bool operator==(const MarkRead&) const = default;
};

struct SetAgentWork {
    std::string channel{};
    std::string msg{};
    AgentWork work{};
    std::optional<std::string> say{};

    bool operator==(const SetAgentWork&) const = default;
};

struct JoinCall {
    std::string channel{};
    std::string user{};

    bool operator==(const JoinCall&) const = default;
};

struct LeaveCall {
    std::string channel{};
    std::string user{};

    bool operator==(const LeaveCall&) const = default;
};

struct SetCallState {
    std::string channel{};
    std::string user{};
    bool talking = false;
    bool muted = false;
    bool deafened = false;
    bool audio_only = false;

    bool operator==(const SetCallState&) const = default;
};

struct SetScreenShare {
    std::string channel{};
    std::string user{};
    bool sharing = false;

    bool operator==(const SetScreenShare&) const = default;
};

struct SetCallTicket {
    std::string channel{};
    std::string user{};
    std::string ticket{}; // the caller's connection ticket text

    bool operator==(const SetCallTicket&) const = default;
};

// The alternatives in their fixed order; decoders list valid names in this order.
using ChatAction =
    std::variant<SendMessage, EditMessage, DeleteMessage, AddReaction, RemoveReaction, PinMessage,
                 CreateChannel, CreateCategory, RenameCategory, DeleteCategory,
                 SetCategoryCollapsed, ReorderChannel, RenameChannel, DeleteChannel, ArchiveChannel,
                 MarkRead, SetAgentWork, JoinCall, LeaveCall, SetCallState, SetScreenShare,
                 SetCallTicket>;

} // namespace chat::actions
