#pragma once
// ChatOperation: a request that only navigates the interface or asks for a side effect (an
// attachment import); it never changes the document. Encoded as JSON under
// chat_operation_kind. Usable on any thread.

#include <optional>
#include <string>
#include <string_view>
#include <variant>

namespace chat::actions {

// The kind under which an encoded ChatOperation travels through the action framework.
inline constexpr std::string_view chat_operation_kind = "chat.operation";

struct OpenWorkspace {
    std::string workspace{};

    bool operator==(const OpenWorkspace&) const = default;
};

struct OpenChannel {
    std::string workspace{};
    std::string channel{};

    bool operator==(const OpenChannel&) const = default;
};

struct OpenCategory {
    std::string workspace{};
    std::string category{};

    bool operator==(const OpenCategory&) const = default;
};

struct RevealMessage {
    std::string workspace{};
    std::string channel{};
    std::string message{};
    std::optional<std::string> parent{}; // thread parent

    bool operator==(const RevealMessage&) const = default;
};

struct OpenPerson {
    std::string user{};

    bool operator==(const OpenPerson&) const = default;
};

struct ImportAttachment {
    std::string channel{}; // target channel
    std::string path{};    // local file to import

    bool operator==(const ImportAttachment&) const = default;
};

using ChatOperation = std::variant<OpenWorkspace, OpenChannel, OpenCategory, RevealMessage,
                                   OpenPerson, ImportAttachment>;

} // namespace chat::actions
