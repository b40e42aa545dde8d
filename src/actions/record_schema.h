#pragma once
// The JSON shape of the chat records: field names and order, which fields may be absent or are
// left out when empty, and the names of enumerators and alternatives. Include it to embed these
// records inside other described records; record_codec.h has the ready-made functions.

#include "actions/agent_work.h"
#include "actions/call_continuation.h"
#include "actions/chat_action.h"
#include "actions/chat_operation.h"
#include "actions/json_schema.h"
#include "actions/message_parts.h"
#include "platform/ui/realtime_continuity.h"

#include <array>
#include <string_view>
#include <tuple>

namespace chat::actions::json {

// Message parts.

template <> struct EnumSchema<SpanUnit> {
    static constexpr std::string_view name = "SpanUnit";
    static constexpr std::array<std::string_view, 2> names = {"Chars", "Bytes"};
};

template <> struct StructSchema<Span> {
    static constexpr std::string_view name = "Span";
    static constexpr auto fields = std::tuple{field("start", &Span::start),
                                              field("end", &Span::end), field("unit", &Span::unit)};
};

template <> struct StructSchema<ResourceRef> {
    static constexpr std::string_view name = "ResourceRef";
    static constexpr auto fields =
        std::tuple{field("kind", &ResourceRef::kind), field("id", &ResourceRef::id),
                   field("label", &ResourceRef::label), field("span", &ResourceRef::span)};
};

template <> struct StructSchema<Mention> {
    static constexpr std::string_view name = "Mention";
    static constexpr auto fields =
        std::tuple{field("user", &Mention::user), field("start", &Mention::start),
                   field("len", &Mention::len), field("is_agent", &Mention::is_agent)};
};

template <> struct StructSchema<attachment::Image> {
    using T = attachment::Image;
    static constexpr std::string_view name = "Image";
    static constexpr auto fields = std::tuple{field("name", &T::name), field("blob", &T::blob),
                                              field("w", &T::w), field("h", &T::h)};
};

template <> struct StructSchema<attachment::Video> {
    using T = attachment::Video;
    static constexpr std::string_view name = "Video";
    static constexpr auto fields =
        std::tuple{field("name", &T::name), field("blob", &T::blob), field("w", &T::w),
                   field("h", &T::h), field("size", &T::size)};
};

template <> struct StructSchema<attachment::File> {
    using T = attachment::File;
    static constexpr std::string_view name = "File";
    static constexpr auto fields =
        std::tuple{field("name", &T::name), field("blob", &T::blob), field("size", &T::size)};
};

template <> struct UnionSchema<Attachment> {
    static constexpr std::string_view name = "Attachment";
    static constexpr std::array<std::string_view, 3> names = {"Image", "Video", "File"};
};

// Agent work.

template <> struct StructSchema<work_state::Taken> {
    static constexpr std::string_view name = "Taken";
    static constexpr auto fields = std::tuple{};
};

template <> struct StructSchema<work_state::Waiting> {
    static constexpr std::string_view name = "Waiting";
    static constexpr auto fields = std::tuple{field("app", &work_state::Waiting::app)};
};

template <> struct StructSchema<work_state::Doing> {
    static constexpr std::string_view name = "Doing";
    static constexpr auto fields = std::tuple{field("did", &work_state::Doing::did),
                                              field("about", &work_state::Doing::about)};
};

template <> struct StructSchema<work_state::Done> {
    static constexpr std::string_view name = "Done";
    static constexpr auto fields = std::tuple{field("did", &work_state::Done::did)};
};

template <> struct StructSchema<work_state::Refused> {
    static constexpr std::string_view name = "Refused";
    static constexpr auto fields = std::tuple{};
};

template <> struct UnionSchema<AgentWorkState> {
    static constexpr std::string_view name = "AgentWorkState";
    static constexpr std::string_view tag_key = "state";
    static constexpr std::array<std::string_view, 5> names = {"taken", "waiting", "doing", "done",
                                                              "refused"};
};

template <> struct EnumSchema<ReasoningRoute> {
    static constexpr std::string_view name = "ReasoningRoute";
    static constexpr std::array<std::string_view, 2> names = {"model", "floor"};
};

template <> struct StructSchema<AgentReasoning> {
    static constexpr std::string_view name = "AgentReasoning";
    static constexpr auto fields =
        std::tuple{field("route", &AgentReasoning::route), field("why", &AgentReasoning::why)};
};

template <> struct StructSchema<step_outcome::Asked> {
    static constexpr std::string_view name = "Asked";
    static constexpr auto fields = std::tuple{};
};

template <> struct StructSchema<step_outcome::Applied> {
    static constexpr std::string_view name = "Applied";
    static constexpr auto fields = std::tuple{};
};

template <> struct StructSchema<step_outcome::NoChange> {
    static constexpr std::string_view name = "NoChange";
    static constexpr auto fields = std::tuple{};
};

template <> struct StructSchema<step_outcome::Refused> {
    static constexpr std::string_view name = "Refused";
    static constexpr auto fields = std::tuple{field("why", &step_outcome::Refused::why)};
};

template <> struct UnionSchema<AgentStepOutcome> {
    static constexpr std::string_view name = "AgentStepOutcome";
    static constexpr std::string_view tag_key = "outcome";
    static constexpr std::array<std::string_view, 4> names = {"asked", "applied", "no_change",
                                                              "refused"};
};

template <> struct StructSchema<AgentStep> {
    static constexpr std::string_view name = "AgentStep";
    static constexpr auto fields =
        std::tuple{field("id", &AgentStep::id, Presence::OmittedWhenEmpty),
                   field("sequence", &AgentStep::sequence, Presence::OmittedWhenEmpty),
                   field("resource", &AgentStep::resource), field("label", &AgentStep::label),
                   field("outcome", &AgentStep::outcome)};
};

template <> struct StructSchema<AgentWork> {
    static constexpr std::string_view name = "AgentWork";
    static constexpr auto fields =
        std::tuple{field("state", &AgentWork::state), field("since", &AgentWork::since),
                   field("reasoning", &AgentWork::reasoning, Presence::OmittedWhenEmpty),
                   field("trace", &AgentWork::trace, Presence::OmittedWhenEmpty)};
};

template <> struct StructSchema<StoredAgentTransition> {
    static constexpr std::string_view name = "StoredAgentTransition";
    static constexpr auto fields = std::tuple{field("state", &StoredAgentTransition::state),
                                              field("since", &StoredAgentTransition::since)};
};

// Chat actions.

template <> struct EnumSchema<ChannelKind> {
    static constexpr std::string_view name = "ChannelKind";
    static constexpr std::array<std::string_view, 2> names = {"Text", "Voice"};
};

template <> struct StructSchema<SendMessage> {
    using T = SendMessage;
    static constexpr std::string_view name = "SendMessage";
    static constexpr auto fields = std::tuple{field("channel", &T::channel),
                                              field("id", &T::id),
                                              field("author", &T::author),
                                              field("ts", &T::ts),
                                              field("text", &T::text),
                                              field("parent", &T::parent),
                                              field("attachment", &T::attachment),
                                              field("mentions", &T::mentions, Presence::Defaulted),
                                              field("reference", &T::reference)};
};

template <> struct StructSchema<EditMessage> {
    using T = EditMessage;
    static constexpr std::string_view name = "EditMessage";
    static constexpr auto fields = std::tuple{field("channel", &T::channel), field("id", &T::id),
                                              field("text", &T::text), field("ts", &T::ts)};
};

template <> struct StructSchema<DeleteMessage> {
    using T = DeleteMessage;
    static constexpr std::string_view name = "DeleteMessage";
    static constexpr auto fields = std::tuple{field("channel", &T::channel), field("id", &T::id)};
};

template <> struct StructSchema<AddReaction> {
    using T = AddReaction;
    static constexpr std::string_view name = "AddReaction";
    static constexpr auto fields = std::tuple{field("channel", &T::channel), field("msg", &T::msg),
                                              field("emoji", &T::emoji), field("user", &T::user)};
};

template <> struct StructSchema<RemoveReaction> {
    using T = RemoveReaction;
    static constexpr std::string_view name = "RemoveReaction";
    static constexpr auto fields = std::tuple{field("channel", &T::channel), field("msg", &T::msg),
                                              field("emoji", &T::emoji), field("user", &T::user)};
};

template <> struct StructSchema<PinMessage> {
    using T = PinMessage;
    static constexpr std::string_view name = "PinMessage";
    static constexpr auto fields = std::tuple{field("channel", &T::channel), field("msg", &T::msg),
                                              field("pinned", &T::pinned)};
};

template <> struct StructSchema<CreateChannel> {
    using T = CreateChannel;
    static constexpr std::string_view name = "CreateChannel";
    static constexpr auto fields =
        std::tuple{field("workspace", &T::workspace), field("category", &T::category),
                   field("id", &T::id), field("name", &T::name), field("kind", &T::kind)};
};

template <> struct StructSchema<CreateCategory> {
    using T = CreateCategory;
    static constexpr std::string_view name = "CreateCategory";
    static constexpr auto fields =
        std::tuple{field("workspace", &T::workspace), field("id", &T::id), field("name", &T::name)};
};

template <> struct StructSchema<RenameCategory> {
    using T = RenameCategory;
    static constexpr std::string_view name = "RenameCategory";
    static constexpr auto fields = std::tuple{field("id", &T::id), field("name", &T::name)};
};

template <> struct StructSchema<DeleteCategory> {
    using T = DeleteCategory;
    static constexpr std::string_view name = "DeleteCategory";
    static constexpr auto fields = std::tuple{field("id", &T::id)};
};

template <> struct StructSchema<SetCategoryCollapsed> {
    using T = SetCategoryCollapsed;
    static constexpr std::string_view name = "SetCategoryCollapsed";
    static constexpr auto fields =
        std::tuple{field("id", &T::id), field("collapsed", &T::collapsed)};
};

template <> struct StructSchema<ReorderChannel> {
    using T = ReorderChannel;
    static constexpr std::string_view name = "ReorderChannel";
    static constexpr auto fields = std::tuple{field("id", &T::id), field("up", &T::up)};
};

template <> struct StructSchema<RenameChannel> {
    using T = RenameChannel;
    static constexpr std::string_view name = "RenameChannel";
    static constexpr auto fields = std::tuple{field("id", &T::id), field("name", &T::name)};
};

template <> struct StructSchema<DeleteChannel> {
    using T = DeleteChannel;
    static constexpr std::string_view name = "DeleteChannel";
    static constexpr auto fields = std::tuple{field("id", &T::id)};
};

template <> struct StructSchema<ArchiveChannel> {
    using T = ArchiveChannel;
    static constexpr std::string_view name = "ArchiveChannel";
    static constexpr auto fields = std::tuple{field("id", &T::id), field("archived", &T::archived)};
};

template <> struct StructSchema<MarkRead> {
    using T = MarkRead;
    static constexpr std::string_view name = "MarkRead";
    static constexpr auto fields = std::tuple{field("channel", &T::channel),
                                              field("user", &T::user), field("count", &T::count)};
};

template <> struct StructSchema<SetAgentWork> {
    using T = SetAgentWork;
    static constexpr std::string_view name = "SetAgentWork";
    static constexpr auto fields = std::tuple{field("channel", &T::channel), field("msg", &T::msg),
                                              field("work", &T::work), field("say", &T::say)};
};

template <> struct StructSchema<JoinCall> {
    using T = JoinCall;
    static constexpr std::string_view name = "JoinCall";
    static constexpr auto fields =
        std::tuple{field("channel", &T::channel), field("user", &T::user)};
};

template <> struct StructSchema<LeaveCall> {
    using T = LeaveCall;
    static constexpr std::string_view name = "LeaveCall";
    static constexpr auto fields =
        std::tuple{field("channel", &T::channel), field("user", &T::user)};
};

template <> struct StructSchema<SetCallState> {
    using T = SetCallState;
    static constexpr std::string_view name = "SetCallState";
    static constexpr auto fields =
        std::tuple{field("channel", &T::channel),   field("user", &T::user),
                   field("talking", &T::talking),   field("muted", &T::muted),
                   field("deafened", &T::deafened), field("audio_only", &T::audio_only)};
};

template <> struct StructSchema<SetScreenShare> {
    using T = SetScreenShare;
    static constexpr std::string_view name = "SetScreenShare";
    static constexpr auto fields = std::tuple{
        field("channel", &T::channel), field("user", &T::user), field("sharing", &T::sharing)};
};

template <> struct StructSchema<SetCallTicket> {
    using T = SetCallTicket;
    static constexpr std::string_view name = "SetCallTicket";
    static constexpr auto fields = std::tuple{field("channel", &T::channel),
                                              field("user", &T::user), field("ticket", &T::ticket)};
};

template <> struct UnionSchema<ChatAction> {
    static constexpr std::string_view name = "ChatAction";
    static constexpr std::array<std::string_view, 22> names = {
        "SendMessage",    "EditMessage",          "DeleteMessage",
        "AddReaction",    "RemoveReaction",       "PinMessage",
        "CreateChannel",  "CreateCategory",       "RenameCategory",
        "DeleteCategory", "SetCategoryCollapsed", "ReorderChannel",
        "RenameChannel",  "DeleteChannel",        "ArchiveChannel",
        "MarkRead",       "SetAgentWork",         "JoinCall",
        "LeaveCall",      "SetCallState",         "SetScreenShare",
        "SetCallTicket"};
};

// Chat operations.

template <> struct StructSchema<OpenWorkspace> {
    static constexpr std::string_view name = "OpenWorkspace";
    static constexpr auto fields = std::tuple{field("workspace", &OpenWorkspace::workspace)};
};

template <> struct StructSchema<OpenChannel> {
    static constexpr std::string_view name = "OpenChannel";
    static constexpr auto fields = std::tuple{field("workspace", &OpenChannel::workspace),
                                              field("channel", &OpenChannel::channel)};
};

template <> struct StructSchema<OpenCategory> {
    static constexpr std::string_view name = "OpenCategory";
    static constexpr auto fields = std::tuple{field("workspace", &OpenCategory::workspace),
                                              field("category", &OpenCategory::category)};
};

template <> struct StructSchema<RevealMessage> {
    using T = RevealMessage;
    static constexpr std::string_view name = "RevealMessage";
    static constexpr auto fields =
        std::tuple{field("workspace", &T::workspace), field("channel", &T::channel),
                   field("message", &T::message), field("parent", &T::parent)};
};

template <> struct StructSchema<OpenPerson> {
    static constexpr std::string_view name = "OpenPerson";
    static constexpr auto fields = std::tuple{field("user", &OpenPerson::user)};
};

template <> struct StructSchema<ImportAttachment> {
    static constexpr std::string_view name = "ImportAttachment";
    static constexpr auto fields = std::tuple{field("channel", &ImportAttachment::channel),
                                              field("path", &ImportAttachment::path)};
};

template <> struct UnionSchema<ChatOperation> {
    static constexpr std::string_view name = "ChatOperation";
    static constexpr std::array<std::string_view, 6> names = {"OpenWorkspace", "OpenChannel",
                                                              "OpenCategory",  "RevealMessage",
                                                              "OpenPerson",    "ImportAttachment"};
};

// Call continuation.

template <> struct StructSchema<ruvo_ui::RealtimeMediaFacets> {
    using T = ruvo_ui::RealtimeMediaFacets;
    static constexpr std::string_view name = "RealtimeMediaFacets";
    static constexpr auto fields =
        std::tuple{field("microphone", &T::microphone), field("camera", &T::camera),
                   field("screen_share", &T::screen_share), field("share_audio", &T::share_audio)};
};

template <> struct StructSchema<ruvo_ui::RealtimeControlIntent> {
    using T = ruvo_ui::RealtimeControlIntent;
    static constexpr std::string_view name = "RealtimeControlIntent";
    static constexpr auto fields = std::tuple{field("microphone_muted", &T::microphone_muted),
                                              field("camera_muted", &T::camera_muted),
                                              field("screen_share_paused", &T::screen_share_paused),
                                              field("share_audio_muted", &T::share_audio_muted)};
};

template <> struct StructSchema<ChatCallContinuation> {
    using T = ChatCallContinuation;
    static constexpr std::string_view name = "ChatCallContinuation";
    static constexpr auto fields =
        std::tuple{field("workspace_id", &T::workspace_id), field("channel_id", &T::channel_id),
                   field("media", &T::media), field("controls", &T::controls)};
};

} // namespace chat::actions::json
