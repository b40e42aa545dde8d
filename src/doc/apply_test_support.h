#pragma once
// A small workspace shared by the tests of applying actions.

#include "actions/chat_action.h"
#include "doc/access.h"
#include "doc/apply.h"
#include "doc/record_writers.h"
#include "doc/schema.h"

#include <string>

namespace chat::doc::testing {

inline const std::string valid_blob(64, 'a');

// Workspace "ws" with category "cat" holding text channels "c_a" (order 0) and "c_b" (order 1)
// and voice channel "c_v"; "c_a" holds top-level "m_root", and "m_reply" in its thread.
struct Workspace {
    Document doc;
    ActionApplier applier;

    Workspace()
    {
        write_workspace(doc, {"ws", "Workspace", "WS", 0, 0});
        write_category(doc, {"cat", "ws", "Category", 0, false});
        write_channel(doc, channel("c_a", 0, false));
        write_channel(doc, channel("c_b", 1, false));
        write_channel(doc, channel("c_v", 2, true));
        apply(send("c_a", "m_root", "root"));
        auto reply = send("c_a", "m_reply", "reply");
        reply.parent = "m_root";
        apply(reply);
        doc.commit();
    }

    static ChannelRecord channel(const char* id, std::uint32_t order, bool voice,
                                 const char* category = "cat")
    {
        ChannelRecord out;
        out.id = id;
        out.workspace = "ws";
        out.category = category;
        out.name = id;
        out.voice = voice;
        out.order = order;
        return out;
    }

    static actions::SendMessage send(const char* channel, const char* id, std::string text)
    {
        actions::SendMessage out;
        out.channel = channel;
        out.id = id;
        out.author = "u_a";
        out.ts = 100;
        out.text = std::move(text);
        return out;
    }

    void apply(const actions::ChatAction& action) { applier.apply(doc, action); }

    // Whether applying the action changed any visible value.
    bool changes(const actions::ChatAction& action)
    {
        const auto before = doc.canonical_dump();
        apply(action);
        return doc.canonical_dump() != before;
    }

    // The map reached from the root through `path`, if every step is a map.
    std::optional<ObjId> map_at(std::initializer_list<std::string_view> path) const
    {
        ObjId at = Document::root();
        for (auto key : path) {
            auto next = get_map(doc, at, key);
            if (!next)
                return std::nullopt;
            at = *next;
        }
        return at;
    }

    std::optional<ObjId> message(const char* channel, const char* id) const
    {
        auto slot = find_message(doc, channel, id);
        return slot ? std::optional(slot->map) : std::nullopt;
    }

    std::size_t message_count(const char* channel) const
    {
        auto messages = get_map(doc, Document::root(), key::messages);
        auto list = messages ? get_list(doc, *messages, channel) : std::nullopt;
        return list ? doc.length(*list) : 0;
    }
};

} // namespace chat::doc::testing
