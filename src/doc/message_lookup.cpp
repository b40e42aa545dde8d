#include "doc/message_lookup.h"

#include "doc/schema.h"

namespace chat::doc {

namespace {

// Calls `visit(map, id)` for every message map with a string id, in every channel; stops when
// `visit` returns true.
template <typename Visit> bool for_each_message_id(const Document& doc, Visit&& visit)
{
    auto messages = get_map(doc, Document::root(), key::messages);
    if (!messages)
        return false;
    for (const auto& channel : doc.keys(*messages)) {
        auto list = get_list(doc, *messages, channel);
        if (!list)
            continue;
        const std::size_t length = doc.length(*list);
        for (std::size_t i = 0; i < length; ++i) {
            auto map = get_map_at(doc, *list, i);
            if (!map)
                continue;
            auto value = doc.get(*map, "id");
            if (!value)
                continue;
            if (const auto* id = value->string(); id && visit(*id))
                return true;
        }
    }
    return false;
}

} // namespace

std::optional<MessageSlot> find_message(const Document& doc, std::string_view channel,
                                        std::string_view id)
{
    auto messages = get_map(doc, Document::root(), key::messages);
    if (!messages)
        return std::nullopt;
    auto list = get_list(doc, *messages, channel);
    if (!list)
        return std::nullopt;
    const std::size_t length = doc.length(*list);
    for (std::size_t i = 0; i < length; ++i) {
        auto map = get_map_at(doc, *list, i);
        if (!map)
            continue;
        if (get_str(doc, *map, "id") == id)
            return MessageSlot{*list, i, *map};
    }
    return std::nullopt;
}

bool message_id_exists(const Document& doc, std::string_view id)
{
    return for_each_message_id(doc, [&](const std::string& stored) { return stored == id; });
}

bool MessageIdIndex::contains(const Document& doc, std::string_view id)
{
    if (!is_current(doc))
        rebuild(doc);
    return m_ids.contains(std::string(id));
}

void MessageIdIndex::add(const Document& doc, std::string id)
{
    m_ids.insert(std::move(id));
    m_version = doc.version();
}

void MessageIdIndex::rebuild(const Document& doc)
{
    m_ids.clear();
    for_each_message_id(doc, [&](const std::string& stored) {
        m_ids.insert(stored);
        return false;
    });
    m_version = doc.version();
    m_valid = true;
}

} // namespace chat::doc
