#include "doc/queries.h"

#include <algorithm>

#include "actions/record_codec.h"
#include "doc/access.h"
#include "doc/agent_work_store.h"

namespace chat::doc {

namespace {

using crdt::Document;
using crdt::ObjId;

std::string str_or_empty(const Document& doc, const ObjId& map, std::string_view key)
{
    return get_str(doc, map, key).value_or("");
}

std::int64_t i64_or_zero(const Document& doc, const ObjId& map, std::string_view key)
{
    return get_i64(doc, map, key).value_or(0);
}

// Integers that must fit 32 bits keep their low 32 bits.
std::uint32_t u32_of(const Document& doc, const ObjId& map, std::string_view key)
{
    return static_cast<std::uint32_t>(static_cast<std::uint64_t>(i64_or_zero(doc, map, key)));
}

std::uint64_t non_negative(std::int64_t value)
{
    return value < 0 ? 0 : static_cast<std::uint64_t>(value);
}

bool bool_or_false(const Document& doc, const ObjId& map, std::string_view key)
{
    return get_bool(doc, map, key).value_or(false);
}

// Calls `visit(key, map)` for every map under the root collection `name`, in key order.
template <typename Visit>
void each_map(const Document& doc, const ObjId& collection, Visit&& visit)
{
    for (const auto& key : doc.keys(collection)) {
        if (auto map = get_map(doc, collection, key))
            visit(key, *map);
    }
}

template <typename Record>
void sort_by_order(std::vector<Record>& records)
{
    std::stable_sort(records.begin(), records.end(), [](const Record& a, const Record& b) { return a.order < b.order; });
}

std::vector<ReactionGroup> read_reactions(const Document& doc, const ObjId& message)
{
    std::vector<ReactionGroup> groups;
    auto list = get_list(doc, message, "reactions");
    if (!list)
        return groups;
    for (std::size_t i = 0, n = doc.length(*list); i < n; ++i) {
        auto entry = get_map_at(doc, *list, i);
        if (!entry)
            continue;
        auto emoji = str_or_empty(doc, *entry, "emoji");
        if (emoji.empty())
            continue;
        auto user = str_or_empty(doc, *entry, "user");
        auto group = std::find_if(groups.begin(), groups.end(), [&](const ReactionGroup& g) { return g.emoji == emoji; });
        if (group == groups.end()) {
            groups.push_back({emoji, {}});
            group = groups.end() - 1;
        }
        if (std::find(group->users.begin(), group->users.end(), user) == group->users.end())
            group->users.push_back(std::move(user));
    }
    std::stable_sort(groups.begin(), groups.end(), [](const ReactionGroup& a, const ReactionGroup& b) {
        if (a.users.size() != b.users.size())
            return a.users.size() > b.users.size();
        return a.emoji < b.emoji;
    });
    return groups;
}

std::vector<actions::Mention> read_mentions(const Document& doc, const ObjId& message)
{
    std::vector<actions::Mention> mentions;
    auto list = get_list(doc, message, "mentions");
    if (!list)
        return mentions;
    for (std::size_t i = 0, n = doc.length(*list); i < n; ++i) {
        auto entry = get_map_at(doc, *list, i);
        if (!entry)
            continue;
        auto user = str_or_empty(doc, *entry, "user");
        if (user.empty())
            continue;
        mentions.push_back({std::move(user), non_negative(i64_or_zero(doc, *entry, "start")),
                            non_negative(i64_or_zero(doc, *entry, "len")), bool_or_false(doc, *entry, "agent")});
    }
    return mentions;
}

std::vector<HistoryEntry> read_history(const Document& doc, const ObjId& message)
{
    std::vector<HistoryEntry> history;
    auto list = get_list(doc, message, "history");
    if (!list)
        return history;
    for (std::size_t i = 0, n = doc.length(*list); i < n; ++i) {
        if (auto entry = get_map_at(doc, *list, i))
            history.push_back({str_or_empty(doc, *entry, "text"), i64_or_zero(doc, *entry, "ts")});
    }
    return history;
}

std::optional<actions::Attachment> read_attachment(const Document& doc, const ObjId& message)
{
    auto map = get_map(doc, message, "attachment");
    if (!map)
        return std::nullopt;
    auto blob = str_or_empty(doc, *map, "blob");
    if (blob.empty())
        blob = str_or_empty(doc, *map, "path"); // written by earlier versions
    auto kind = str_or_empty(doc, *map, "kind");
    auto name = str_or_empty(doc, *map, "name");
    if (kind == "image")
        return actions::attachment::Image{name, blob, u32_of(doc, *map, "w"), u32_of(doc, *map, "h")};
    if (kind == "video")
        return actions::attachment::Video{name, blob, u32_of(doc, *map, "w"), u32_of(doc, *map, "h"),
                                          non_negative(i64_or_zero(doc, *map, "size"))};
    if (kind == "file")
        return actions::attachment::File{name, blob, non_negative(i64_or_zero(doc, *map, "size"))};
    return std::nullopt;
}

std::optional<actions::ResourceRef> read_reference(const Document& doc, const ObjId& message)
{
    auto text = get_str(doc, message, "reference");
    if (!text || text->empty())
        return std::nullopt;
    auto parsed = actions::from_json<actions::ResourceRef>(*text);
    if (!parsed)
        return std::nullopt;
    return *parsed;
}

VoiceParticipant read_participant(const Document& doc, std::string user, const ObjId& map)
{
    VoiceParticipant p;
    p.user = std::move(user);
    if (auto ticket = get_str(doc, map, "ticket"); ticket && !ticket->empty())
        p.ticket = std::move(*ticket);
    p.talking = bool_or_false(doc, map, "talking");
    p.muted = bool_or_false(doc, map, "muted");
    p.deafened = bool_or_false(doc, map, "deafened");
    p.audio_only = bool_or_false(doc, map, "audio_only");
    p.sharing = bool_or_false(doc, map, "sharing");
    return p;
}

std::vector<VoiceParticipant> participants_of(const Document& doc, const ObjId& channel_map)
{
    std::vector<VoiceParticipant> participants;
    each_map(doc, channel_map, [&](const std::string& user, const ObjId& map) {
        participants.push_back(read_participant(doc, user, map));
    });
    std::stable_sort(participants.begin(), participants.end(), [](const VoiceParticipant& a, const VoiceParticipant& b) {
        if (a.talking != b.talking)
            return a.talking;
        return a.user < b.user;
    });
    return participants;
}

} // namespace

std::vector<WorkspaceRecord> list_workspaces(const Document& doc)
{
    std::vector<WorkspaceRecord> out;
    if (auto collection = get_map(doc, crdt::root, "workspaces")) {
        each_map(doc, *collection, [&](const std::string& id, const ObjId& map) {
            out.push_back({id, str_or_empty(doc, map, "name"), str_or_empty(doc, map, "glyph"),
                           i64_or_zero(doc, map, "color_idx"), u32_of(doc, map, "order")});
        });
    }
    sort_by_order(out);
    return out;
}

std::vector<CategoryRecord> list_categories(const Document& doc)
{
    std::vector<CategoryRecord> out;
    if (auto collection = get_map(doc, crdt::root, "categories")) {
        each_map(doc, *collection, [&](const std::string& id, const ObjId& map) {
            out.push_back({id, str_or_empty(doc, map, "workspace"), str_or_empty(doc, map, "name"),
                           u32_of(doc, map, "order"), bool_or_false(doc, map, "collapsed")});
        });
    }
    sort_by_order(out);
    return out;
}

std::vector<ChannelRecord> list_channels(const Document& doc)
{
    std::vector<ChannelRecord> out;
    if (auto collection = get_map(doc, crdt::root, "channels")) {
        each_map(doc, *collection, [&](const std::string& id, const ObjId& map) {
            ChannelRecord c;
            c.id = id;
            c.workspace = str_or_empty(doc, map, "workspace");
            c.category = str_or_empty(doc, map, "category");
            c.name = str_or_empty(doc, map, "name");
            c.topic = str_or_empty(doc, map, "topic");
            c.order = u32_of(doc, map, "order");
            c.voice = str_or_empty(doc, map, "kind") == "voice";
            c.archived = bool_or_false(doc, map, "archived");
            out.push_back(std::move(c));
        });
    }
    sort_by_order(out);
    return out;
}

std::vector<PersonRecord> list_people(const Document& doc)
{
    std::vector<PersonRecord> out;
    if (auto collection = get_map(doc, crdt::root, "users")) {
        each_map(doc, *collection, [&](const std::string& id, const ObjId& map) {
            out.push_back({id, str_or_empty(doc, map, "name"), str_or_empty(doc, map, "initials"),
                           i64_or_zero(doc, map, "color_idx"), bool_or_false(doc, map, "agent"),
                           presence_from_name(str_or_empty(doc, map, "status"))});
        });
    }
    return out;
}

std::vector<VoiceParticipant> voice_participants(const Document& doc, std::string_view channel)
{
    auto voice = get_map(doc, crdt::root, "voice");
    if (!voice)
        return {};
    auto channel_map = get_map(doc, *voice, channel);
    return channel_map ? participants_of(doc, *channel_map) : std::vector<VoiceParticipant>{};
}

std::map<std::string, std::vector<VoiceParticipant>> all_voice_participants(const Document& doc)
{
    std::map<std::string, std::vector<VoiceParticipant>> out;
    if (auto voice = get_map(doc, crdt::root, "voice")) {
        each_map(doc, *voice, [&](const std::string& channel, const ObjId& map) {
            auto participants = participants_of(doc, map);
            if (!participants.empty())
                out.emplace(channel, std::move(participants));
        });
    }
    return out;
}

MessageRecord load_message(const Document& doc, const ObjId& message, std::string_view channel)
{
    MessageRecord m;
    m.id = str_or_empty(doc, message, "id");
    m.channel = channel;
    m.author = str_or_empty(doc, message, "author");
    m.text = get_text(doc, message, "text").value_or("");
    m.ts = i64_or_zero(doc, message, "ts");
    m.edited = bool_or_false(doc, message, "edited");
    if (auto parent = get_str(doc, message, "parent"); parent && !parent->empty())
        m.parent = std::move(*parent);
    m.history = read_history(doc, message);
    m.reactions = read_reactions(doc, message);
    m.mentions = read_mentions(doc, message);
    m.reference = read_reference(doc, message);
    m.attachment = read_attachment(doc, message);
    m.pinned = bool_or_false(doc, message, "pinned");
    m.work = read_agent_work(doc, message);
    return m;
}

std::vector<MessageRecord> load_messages(const Document& doc, std::string_view channel)
{
    std::vector<MessageRecord> out;
    auto messages = get_map(doc, crdt::root, "messages");
    if (!messages)
        return out;
    auto list = get_list(doc, *messages, channel);
    if (!list)
        return out;
    auto n = doc.length(*list);
    out.reserve(n);
    for (std::size_t i = 0; i < n; ++i) {
        if (auto message = get_map_at(doc, *list, i))
            out.push_back(load_message(doc, *message, channel));
    }
    return out;
}

std::uint64_t read_count(const Document& doc, std::string_view person, std::string_view channel)
{
    auto read = get_map(doc, crdt::root, "read");
    if (!read)
        return 0;
    auto mine = get_map(doc, *read, person);
    return mine ? non_negative(get_i64(doc, *mine, channel).value_or(0)) : 0;
}

std::uint64_t top_level_count(const Document& doc, std::string_view channel)
{
    auto messages = get_map(doc, crdt::root, "messages");
    if (!messages)
        return 0;
    auto list = get_list(doc, *messages, channel);
    if (!list)
        return 0;
    std::uint64_t count = 0;
    for (std::size_t i = 0, n = doc.length(*list); i < n; ++i) {
        auto message = get_map_at(doc, *list, i);
        if (message && get_str(doc, *message, "parent").value_or("").empty())
            ++count;
    }
    return count;
}

std::uint64_t unread_count(const Document& doc, std::string_view person, std::string_view channel)
{
    auto total = top_level_count(doc, channel);
    auto seen = read_count(doc, person, channel);
    return total > seen ? total - seen : 0;
}

std::string draft(const Document& doc, std::string_view key)
{
    auto drafts = get_map(doc, crdt::root, "drafts");
    if (!drafts)
        return {};
    return get_text(doc, *drafts, key).value_or("");
}

} // namespace chat::doc
