#include "doc/legacy_migration.h"

#include "doc/access.h"

namespace chat::doc {

namespace {

constexpr std::string_view demo_prefix = "ruvo-demo://";
constexpr std::size_t max_path_bytes = 256;

// A candidate has an empty or absent "blob" and a short demo reference under "path".
std::optional<std::string> demo_path_to_move(const crdt::Document& doc, const ObjId& attachment)
{
    if (auto blob = doc.get(attachment, "blob")) {
        const auto* text = blob->string();
        if (!text || !text->empty())
            return std::nullopt;
    }
    auto path = get_str(doc, attachment, "path");
    if (!path || path->size() > max_path_bytes || !path->starts_with(demo_prefix))
        return std::nullopt;
    return path;
}

} // namespace

std::size_t migrate_legacy_attachments(crdt::Document& doc, MigrationLimits limits)
{
    auto messages = get_map(doc, crdt::root, "messages");
    if (!messages)
        return 0;
    std::size_t channels_seen = 0, messages_seen = 0, migrated = 0;
    for (const auto& channel : doc.keys(*messages)) {
        if (channels_seen++ >= limits.channels || messages_seen >= limits.messages || migrated >= limits.migrated)
            break;
        auto list = get_list(doc, *messages, channel);
        if (!list)
            continue;
        auto length = doc.length(*list);
        for (std::size_t i = 0; i < length && messages_seen < limits.messages && migrated < limits.migrated; ++i) {
            ++messages_seen;
            auto message = get_map_at(doc, *list, i);
            if (!message)
                continue;
            auto attachment = get_map(doc, *message, "attachment");
            if (!attachment)
                continue;
            auto path = demo_path_to_move(doc, *attachment);
            if (!path)
                continue;
            // Failures are ignored: the next start tries again.
            if (put_str(doc, *attachment, "blob", *path))
                (void)delete_key(doc, *attachment, "path");
            ++migrated;
        }
    }
    return migrated;
}

} // namespace chat::doc
