#pragma once
// The parts a message carries beside its text: attachment, mentions and a reference to a
// workspace resource. Plain values that own their strings; usable on any thread.

#include <cstdint>
#include <optional>
#include <string>
#include <variant>

namespace chat::actions {

// How the positions of a Span are counted.
enum class SpanUnit : std::uint8_t {
    Chars,
    Bytes,
};

// A range inside a resource's text, [start, end).
struct Span {
    std::uint64_t start = 0;
    std::uint64_t end = 0;
    SpanUnit unit = SpanUnit::Chars;

    bool operator==(const Span&) const = default;
};

// A message's reference to a workspace resource, such as another message.
struct ResourceRef {
    std::string kind{}; // a resource kind such as "chat.message"
    std::string id{};
    std::string label{};
    std::optional<Span> span{};

    bool operator==(const ResourceRef&) const = default;
};

// A person named inside the message text.
struct Mention {
    std::string user{};
    std::uint64_t start = 0; // position of the mention inside the text
    std::uint64_t len = 0;
    bool is_agent = false;

    bool operator==(const Mention&) const = default;
};

namespace attachment {

// `blob` is a content reference: a content-store identifier or a built-in demo reference.
struct Image {
    std::string name{};
    std::string blob{};
    std::uint32_t w = 0;
    std::uint32_t h = 0;

    bool operator==(const Image&) const = default;
};

struct Video {
    std::string name{};
    std::string blob{};
    std::uint32_t w = 0;
    std::uint32_t h = 0;
    std::uint64_t size = 0; // bytes

    bool operator==(const Video&) const = default;
};

struct File {
    std::string name{};
    std::string blob{};
    std::uint64_t size = 0; // bytes

    bool operator==(const File&) const = default;
};

} // namespace attachment

using Attachment = std::variant<attachment::Image, attachment::Video, attachment::File>;

} // namespace chat::actions
