#include "doc/queries.h"

#include <gtest/gtest.h>

#include "doc/access.h"

namespace {

using namespace chat::doc;
using crdt::Document;
using crdt::ObjId;
using crdt::Scalar;

ObjId add_map(Document& doc, std::string_view collection, std::string_view id)
{
    return ensure_map(doc, ensure_map(doc, crdt::root, collection), id);
}

ObjId add_message(Document& doc, std::string_view channel, std::string_view id, std::string_view parent = "")
{
    auto list = ensure_list(doc, ensure_map(doc, crdt::root, "messages"), channel);
    auto message = append_map(doc, list).value();
    EXPECT_TRUE(put_str(doc, message, "id", id));
    EXPECT_TRUE(put_str(doc, message, "parent", parent));
    return message;
}

TEST(Queries, ListsSortByOrderAndKeepKeyOrderForTies)
{
    Document doc;
    for (auto [id, order] : {std::pair{"ws_c", 1}, {"ws_a", 2}, {"ws_b", 1}}) {
        auto ws = add_map(doc, "workspaces", id);
        ASSERT_TRUE(put_i64(doc, ws, "order", order));
    }
    auto odd = add_map(doc, "workspaces", "ws_0");
    ASSERT_TRUE(put_str(doc, odd, "order", "3")); // a string is no order: reads as 0
    ASSERT_TRUE(put_str(doc, crdt::root, "categories", "not a map"));

    std::vector<std::string> ids;
    for (const auto& w : list_workspaces(doc))
        ids.push_back(w.id);
    EXPECT_EQ(ids, (std::vector<std::string>{"ws_0", "ws_b", "ws_c", "ws_a"}));
    EXPECT_TRUE(list_categories(doc).empty());
}

TEST(Queries, ChannelsAreVoiceOnlyWhenTheKindIsExactlyVoice)
{
    Document doc;
    for (auto [id, kind] : {std::pair{"c_1", "voice"}, {"c_2", "Voice"}, {"c_3", "text"}, {"c_4", ""}}) {
        auto c = add_map(doc, "channels", id);
        ASSERT_TRUE(put_str(doc, c, "kind", kind));
    }
    auto big = add_map(doc, "channels", "c_5");
    ASSERT_TRUE(put_i64(doc, big, "order", (std::int64_t(1) << 32) + 7)); // low 32 bits
    auto channels = list_channels(doc);
    ASSERT_EQ(channels.size(), 5u);
    EXPECT_TRUE(channels[0].voice);
    EXPECT_FALSE(channels[1].voice);
    EXPECT_FALSE(channels[2].voice);
    EXPECT_EQ(channels.back().id, "c_5");
    EXPECT_EQ(channels.back().order, 7u);
}

TEST(Queries, MessagesReadEveryPartWithTheirFallbacks)
{
    Document doc;
    auto m = add_message(doc, "c_1", "m_1");
    ASSERT_TRUE(put_str(doc, m, "author", "u_a"));
    ASSERT_TRUE(doc.put(m, "ts", Scalar(12.9)));
    auto text = ensure_text(doc, m, "text");
    ASSERT_TRUE(splice(doc, text, 0, 0, "hello @ada"));

    auto reactions = ensure_list(doc, m, "reactions");
    for (auto [emoji, user] : {std::pair{"👍", "u_1"}, {"🎉", "u_2"}, {"👍", "u_2"}, {"👍", "u_1"}, {"", "u_3"},
                               {"🎉", "u_1"}, {"❤", "u_9"}}) {
        auto entry = append_map(doc, reactions).value();
        ASSERT_TRUE(put_str(doc, entry, "emoji", emoji));
        ASSERT_TRUE(put_str(doc, entry, "user", user));
    }
    ASSERT_TRUE(doc.insert(reactions, 0, Scalar(std::int64_t(5)))); // a scalar among entries

    auto mentions = ensure_list(doc, m, "mentions");
    auto kept = append_map(doc, mentions).value();
    ASSERT_TRUE(put_str(doc, kept, "user", "u_ada"));
    ASSERT_TRUE(put_i64(doc, kept, "start", -4));
    ASSERT_TRUE(put_i64(doc, kept, "len", 4));
    auto nobody = append_map(doc, mentions).value();
    ASSERT_TRUE(put_str(doc, nobody, "user", ""));

    auto attachment = ensure_map(doc, m, "attachment");
    ASSERT_TRUE(put_str(doc, attachment, "kind", "image"));
    ASSERT_TRUE(put_str(doc, attachment, "blob", ""));
    ASSERT_TRUE(put_str(doc, attachment, "path", "ruvo-demo://call-grid"));
    ASSERT_TRUE(put_i64(doc, attachment, "w", 640));
    ASSERT_TRUE(put_str(doc, m, "reference", "{not json"));

    auto audio = add_message(doc, "c_1", "m_2", "m_1");
    auto clip = ensure_map(doc, audio, "attachment");
    ASSERT_TRUE(put_str(doc, clip, "kind", "audio"));

    auto messages = load_messages(doc, "c_1");
    ASSERT_EQ(messages.size(), 2u);
    const auto& first = messages[0];
    EXPECT_EQ(first.text, "hello @ada");
    EXPECT_EQ(first.ts, 12);
    EXPECT_EQ(first.parent, std::nullopt);
    ASSERT_EQ(first.reactions.size(), 3u);
    EXPECT_EQ(first.reactions[0].emoji, "🎉"); // two people each; 🎉 sorts before 👍
    EXPECT_EQ(first.reactions[0].users, (std::vector<std::string>{"u_2", "u_1"}));
    EXPECT_EQ(first.reactions[1].emoji, "👍");
    EXPECT_EQ(first.reactions[1].users, (std::vector<std::string>{"u_1", "u_2"}));
    EXPECT_EQ(first.reactions[2].emoji, "❤");
    ASSERT_EQ(first.mentions.size(), 1u);
    EXPECT_EQ(first.mentions[0].start, 0u);
    EXPECT_EQ(first.mentions[0].len, 4u);
    ASSERT_TRUE(first.attachment);
    auto image = std::get<chat::actions::attachment::Image>(*first.attachment);
    EXPECT_EQ(image.blob, "ruvo-demo://call-grid");
    EXPECT_EQ(image.w, 640u);
    EXPECT_EQ(first.reference, std::nullopt);
    EXPECT_EQ(messages[1].parent, "m_1");
    EXPECT_EQ(messages[1].attachment, std::nullopt);
}

TEST(Queries, CountsDraftsAndParticipants)
{
    Document doc;
    add_message(doc, "c_1", "m_1");
    add_message(doc, "c_1", "m_2", "m_1");
    auto legacy = add_message(doc, "c_1", "m_3");
    ASSERT_TRUE(delete_key(doc, legacy, "parent")); // no parent key at all: top level too
    EXPECT_EQ(top_level_count(doc, "c_1"), 2u);

    auto mine = add_map(doc, "read", "u_me");
    ASSERT_TRUE(put_i64(doc, mine, "c_1", 1));
    EXPECT_EQ(unread_count(doc, "u_me", "c_1"), 1u);
    ASSERT_TRUE(put_i64(doc, mine, "c_1", 10));
    EXPECT_EQ(unread_count(doc, "u_me", "c_1"), 0u);
    EXPECT_EQ(unread_count(doc, "u_other", "c_1"), 2u);

    auto drafts = ensure_map(doc, crdt::root, "drafts");
    ASSERT_TRUE(splice(doc, ensure_text(doc, drafts, "c_1"), 0, 0, "half-written"));
    EXPECT_EQ(draft(doc, "c_1"), "half-written");
    EXPECT_EQ(draft(doc, "c_1::t::m_1"), "");

    auto voice = ensure_map(doc, ensure_map(doc, crdt::root, "voice"), "c_v");
    for (auto [user, talking] : {std::pair{"u_b", false}, {"u_c", true}, {"u_a", false}}) {
        auto p = ensure_map(doc, voice, user);
        ASSERT_TRUE(put_bool(doc, p, "talking", talking));
        ASSERT_TRUE(put_str(doc, p, "ticket", ""));
    }
    auto participants = voice_participants(doc, "c_v");
    ASSERT_EQ(participants.size(), 3u);
    EXPECT_EQ(participants[0].user, "u_c");
    EXPECT_EQ(participants[1].user, "u_a");
    EXPECT_EQ(participants[0].ticket, std::nullopt);
    EXPECT_EQ(all_voice_participants(doc).size(), 1u);

    ASSERT_TRUE(put_str(doc, ensure_map(doc, crdt::root, "messages"), "c_2", "a scalar, not a list"));
    EXPECT_TRUE(load_messages(doc, "c_2").empty());
}

} // namespace
