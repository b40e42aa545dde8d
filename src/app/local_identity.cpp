#include "app/local_identity.h"

#include <glib.h>
#include <system_error>

#include "doc/record_writers.h"
#include "platform/ui/avatar.h"
#include "platform/util/file.h"
#include "platform/util/hex.h"
#include "platform/util/random.h"

namespace chat::app {

namespace {

bool is_space(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v';
}

std::string trimmed(std::string_view text)
{
    while (!text.empty() && is_space(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && is_space(text.back()))
        text.remove_suffix(1);
    return std::string(text);
}

std::optional<std::string> first_set(const identity::xdg::Environment& env, std::initializer_list<const char*> names)
{
    for (const char* name : names) {
        if (auto value = env(name); value && !value->empty())
            return value;
    }
    return std::nullopt;
}

// The piece with its first character upper-cased (Unicode simple case mapping).
std::string capitalised(std::string_view piece)
{
    if (!g_utf8_validate(piece.data(), static_cast<gssize>(piece.size()), nullptr))
        return std::string(piece);
    gunichar first = g_utf8_get_char(piece.data());
    const char* rest = g_utf8_next_char(piece.data());
    char upper[6];
    int length = g_unichar_to_utf8(g_unichar_toupper(first), upper);
    return std::string(upper, std::size_t(length)) + std::string(rest, piece.data() + piece.size());
}

std::uint64_t color_of(std::string_view id)
{
    return fnv1a(id) & 7;
}

Identity with_default_name(std::string person_id, const identity::xdg::Environment& env)
{
    Identity identity;
    identity.display_name = default_display_name(env);
    identity.initials = initials_of(identity.display_name);
    identity.color_index = color_of(person_id);
    identity.person_id = std::move(person_id);
    return identity;
}

std::optional<Identity> from_broker(identity::IdentityBroker* broker, const identity::xdg::Environment& env)
{
    if (!broker)
        return std::nullopt;
    auto found = broker->current_identity();
    if (!found)
        return std::nullopt;
    Identity identity;
    identity.person_id = "u_" + util::to_hex(std::span(found->public_key).first(8));
    identity.display_name = trimmed(found->display_name);
    if (identity.display_name.empty())
        identity.display_name = default_display_name(env);
    identity.initials = initials_of(identity.display_name);
    identity.color_index = fnv1a(found->public_key) & 7;
    return identity;
}

std::optional<Identity> from_peer_id_file(const std::filesystem::path& dir, const identity::xdg::Environment& env)
{
    auto file = dir / "peer-id";
    if (auto bytes = util::read_file(file, 4096)) {
        auto id = trimmed(std::string_view(reinterpret_cast<const char*>(bytes->data()), bytes->size()));
        if (!id.empty())
            return with_default_name(std::move(id), env);
    }
    auto id = "u_" + util::uuid_v4_hex();
    std::error_code ec;
    if (!dir.empty())
        std::filesystem::create_directories(dir, ec);
    if (ec)
        return std::nullopt;
    std::span<const std::uint8_t> bytes(reinterpret_cast<const std::uint8_t*>(id.data()), id.size());
    if (!util::write_file_atomic(file, bytes))
        return std::nullopt;
    return with_default_name(std::move(id), env);
}

Identity from_machine(const IdentitySources& sources)
{
    auto user = first_set(sources.env, {"USER", "USERNAME"}).value_or("");
    auto host = first_set(sources.env, {"HOSTNAME"});
    if (!host) {
        if (auto bytes = util::read_file(sources.hostname_file, 4096))
            host = trimmed(std::string_view(reinterpret_cast<const char*>(bytes->data()), bytes->size()));
    }
    auto key = user + "@" + host.value_or("");
    if (key == "@")
        return with_default_name("u_" + util::uuid_v4_hex(), sources.env);
    return with_default_name(fmt::format("u_{:016x}", fnv1a(key)), sources.env);
}

} // namespace

Identity base_identity()
{
    return Identity{"u_me", "You", "YU", 0};
}

std::uint64_t fnv1a(std::span<const std::uint8_t> bytes)
{
    std::uint64_t hash = 0xcbf29ce484222325ull;
    for (auto b : bytes) {
        hash ^= b;
        hash *= 0x100000001b3ull;
    }
    return hash;
}

std::uint64_t fnv1a(std::string_view text)
{
    return fnv1a(std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()));
}

std::string default_display_name(const identity::xdg::Environment& env)
{
    auto user = env("USER");
    if (!user || trimmed(*user).empty())
        user = env("USERNAME");
    auto name = trimmed(user.value_or(""));
    std::string joined;
    std::size_t start = 0;
    while (start <= name.size()) {
        auto end = name.find_first_of("._- ", start);
        if (end == std::string::npos)
            end = name.size();
        if (end > start) {
            if (!joined.empty())
                joined += ' ';
            joined += capitalised(std::string_view(name).substr(start, end - start));
        }
        start = end + 1;
    }
    return joined.empty() ? "You" : joined;
}

std::string initials_of(std::string_view name)
{
    auto initials = ruvo_ui::Avatar::initials_for_name(name);
    return initials.empty() ? "Y" : initials;
}

bool refresh_local_person(crdt::Document& doc, const Identity& identity)
{
    // The person writer compares every field before writing it, so only differences count.
    auto before = doc.pending_ops();
    doc::write_person(doc, doc::PersonRecord{identity.person_id, identity.display_name, identity.initials,
                                             static_cast<std::int64_t>(identity.color_index), false,
                                             doc::Presence::Online});
    return doc.pending_ops() != before;
}

Identity load_identity(const IdentitySources& sources)
{
    if (auto identity = from_broker(sources.broker, sources.env))
        return *identity;
    if (sources.chat_data_dir) {
        if (auto identity = from_peer_id_file(*sources.chat_data_dir, sources.env))
            return *identity;
    }
    return from_machine(sources);
}

} // namespace chat::app
