#pragma once
// Finding messages in the workspace document. Reads tolerate documents merged from other peers:
// list elements that are not maps, and maps without a string "id", are passed over.
// Thread: the document's owner.

#include "doc/access.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_set>

namespace chat::doc {

// Where a message sits: its channel's list, its index there and its map.
struct MessageSlot {
    ObjId list;
    std::size_t index = 0;
    ObjId map;
};

// The first element of messages[channel] whose "id" equals `id`, scanning from index 0.
std::optional<MessageSlot> find_message(const Document& doc, std::string_view channel,
                                        std::string_view id);

// Whether any message of any channel has this id. Walks every message.
bool message_id_exists(const Document& doc, std::string_view id);

// The ids of every message of a document, remembered while the document changes only through
// the owner of the index. A change from elsewhere (a merge, a rollback, a write the owner did
// not announce) changes the document's version and the next lookup reads the ids afresh.
class MessageIdIndex {
  public:
    bool contains(const Document& doc, std::string_view id);
    // Announces that the owner wrote a message with `id`, which is now the latest change.
    void add(const Document& doc, std::string id);
    // Whether the remembered ids still describe `doc`.
    bool is_current(const Document& doc) const { return m_valid && m_version == doc.version(); }
    // Announces that the owner's latest writes added or removed no message ids.
    void keep_current(const Document& doc) { m_version = doc.version(); }
    void invalidate() { m_valid = false; }

  private:
    void rebuild(const Document& doc);

    std::unordered_set<std::string> m_ids;
    std::uint64_t m_version = 0;
    bool m_valid = false;
};

} // namespace chat::doc
