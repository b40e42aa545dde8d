#pragma once
// The per-frame projection: what the interface draws, read from the document in one pass, and
// the repairs of the selection that reading implies. A ProjectionCache skips the work entirely
// while neither the document nor the selection has changed. UI thread.

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "doc/records.h"
#include "platform/crdt/document.h"

namespace chat::doc {

struct Selection {
    std::string workspace;
    std::string rail_workspace;
    std::string channel;
    std::optional<std::string> thread_open;

    bool operator==(const Selection&) const = default;
};

struct LocalPerson {
    std::string id;
    std::vector<std::string> earlier_ids;
    std::string name;
    std::string initials;
    std::int64_t color_idx = 0;

    bool operator==(const LocalPerson&) const = default;
};

struct Projection {
    std::vector<WorkspaceRecord> workspaces;
    std::vector<CategoryRecord> categories;
    // Every channel; unread counts are the local person's, 0 for the current channel.
    std::vector<ChannelRecord> channels;
    // The messages of the current channel, in list order.
    std::vector<MessageRecord> messages;
    // The people the current workspace involves, sorted by name then id; always holds the local
    // person.
    std::vector<PersonRecord> people;
    // Voice channels that have participants.
    std::map<std::string, std::vector<VoiceParticipant>> voice;

    std::string main_draft;
    std::string main_placeholder;
    std::string thread_draft;
    std::string thread_placeholder;
};

// Reads the projection and repairs `selection`: a rail workspace that no longer exists, and a
// current channel that is missing or belongs to another workspace.
void refresh_projection(const crdt::Document& doc, Selection& selection, const LocalPerson& me, Projection& out);

// Every message of every listed channel, in channel order (for search). Costly: call on demand.
std::vector<MessageRecord> all_messages(const crdt::Document& doc, const std::vector<ChannelRecord>& channels);

class ProjectionCache {
public:
    // Refreshes when the document, the selection or the local person changed since the last
    // call; returns whether it did.
    bool refresh(const crdt::Document& doc, Selection& selection, const LocalPerson& me);
    const Projection& projection() const { return m_projection; }
    // Forgets the cached state, so the next refresh reads again.
    void invalidate() { m_valid = false; }

private:
    Projection m_projection;
    bool m_valid = false;
    std::uint64_t m_version = 0;
    Selection m_selection;
    LocalPerson m_me;
};

} // namespace chat::doc
