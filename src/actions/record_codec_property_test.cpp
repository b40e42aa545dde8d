#include "actions/json_writer.h"
#include "actions/record_codec.h"
#include "actions/record_schema.h"

#include <gtest/gtest.h>
#include <optional>
#include <rapidcheck.h>
#include <rapidcheck/gtest.h>
#include <string>
#include <type_traits>
#include <vector>

namespace rc {

// Generators follow the records' own descriptions, so every described type gets one.
template <typename T> struct Arbitrary<std::optional<T>> {
    static Gen<std::optional<T>> arbitrary()
    {
        return gen::oneOf(gen::just(std::optional<T>{}), gen::map(gen::arbitrary<T>(), [](T value) {
                              return std::optional<T>(std::move(value));
                          }));
    }
};

template <typename T>
struct Arbitrary<T, std::enable_if_t<chat::actions::json::DescribedStruct<T>>> {
    static Gen<T> arbitrary()
    {
        return std::apply(
            [](const auto&... f) {
                if constexpr (sizeof...(f) == 0)
                    return gen::just(T{});
                else
                    return gen::build<T>(gen::set(f.member)...);
            },
            chat::actions::json::StructSchema<T>::fields);
    }
};

template <typename T> struct Arbitrary<T, std::enable_if_t<chat::actions::json::DescribedEnum<T>>> {
    static Gen<T> arbitrary()
    {
        constexpr std::size_t count = chat::actions::json::EnumSchema<T>::names.size();
        return gen::map(gen::inRange<std::size_t>(0, count),
                        [](std::size_t i) { return static_cast<T>(i); });
    }
};

template <typename... Alternatives> struct Arbitrary<std::variant<Alternatives...>> {
    static Gen<std::variant<Alternatives...>> arbitrary()
    {
        using V = std::variant<Alternatives...>;
        return gen::oneOf(gen::map(gen::arbitrary<Alternatives>(),
                                   [](Alternatives a) { return V(std::move(a)); })...);
    }
};

} // namespace rc

namespace {

using namespace chat::actions;

// What a record reads back as: every string made well-formed UTF-8.
template <typename T> void repair_strings(T& value)
{
    if constexpr (std::is_same_v<T, std::string>) {
        value = json::repair_utf8(value);
    } else if constexpr (json::detail::is_optional<T>) {
        if (value)
            repair_strings(*value);
    } else if constexpr (json::detail::is_vector<T>) {
        for (auto& element : value)
            repair_strings(element);
    } else if constexpr (json::DescribedUnion<T>) {
        std::visit([](auto& alternative) { repair_strings(alternative); }, value);
    } else if constexpr (json::DescribedStruct<T>) {
        std::apply([&](const auto&... f) { (repair_strings(value.*(f.member)), ...); },
                   json::StructSchema<T>::fields);
    }
}

template <typename T> void check_round_trip(T record)
{
    std::string text = to_json(record);
    RC_ASSERT(json::is_valid_utf8(text));
    repair_strings(record);
    auto decoded = from_json<T>(text);
    RC_ASSERT(decoded.has_value());
    RC_ASSERT(*decoded == record);
    // The value tree gives the same record as the text.
    json::ValueAllocator allocator;
    auto from_tree = from_json_value<T>(to_json_value(record, allocator));
    RC_ASSERT(from_tree.has_value());
    RC_ASSERT(*from_tree == record);
}

RC_GTEST_PROP(RecordJson, ChatActionsDecodeToWhatWasEncoded, (ChatAction action))
{
    check_round_trip(std::move(action));
}

RC_GTEST_PROP(RecordJson, ChatOperationsDecodeToWhatWasEncoded, (ChatOperation operation))
{
    check_round_trip(std::move(operation));
}

RC_GTEST_PROP(RecordJson, NestedRecordsDecodeToWhatWasEncoded,
              (AgentWork work, StoredAgentTransition transition, ChatCallContinuation continuation,
               ResourceRef reference, Attachment attachment))
{
    check_round_trip(std::move(work));
    check_round_trip(std::move(transition));
    check_round_trip(std::move(continuation));
    check_round_trip(std::move(reference));
    check_round_trip(std::move(attachment));
}

// Text made of any Unicode scalar values, including NUL, controls, quotes and backslashes.
rc::Gen<std::string> unicode_text()
{
    auto scalar = rc::gen::oneOf(rc::gen::inRange<std::uint32_t>(0, 0x80),
                                 rc::gen::inRange<std::uint32_t>(0x80, 0xD800),
                                 rc::gen::inRange<std::uint32_t>(0xE000, 0x110000));
    return rc::gen::map(rc::gen::container<std::vector<std::uint32_t>>(scalar),
                        [](const std::vector<std::uint32_t>& points) {
                            std::string out;
                            for (std::uint32_t c : points) {
                                if (c < 0x80) {
                                    out += static_cast<char>(c);
                                } else if (c < 0x800) {
                                    out += static_cast<char>(0xC0 | (c >> 6));
                                    out += static_cast<char>(0x80 | (c & 0x3F));
                                } else if (c < 0x10000) {
                                    out += static_cast<char>(0xE0 | (c >> 12));
                                    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
                                    out += static_cast<char>(0x80 | (c & 0x3F));
                                } else {
                                    out += static_cast<char>(0xF0 | (c >> 18));
                                    out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
                                    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
                                    out += static_cast<char>(0x80 | (c & 0x3F));
                                }
                            }
                            return out;
                        });
}

RC_GTEST_PROP(RecordJson, UnicodeTextSurvivesExactly, ())
{
    SendMessage send = *rc::gen::arbitrary<SendMessage>();
    send.text = *unicode_text();
    RC_ASSERT(json::is_valid_utf8(send.text));
    auto decoded = from_json<ChatAction>(to_json(ChatAction{send}));
    RC_ASSERT(decoded.has_value());
    RC_ASSERT(std::get<SendMessage>(*decoded).text == send.text);
}

RC_GTEST_PROP(RecordJson, EveryShorterPrefixIsRejected, (ChatAction action))
{
    std::string text = to_json(action);
    std::size_t cut = *rc::gen::inRange<std::size_t>(0, text.size());
    RC_ASSERT(!from_json<ChatAction>(std::string_view(text).substr(0, cut)).has_value());
}

RC_GTEST_PROP(Utf8, RepairLeavesWellFormedTextAloneAndMendsTheRest, (std::string bytes))
{
    std::string repaired = json::repair_utf8(bytes);
    RC_ASSERT(json::is_valid_utf8(repaired));
    RC_ASSERT(json::is_valid_utf8(bytes) == (repaired == bytes));
    // The reader's own validation agrees with ours.
    std::string quoted = "\"";
    for (char c : bytes) {
        if (static_cast<unsigned char>(c) >= 0x20 && c != '"' && c != '\\')
            quoted += c;
    }
    quoted += "\"";
    std::string_view inner = std::string_view(quoted).substr(1, quoted.size() - 2);
    RC_ASSERT(json::Tokens::read(quoted).has_value() == json::is_valid_utf8(inner));
}

} // namespace
