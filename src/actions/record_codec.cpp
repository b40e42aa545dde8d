#include "actions/record_codec.h"

#include "actions/record_schema.h"

namespace chat::actions {

template <typename T> static constexpr std::string_view fatal_message_for()
{
    if constexpr (std::same_as<T, ChatAction>)
        return "ChatAction is always serializable";
    else if constexpr (std::same_as<T, ChatOperation>)
        return "ChatOperation is always serializable";
    else if constexpr (std::same_as<T, Attachment>)
        return "Attachment is always serializable";
    else if constexpr (std::same_as<T, AgentWorkState>)
        return "AgentWorkState is always serializable";
    else if constexpr (std::same_as<T, AgentStepOutcome>)
        return "AgentStepOutcome is always serializable";
    else if constexpr (std::same_as<T, ChatCallContinuation>)
        return "ChatCallContinuation is always serializable";
    else
        return "chat record is always serializable";
}

// The continuation is small and fixed in shape; the others grow with their text.
template <typename T> static std::size_t initial_capacity(const T&)
{
    if constexpr (std::same_as<T, ChatCallContinuation>)
        return 128;
    else
        return 256;
}

template <CodecRecord T> std::string to_json(const T& record)
{
    return json::to_text(record, fatal_message_for<T>(), initial_capacity(record));
}

std::string encode_chat_action(const ChatAction& action)
{
    return json::to_text(action, "encode chat action");
}

template <CodecRecord T>
rapidjson::Value to_json_value(const T& record, json::ValueAllocator& allocator)
{
    return json::to_value(record, allocator, fatal_message_for<T>());
}

template <CodecRecord T> util::Result<T> from_json(std::string_view text)
{
    return json::from_text<T>(text);
}

template <CodecRecord T> util::Result<T> from_json(std::span<const std::uint8_t> bytes)
{
    return json::from_text<T>(
        std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
}

template <CodecRecord T> util::Result<T> from_json_value(const rapidjson::Value& value)
{
    return json::from_value<T>(value);
}

#define CHAT_INSTANTIATE_CODEC(T)                                                                  \
    template std::string to_json<T>(const T&);                                                     \
    template rapidjson::Value to_json_value<T>(const T&, json::ValueAllocator&);                   \
    template util::Result<T> from_json<T>(std::string_view);                                       \
    template util::Result<T> from_json<T>(std::span<const std::uint8_t>);                          \
    template util::Result<T> from_json_value<T>(const rapidjson::Value&);

CHAT_INSTANTIATE_CODEC(ChatAction)
CHAT_INSTANTIATE_CODEC(ChatOperation)
CHAT_INSTANTIATE_CODEC(Attachment)
CHAT_INSTANTIATE_CODEC(Mention)
CHAT_INSTANTIATE_CODEC(ResourceRef)
CHAT_INSTANTIATE_CODEC(Span)
CHAT_INSTANTIATE_CODEC(AgentWork)
CHAT_INSTANTIATE_CODEC(AgentWorkState)
CHAT_INSTANTIATE_CODEC(AgentReasoning)
CHAT_INSTANTIATE_CODEC(AgentStep)
CHAT_INSTANTIATE_CODEC(AgentStepOutcome)
CHAT_INSTANTIATE_CODEC(StoredAgentTransition)
CHAT_INSTANTIATE_CODEC(ChatCallContinuation)
CHAT_INSTANTIATE_CODEC(ruvo_ui::RealtimeMediaFacets)
CHAT_INSTANTIATE_CODEC(ruvo_ui::RealtimeControlIntent)

#undef CHAT_INSTANTIATE_CODEC

} // namespace chat::actions
