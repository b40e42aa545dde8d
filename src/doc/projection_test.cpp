#include "doc/projection.h"

#include <gtest/gtest.h>

#include "doc/access.h"

namespace {

using namespace chat::doc;
using crdt::Document;
using crdt::ObjId;

void add_channel(Document& doc, std::string_view id, std::string_view workspace, std::int64_t order, bool archived = false,
                 std::string_view name = "general")
{
    auto channel = ensure_map(doc, ensure_map(doc, crdt::root, "channels"), id);
    ASSERT_TRUE(put_str(doc, channel, "workspace", workspace));
    ASSERT_TRUE(put_str(doc, channel, "name", name));
    ASSERT_TRUE(put_i64(doc, channel, "order", order));
    if (archived) {
        ASSERT_TRUE(put_bool(doc, channel, "archived", true));
    }
}

void add_workspace(Document& doc, std::string_view id, std::int64_t order)
{
    auto ws = ensure_map(doc, ensure_map(doc, crdt::root, "workspaces"), id);
    ASSERT_TRUE(put_i64(doc, ws, "order", order));
}

void add_message(Document& doc, std::string_view channel, std::string_view author)
{
    auto list = ensure_list(doc, ensure_map(doc, crdt::root, "messages"), channel);
    auto m = append_map(doc, list).value();
    ASSERT_TRUE(put_str(doc, m, "author", author));
    ASSERT_TRUE(put_str(doc, m, "parent", ""));
}

void add_person(Document& doc, std::string_view id, std::string_view name)
{
    auto person = ensure_map(doc, ensure_map(doc, crdt::root, "users"), id);
    ASSERT_TRUE(put_str(doc, person, "name", name));
}

LocalPerson me() { return {"u_me", {"u_old"}, "Me", "ME", 2}; }

TEST(Projection, RepairsTheChannelAndRail)
{
    Document doc;
    add_workspace(doc, "ws_a", 0);
    add_workspace(doc, "ws_b", 1);
    add_channel(doc, "c_a_archived", "ws_a", 0, true);
    add_channel(doc, "c_a2", "ws_a", 1);
    add_channel(doc, "c_b", "ws_b", 0);
    add_channel(doc, "c_lonely", "ws_c", 0, true);

    Selection selection{"ws_a", "ws_gone", "c_b", std::nullopt};
    Projection p;
    refresh_projection(doc, selection, me(), p);
    EXPECT_EQ(selection.channel, "c_a2"); // from another workspace: the first open one here
    EXPECT_EQ(selection.rail_workspace, "ws_a");

    selection = {"ws_c", "ws_gone", "c_b", std::nullopt};
    refresh_projection(doc, selection, me(), p);
    EXPECT_EQ(selection.channel, "c_b"); // only an archived channel there: unchanged
    EXPECT_EQ(selection.rail_workspace, "ws_a"); // the current one is unknown: the first
}

TEST(Projection, UnreadCountsPeopleAndComposers)
{
    Document doc;
    add_workspace(doc, "ws_a", 0);
    add_channel(doc, "c_1", "ws_a", 0, false, "general");
    add_channel(doc, "c_2", "ws_a", 1, false, "random");
    add_channel(doc, "c_x", "ws_b", 0);
    add_message(doc, "c_1", "u_ada");
    add_message(doc, "c_2", "u_bob");
    add_message(doc, "c_2", "u_bob");
    add_message(doc, "c_x", "u_zed");
    add_person(doc, "u_ada", "Ada");
    add_person(doc, "u_bob", "Bob");
    add_person(doc, "u_zed", "Zed");
    add_person(doc, "u_stranger", "Alice");
    auto drafts = ensure_map(doc, crdt::root, "drafts");
    ASSERT_TRUE(splice(doc, ensure_text(doc, drafts, "c_1"), 0, 0, "draft"));
    ASSERT_TRUE(splice(doc, ensure_text(doc, drafts, "c_1::t::m_9"), 0, 0, "reply"));

    Selection selection{"ws_a", "ws_a", "c_1", std::string("m_9")};
    Projection p;
    refresh_projection(doc, selection, me(), p);
    auto unread = [&](std::string_view id) {
        for (const auto& c : p.channels)
            if (c.id == id)
                return c.unread;
        return 999u;
    };
    EXPECT_EQ(unread("c_1"), 0u); // the current channel
    EXPECT_EQ(unread("c_2"), 2u);
    EXPECT_EQ(unread("c_x"), 1u);
    EXPECT_EQ(p.messages.size(), 1u);

    std::vector<std::string> people;
    for (const auto& person : p.people)
        people.push_back(person.id);
    EXPECT_EQ(people, (std::vector<std::string>{"u_ada", "u_bob", "u_me"})); // Ada, Bob, Me
    EXPECT_EQ(p.people.back().name, "Me");

    EXPECT_EQ(p.main_draft, "draft");
    EXPECT_EQ(p.main_placeholder, "Message #general");
    EXPECT_EQ(p.thread_draft, "reply");
    EXPECT_EQ(p.thread_placeholder, "Reply…");
}

TEST(Projection, CacheReadsAgainOnlyWhenSomethingChanged)
{
    Document doc;
    add_workspace(doc, "ws_a", 0);
    add_channel(doc, "c_1", "ws_a", 0);
    doc.commit();
    ProjectionCache cache;
    Selection selection{"ws_a", "ws_a", "", std::nullopt};
    EXPECT_TRUE(cache.refresh(doc, selection, me()));
    EXPECT_EQ(selection.channel, "c_1");
    EXPECT_FALSE(cache.refresh(doc, selection, me()));

    add_message(doc, "c_1", "u_ada");
    EXPECT_TRUE(cache.refresh(doc, selection, me()));
    EXPECT_EQ(cache.projection().messages.size(), 1u);
    EXPECT_FALSE(cache.refresh(doc, selection, me()));

    selection.thread_open = "m_1";
    EXPECT_TRUE(cache.refresh(doc, selection, me()));
}

} // namespace
