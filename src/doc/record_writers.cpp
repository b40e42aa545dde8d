#include "doc/record_writers.h"

#include "actions/record_codec.h"
#include "doc/agent_work_store.h"
#include "doc/schema.h"
#include "platform/util/fatal.h"
#include "platform/util/random.h"

#include <algorithm>
#include <limits>

namespace chat::doc {

namespace {

ObjId ensure_entry(Document& doc, std::string_view collection, std::string_view id)
{
    return ensure_map(doc, ensure_map(doc, Document::root(), collection), id);
}

ObjId create(Document& doc, const ObjId& map, std::string_view key, crdt::ObjType type,
             const char* fatal_message)
{
    auto created = put_object(doc, map, key, type);
    if (!created)
        util::fatal(fatal_message);
    return *created;
}

ObjId append(Document& doc, const ObjId& list, const char* fatal_message)
{
    auto created = append_map(doc, list);
    if (!created)
        util::fatal(fatal_message);
    return *created;
}

std::int64_t stored_u64(std::uint64_t value)
{
    constexpr auto max = std::uint64_t(std::numeric_limits<std::int64_t>::max());
    return std::int64_t(std::min(value, max));
}

struct AttachmentWriter {
    Document& doc;
    const ObjId& map;

    void operator()(const actions::attachment::Image& image) const
    {
        (void)put_str(doc, map, "kind", "image");
        (void)put_str(doc, map, "name", image.name);
        (void)put_str(doc, map, "blob", image.blob);
        (void)put_i64(doc, map, "w", image.w);
        (void)put_i64(doc, map, "h", image.h);
    }
    void operator()(const actions::attachment::Video& video) const
    {
        (void)put_str(doc, map, "kind", "video");
        (void)put_str(doc, map, "name", video.name);
        (void)put_str(doc, map, "blob", video.blob);
        (void)put_i64(doc, map, "w", video.w);
        (void)put_i64(doc, map, "h", video.h);
        (void)put_i64(doc, map, "size", stored_u64(video.size));
    }
    void operator()(const actions::attachment::File& file) const
    {
        (void)put_str(doc, map, "kind", "file");
        (void)put_str(doc, map, "name", file.name);
        (void)put_str(doc, map, "blob", file.blob);
        (void)put_i64(doc, map, "size", stored_u64(file.size));
    }
};

} // namespace

void write_person(Document& doc, const PersonRecord& person)
{
    const auto map = ensure_entry(doc, key::users, person.id);
    update_str(doc, map, "name", person.name);
    update_str(doc, map, "initials", person.initials);
    update_i64(doc, map, "color_idx", person.color_idx);
    update_str(doc, map, "status", presence_name(person.presence));
}

void write_workspace(Document& doc, const WorkspaceRecord& workspace)
{
    const auto map = ensure_entry(doc, key::workspaces, workspace.id);
    update_str(doc, map, "name", workspace.name);
    update_str(doc, map, "glyph", workspace.glyph);
    update_i64(doc, map, "color_idx", workspace.color_idx);
    update_i64(doc, map, "order", workspace.order);
}

void write_category(Document& doc, const CategoryRecord& category)
{
    const auto map = ensure_entry(doc, key::categories, category.id);
    update_str(doc, map, "workspace", category.workspace);
    update_str(doc, map, "name", category.name);
    update_i64(doc, map, "order", category.order);
    update_bool(doc, map, "collapsed", category.collapsed);
}

void write_channel(Document& doc, const ChannelRecord& channel)
{
    const auto map = ensure_entry(doc, key::channels, channel.id);
    update_str(doc, map, "workspace", channel.workspace);
    update_str(doc, map, "category", channel.category);
    update_str(doc, map, "name", channel.name);
    update_str(doc, map, "topic", channel.topic);
    update_str(doc, map, "kind", channel.voice ? "voice" : "text");
    update_i64(doc, map, "order", channel.order);
    // The channel's message list (and a voice channel's participant map) exist from the start:
    // two peers that each created them for their first message or join would write two
    // concurrent objects, and the merge would keep only one of them.
    ensure_list(doc, ensure_map(doc, Document::root(), key::messages), channel.id);
    if (channel.voice)
        ensure_map(doc, ensure_map(doc, Document::root(), key::voice), channel.id);
}

ObjId join_call(Document& doc, std::string_view channel, std::string_view user)
{
    const auto participant = ensure_map(doc, ensure_entry(doc, key::voice, channel), user);
    if (!get_bool(doc, participant, "talking")) {
        for (const char* flag : {"talking", "muted", "deafened", "audio_only", "sharing"})
            (void)put_bool(doc, participant, flag, false);
    }
    return participant;
}

void set_call_state(Document& doc, std::string_view channel, std::string_view user, bool talking,
                    bool muted, bool deafened, bool audio_only)
{
    const auto participant = ensure_map(doc, ensure_entry(doc, key::voice, channel), user);
    (void)put_bool(doc, participant, "talking", talking);
    (void)put_bool(doc, participant, "muted", muted);
    (void)put_bool(doc, participant, "deafened", deafened);
    (void)put_bool(doc, participant, "audio_only", audio_only);
}

void write_attachment(Document& doc, const ObjId& map, std::string_view key,
                      const actions::Attachment& attachment)
{
    const auto attachment_map = create(doc, map, key, crdt::ObjType::Map, "att");
    std::visit(AttachmentWriter{doc, attachment_map}, attachment);
}

bool write_message(Document& doc, std::string_view channel, const MessageRecord& message,
                   MessageIdIndex& ids)
{
    if (ids.contains(doc, message.id))
        return false;

    const auto list = ensure_list(doc, ensure_map(doc, Document::root(), key::messages), channel);
    const auto map = append(doc, list, "insert msg");
    (void)put_str(doc, map, "id", message.id);
    (void)put_str(doc, map, "author", message.author);
    (void)put_i64(doc, map, "ts", message.ts);
    (void)put_str(doc, map, "parent", message.parent.value_or(""));
    (void)put_bool(doc, map, "edited", message.edited);

    const auto text = create(doc, map, "text", crdt::ObjType::Text, "text");
    if (!message.text.empty())
        (void)splice(doc, text, 0, 0, message.text);

    const auto reactions = create(doc, map, "reactions", crdt::ObjType::List, "rx");
    for (const auto& group : message.reactions) {
        for (const auto& user : group.users) {
            const auto entry = append(doc, reactions, "rxentry");
            (void)put_str(doc, entry, "emoji", group.emoji);
            (void)put_str(doc, entry, "user", user);
        }
    }

    const auto mentions = create(doc, map, "mentions", crdt::ObjType::List, "mentions");
    for (const auto& mention : message.mentions) {
        const auto entry = append(doc, mentions, "mention");
        (void)put_str(doc, entry, "user", mention.user);
        (void)put_i64(doc, entry, "start", stored_u64(mention.start));
        (void)put_i64(doc, entry, "len", stored_u64(mention.len));
        (void)put_bool(doc, entry, "agent", mention.is_agent);
    }

    if (message.reference)
        (void)put_str(doc, map, "reference", actions::to_json(*message.reference));
    if (message.work)
        write_agent_work(doc, map, *message.work);

    const auto history = create(doc, map, "history", crdt::ObjType::List, "hist");
    for (const auto& entry : message.history) {
        const auto record = append(doc, history, "hrec");
        (void)put_i64(doc, record, "ts", entry.ts);
        (void)put_str(doc, record, "text", entry.text);
    }

    if (message.attachment)
        write_attachment(doc, map, "attachment", *message.attachment);
    if (message.pinned)
        (void)put_bool(doc, map, "pinned", true);

    ids.add(doc, message.id);
    return true;
}

std::string insert_message_with_new_id(Document& doc, std::string_view channel,
                                       MessageRecord message, MessageIdIndex& ids)
{
    message.id = "m_" + util::uuid_v4_hex();
    std::string id = message.id;
    write_message(doc, channel, message, ids);
    return id;
}

} // namespace chat::doc
