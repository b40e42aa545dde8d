#pragma once
// The JSON text and value-tree forms of the chat records. Encoding is compact (no spaces),
// with keys in field order, {"Alternative":{...}} for ChatAction, ChatOperation and
// Attachment, bare names for enumerations, and the tag inside the object for AgentWorkState
// ("state") and AgentStepOutcome ("outcome"). Absent optionals are null, except that
// AgentWork leaves out an absent reasoning and an empty trace, and AgentStep an empty id and a
// zero sequence.
//
// Decoding accepts those forms and, for every record and alternative with fields, an array of
// the field values in declaration order. Unknown keys are skipped; repeated keys, missing
// fields, unknown names, out-of-range integers and anything after the value are errors. Errors
// from text carry "at line L column C"; errors from a value tree carry no position.
//
// Pure functions; call them from any thread.

#include "actions/agent_work.h"
#include "actions/call_continuation.h"
#include "actions/chat_action.h"
#include "actions/chat_operation.h"
#include "actions/json_writer.h"
#include "actions/message_parts.h"
#include "platform/ui/realtime_continuity.h"
#include "platform/util/result.h"

#include <concepts>
#include <cstdint>
#include <rapidjson/document.h>
#include <span>
#include <string>
#include <string_view>

namespace chat::actions {

template <typename T>
concept CodecRecord = std::same_as<T, ChatAction> || std::same_as<T, ChatOperation> ||
    std::same_as<T, Attachment> || std::same_as<T, Mention> || std::same_as<T, ResourceRef> ||
    std::same_as<T, Span> || std::same_as<T, AgentWork> || std::same_as<T, AgentWorkState> ||
    std::same_as<T, AgentReasoning> || std::same_as<T, AgentStep> ||
    std::same_as<T, AgentStepOutcome> || std::same_as<T, StoredAgentTransition> ||
    std::same_as<T, ChatCallContinuation> || std::same_as<T, ruvo_ui::RealtimeMediaFacets> ||
    std::same_as<T, ruvo_ui::RealtimeControlIntent>;

// Compact JSON text. Cannot fail for any record: a string that is not UTF-8 is written with
// U+FFFD in its ill-formed places. Should RapidJSON ever refuse the output, the program ends
// with "ChatAction is always serializable" (or the record's own name in that message).
template <CodecRecord T> std::string to_json(const T& record);

// The payload of an encoded action of kind chat_action_kind; on the impossible failure the
// program ends with "encode chat action".
std::string encode_chat_action(const ChatAction& action);

// The record as a value tree allocated in `allocator` (which must outlive the value).
template <CodecRecord T>
rapidjson::Value to_json_value(const T& record, json::ValueAllocator& allocator);

template <CodecRecord T> util::Result<T> from_json(std::string_view text);

template <CodecRecord T> util::Result<T> from_json(std::span<const std::uint8_t> bytes);

template <CodecRecord T> util::Result<T> from_json_value(const rapidjson::Value& value);

} // namespace chat::actions
