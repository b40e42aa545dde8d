#include "doc/projection.h"

#include <algorithm>
#include <set>

#include "doc/access.h"
#include "doc/queries.h"

namespace chat::doc {

namespace {

bool has_workspace(const std::vector<WorkspaceRecord>& workspaces, const std::string& id)
{
    return std::any_of(workspaces.begin(), workspaces.end(), [&](const auto& w) { return w.id == id; });
}

void repair_rail(const std::vector<WorkspaceRecord>& workspaces, Selection& selection)
{
    if (has_workspace(workspaces, selection.rail_workspace))
        return;
    if (has_workspace(workspaces, selection.workspace))
        selection.rail_workspace = selection.workspace;
    else if (!workspaces.empty())
        selection.rail_workspace = workspaces.front().id;
}

void repair_channel(const std::vector<ChannelRecord>& channels, Selection& selection)
{
    auto current = std::find_if(channels.begin(), channels.end(), [&](const auto& c) { return c.id == selection.channel; });
    if (current != channels.end() && current->workspace == selection.workspace)
        return;
    auto first = std::find_if(channels.begin(), channels.end(),
                              [&](const auto& c) { return c.workspace == selection.workspace && !c.archived; });
    if (first != channels.end())
        selection.channel = first->id;
}

// The authors, reacting and mentioned people of a channel's messages, without loading the rest
// of each message.
void collect_people_ids(const crdt::Document& doc, const std::string& channel, std::set<std::string>& ids)
{
    auto messages = get_map(doc, crdt::root, "messages");
    auto list = messages ? get_list(doc, *messages, channel) : std::nullopt;
    if (!list)
        return;
    auto users_of = [&](const crdt::ObjId& message, std::string_view key) {
        auto entries = get_list(doc, message, key);
        if (!entries)
            return;
        for (std::size_t j = 0, n = doc.length(*entries); j < n; ++j) {
            if (auto entry = get_map_at(doc, *entries, j)) {
                auto user = get_str(doc, *entry, "user").value_or("");
                // Entries without an emoji or a person are not read as reactions or mentions.
                if (!user.empty() && (key != "reactions" || !get_str(doc, *entry, "emoji").value_or("").empty()))
                    ids.insert(std::move(user));
            }
        }
    };
    for (std::size_t i = 0, n = doc.length(*list); i < n; ++i) {
        auto message = get_map_at(doc, *list, i);
        if (!message)
            continue;
        ids.insert(get_str(doc, *message, "author").value_or(""));
        users_of(*message, "reactions");
        users_of(*message, "mentions");
    }
}

std::vector<PersonRecord> involved_people(const crdt::Document& doc, const Projection& p, const Selection& selection,
                                          const LocalPerson& me)
{
    std::set<std::string> ids{me.id};
    ids.insert(me.earlier_ids.begin(), me.earlier_ids.end());
    for (const auto& channel : p.channels) {
        if (channel.workspace != selection.workspace)
            continue;
        if (channel.id == selection.channel) {
            for (const auto& m : p.messages) {
                ids.insert(m.author);
                for (const auto& group : m.reactions)
                    ids.insert(group.users.begin(), group.users.end());
                for (const auto& mention : m.mentions)
                    ids.insert(mention.user);
            }
        } else {
            collect_people_ids(doc, channel.id, ids);
        }
        if (channel.voice) {
            if (auto voice = p.voice.find(channel.id); voice != p.voice.end()) {
                for (const auto& participant : voice->second)
                    ids.insert(participant.user);
            }
        }
    }

    std::vector<PersonRecord> people;
    bool has_me = false;
    for (auto& person : list_people(doc)) {
        if (!ids.contains(person.id))
            continue;
        has_me |= person.id == me.id ||
                  std::find(me.earlier_ids.begin(), me.earlier_ids.end(), person.id) != me.earlier_ids.end();
        people.push_back(std::move(person));
    }
    if (!has_me)
        people.push_back({me.id, me.name, me.initials, me.color_idx, false, Presence::Online});
    std::stable_sort(people.begin(), people.end(), [](const PersonRecord& a, const PersonRecord& b) {
        if (a.name != b.name)
            return a.name < b.name;
        return a.id < b.id;
    });
    return people;
}

} // namespace

void refresh_projection(const crdt::Document& doc, Selection& selection, const LocalPerson& me, Projection& out)
{
    out.workspaces = list_workspaces(doc);
    out.channels = list_channels(doc);
    out.categories = list_categories(doc);
    repair_rail(out.workspaces, selection);
    repair_channel(out.channels, selection);

    for (auto& channel : out.channels)
        channel.unread = channel.id == selection.channel
                             ? 0
                             : static_cast<std::uint32_t>(std::min<std::uint64_t>(unread_count(doc, me.id, channel.id),
                                                                                  UINT32_MAX));
    out.messages = load_messages(doc, selection.channel);
    out.voice = all_voice_participants(doc);
    out.people = involved_people(doc, out, selection, me);

    out.main_draft = draft(doc, selection.channel);
    auto current = std::find_if(out.channels.begin(), out.channels.end(),
                                [&](const auto& c) { return c.id == selection.channel; });
    out.main_placeholder = "Message #" + (current != out.channels.end() ? current->name : std::string());
    out.thread_draft = selection.thread_open ? draft(doc, selection.channel + "::t::" + *selection.thread_open) : "";
    out.thread_placeholder = "Reply…";
}

std::vector<MessageRecord> all_messages(const crdt::Document& doc, const std::vector<ChannelRecord>& channels)
{
    std::vector<MessageRecord> out;
    for (const auto& channel : channels) {
        auto messages = load_messages(doc, channel.id);
        std::move(messages.begin(), messages.end(), std::back_inserter(out));
    }
    return out;
}

bool ProjectionCache::refresh(const crdt::Document& doc, Selection& selection, const LocalPerson& me)
{
    if (m_valid && m_version == doc.version() && m_selection == selection && m_me == me)
        return false;
    refresh_projection(doc, selection, me, m_projection);
    m_valid = true;
    m_version = doc.version();
    m_selection = selection; // after repair, so a repaired selection is recognised next frame
    m_me = me;
    return true;
}

} // namespace chat::doc
