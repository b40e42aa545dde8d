#pragma once
// Who "me" is: the person id the application writes under, the name and initials shown for the
// local person and the avatar colour. Loaded once per root widget.

#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "platform/crdt/document.h"
#include "platform/identity/identity_broker.h"
#include "platform/identity/xdg.h"

namespace chat::app {

struct Identity {
    std::string person_id;
    std::string display_name;
    std::string initials;
    std::uint64_t color_index = 0;

    bool operator==(const Identity&) const = default;
};

// "u_me", "You", "YU", colour 0: the identity of the screenshot scenes.
Identity base_identity();

// 64-bit FNV-1a.
std::uint64_t fnv1a(std::span<const std::uint8_t> bytes);
std::uint64_t fnv1a(std::string_view text);

// The user name split at ".", "_", "-" and spaces, each piece capitalised, joined by spaces;
// "You" when there is none.
std::string default_display_name(const identity::xdg::Environment& env);

// The framework's initials of `name`, or "Y" when it derives none.
std::string initials_of(std::string_view name);

struct IdentitySources {
    // The platform's identity broker; null when the platform has none.
    identity::IdentityBroker* broker = nullptr;
    // Where the peer-id file lives; nothing when there is no chat data directory.
    std::optional<std::filesystem::path> chat_data_dir;
    identity::xdg::Environment env = identity::xdg::process_environment();
    std::filesystem::path hostname_file = "/etc/hostname";
};

// Writes the identity into the document's person record ("name", "initials", "color_idx" and
// "status" = "online"), each only when it differs. Returns whether anything was written.
bool refresh_local_person(crdt::Document& doc, const Identity& identity);

// The first source that works: the broker, the peer-id file (created on first use), the
// user and host names. Never fails.
Identity load_identity(const IdentitySources& sources);

} // namespace chat::app
