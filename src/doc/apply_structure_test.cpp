#include "actions/record_codec.h"
#include "doc/apply_test_support.h"

#include <gtest/gtest.h>

namespace {

using namespace chat::doc;
using namespace chat::actions;
using chat::doc::testing::Workspace;

std::int64_t order(Workspace& w, const char* collection, const char* id)
{
    return get_i64(w.doc, *w.map_at({collection, id}), "order").value_or(-1);
}

TEST(CreateChannel, TakesTheNextOrderOfItsWorkspaceAndCategory)
{
    Workspace w;
    w.apply(CreateChannel{"ws", "cat", "c_new", "new", ChannelKind::Text});
    EXPECT_EQ(order(w, "channels", "c_new"), 3);
    w.apply(CreateChannel{"ws", "", "c_loose", "loose", ChannelKind::Voice});
    EXPECT_EQ(order(w, "channels", "c_loose"), 0);
    w.apply(CreateChannel{"ws_other", "cat", "c_far", "far", ChannelKind::Text});
    EXPECT_EQ(order(w, "channels", "c_far"), 0);

    auto loose = *w.map_at({"channels", "c_loose"});
    EXPECT_EQ(get_str(w.doc, loose, "kind"), "voice");
    EXPECT_EQ(get_str(w.doc, loose, "topic"), "");
    EXPECT_EQ(get_str(w.doc, loose, "category"), "");
    EXPECT_TRUE(w.map_at({"voice", "c_loose"}));
    EXPECT_FALSE(w.map_at({"voice", "c_new"}));

    // A repeated creation leaves the channel where the first one put it.
    EXPECT_FALSE(w.changes(CreateChannel{"ws", "cat", "c_new", "renamed", ChannelKind::Text}));
}

TEST(Categories, CreateRenameCollapse)
{
    Workspace w;
    w.apply(CreateCategory{"ws", "cat_2", "Second"});
    EXPECT_EQ(order(w, "categories", "cat_2"), 1);
    EXPECT_EQ(get_bool(w.doc, *w.map_at({"categories", "cat_2"}), "collapsed"), false);
    w.apply(CreateCategory{"ws_new", "cat_3", "Third"});
    EXPECT_EQ(order(w, "categories", "cat_3"), 0);
    EXPECT_FALSE(w.changes(CreateCategory{"ws", "cat_2", "Again"}));

    EXPECT_TRUE(w.changes(RenameCategory{"cat_2", "Renamed"}));
    EXPECT_EQ(get_str(w.doc, *w.map_at({"categories", "cat_2"}), "name"), "Renamed");
    EXPECT_TRUE(w.changes(SetCategoryCollapsed{"cat_2", true}));
    EXPECT_FALSE(w.changes(SetCategoryCollapsed{"cat_2", true}));
    EXPECT_FALSE(w.changes(RenameCategory{"cat_gone", "x"}));
    EXPECT_FALSE(w.changes(SetCategoryCollapsed{"cat_gone", true}));
    EXPECT_FALSE(w.map_at({"categories", "cat_gone"}));
}

TEST(DeleteCategory, MovesItsChannelsAfterTheUncategorisedOnesInOrder)
{
    Workspace w;
    for (std::uint32_t i = 0; i < 3; ++i) {
        const std::string id = "c_loose" + std::to_string(i);
        write_channel(w.doc, Workspace::channel(id.c_str(), i, false, ""));
    }
    w.apply(DeleteCategory{"cat"});
    EXPECT_FALSE(w.map_at({"categories", "cat"}));
    EXPECT_EQ(order(w, "channels", "c_a"), 3);
    EXPECT_EQ(order(w, "channels", "c_b"), 4);
    EXPECT_EQ(order(w, "channels", "c_v"), 5);
    EXPECT_EQ(get_str(w.doc, *w.map_at({"channels", "c_a"}), "category"), "");
    EXPECT_EQ(order(w, "channels", "c_loose2"), 2);
    EXPECT_FALSE(w.changes(DeleteCategory{"cat"}));
}

TEST(ReorderChannel, SwapsWithTheNeighbourInItsCategory)
{
    struct Case {
        const char* name;
        const char* id;
        bool up;
        std::int64_t a, b, v; // orders afterwards
    };
    const Case cases[] = {
        {"first up", "c_a", true, 0, 1, 2},           {"last down", "c_v", false, 0, 1, 2},
        {"second up", "c_b", true, 1, 0, 2},          {"first down", "c_a", false, 1, 0, 2},
        {"missing channel", "c_gone", true, 0, 1, 2},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Workspace w;
        w.apply(ReorderChannel{c.id, c.up});
        EXPECT_EQ(order(w, "channels", "c_a"), c.a);
        EXPECT_EQ(order(w, "channels", "c_b"), c.b);
        EXPECT_EQ(order(w, "channels", "c_v"), c.v);
    }

    Workspace w;
    ASSERT_TRUE(put_i64(w.doc, *w.map_at({"channels", "c_b"}), "order", 0));
    EXPECT_FALSE(w.changes(ReorderChannel{"c_b", true})) << "equal orders";
    EXPECT_FALSE(w.changes(ReorderChannel{"c_a", false})) << "equal orders";
}

TEST(DeleteChannel, RemovesTheChannelItsMessagesCallAndDraft)
{
    Workspace w;
    w.apply(JoinCall{"c_v", "u_a"});
    w.apply(MarkRead{"c_v", "u_a", 3});
    auto drafts = ensure_map(w.doc, Document::root(), key::drafts);
    ensure_text(w.doc, drafts, "c_v");
    ensure_text(w.doc, drafts, key::thread_draft("c_v", "m_x"));

    w.apply(DeleteChannel{"c_v"});
    EXPECT_FALSE(w.map_at({"channels", "c_v"}));
    EXPECT_FALSE(w.map_at({"voice", "c_v"}));
    EXPECT_FALSE(get_list(w.doc, *w.map_at({"messages"}), "c_v"));
    EXPECT_FALSE(w.doc.get(drafts, "c_v"));
    EXPECT_TRUE(w.doc.get(drafts, key::thread_draft("c_v", "m_x")));
    EXPECT_EQ(get_i64(w.doc, *w.map_at({"read", "u_a"}), "c_v"), 3);
    EXPECT_FALSE(w.changes(DeleteChannel{"c_v"}));
}

TEST(Channels, RenameAndArchiveWriteOnlyChanges)
{
    Workspace w;
    EXPECT_TRUE(w.changes(RenameChannel{"c_a", "alpha"}));
    EXPECT_EQ(get_str(w.doc, *w.map_at({"channels", "c_a"}), "name"), "alpha");
    EXPECT_FALSE(w.changes(RenameChannel{"c_gone", "x"}));
    EXPECT_FALSE(w.changes(ArchiveChannel{"c_a", false})) << "missing counts as not archived";
    EXPECT_TRUE(w.changes(ArchiveChannel{"c_a", true}));
    EXPECT_FALSE(w.changes(ArchiveChannel{"c_a", true}));
    EXPECT_FALSE(w.changes(ArchiveChannel{"c_gone", true}));
}

TEST(MarkRead, StoresTheCountEvenWhenLower)
{
    Workspace w;
    EXPECT_TRUE(w.changes(MarkRead{"c_a", "u_a", 5}));
    EXPECT_FALSE(w.changes(MarkRead{"c_a", "u_a", 5}));
    EXPECT_TRUE(w.changes(MarkRead{"c_a", "u_a", 2}));
    EXPECT_EQ(get_i64(w.doc, *w.map_at({"read", "u_a"}), "c_a"), 2);
    EXPECT_FALSE(w.changes(MarkRead{"c_gone", "u_a", 1}));
}

TEST(Calls, JoinKeepsFlagsOfAPresentParticipant)
{
    Workspace w;
    w.apply(JoinCall{"c_v", "u_a"});
    auto p = *w.map_at({"voice", "c_v", "u_a"});
    for (const char* flag : {"talking", "muted", "deafened", "audio_only", "sharing"})
        EXPECT_EQ(get_bool(w.doc, p, flag), false) << flag;
    EXPECT_FALSE(w.doc.get(p, "ticket"));

    w.apply(SetCallState{"c_v", "u_a", false, true, false, true});
    EXPECT_FALSE(w.changes(JoinCall{"c_v", "u_a"}));
    EXPECT_EQ(get_bool(w.doc, p, "muted"), true);
    EXPECT_EQ(get_bool(w.doc, p, "audio_only"), true);

    EXPECT_FALSE(w.changes(SetScreenShare{"c_v", "u_a", false}));
    EXPECT_TRUE(w.changes(SetScreenShare{"c_v", "u_a", true}));
    EXPECT_FALSE(w.changes(SetCallTicket{"c_v", "u_a", ""})) << "missing ticket counts as empty";
    EXPECT_TRUE(w.changes(SetCallTicket{"c_v", "u_a", "ticket-1"}));
    EXPECT_FALSE(w.changes(SetCallTicket{"c_v", "u_a", "ticket-1"}));
    EXPECT_EQ(get_str(w.doc, p, "ticket"), "ticket-1");

    w.apply(LeaveCall{"c_v", "u_a"});
    EXPECT_FALSE(w.map_at({"voice", "c_v", "u_a"}));
    EXPECT_FALSE(w.changes(LeaveCall{"c_v", "u_a"}));
}

TEST(Calls, ActionsForAMissingChannelChangeNothing)
{
    Workspace w;
    const ChatAction actions[] = {
        JoinCall{"c_gone", "u_a"},
        SetCallState{"c_gone", "u_a", true, true, true, true},
        SetScreenShare{"c_gone", "u_a", true},
        SetCallTicket{"c_gone", "u_a", "t"},
        LeaveCall{"c_gone", "u_a"},
    };
    for (const auto& action : actions)
        EXPECT_FALSE(w.changes(action)) << to_json(action);
}

} // namespace
