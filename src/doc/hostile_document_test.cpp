// Documents merged from other peers may hold anything under any key; applying actions to them
// must neither crash nor touch the data that is in good shape.

#include "actions/record_codec.h"
#include "doc/apply_test_support.h"
#include "doc/chat_action_payload.h"

#include <gtest/gtest.h>

namespace {

using namespace chat::doc;
using namespace chat::actions;
using chat::doc::testing::valid_blob;
using chat::doc::testing::Workspace;

std::vector<ChatAction> every_kind_of_action()
{
    auto send = Workspace::send("c_a", "m_new", "hi");
    send.parent = "m_root";
    return {
        send,
        EditMessage{"c_a", "m_root", "edited", 1},
        AddReaction{"c_a", "m_root", "👍", "u_a"},
        RemoveReaction{"c_a", "m_root", "👍", "u_a"},
        PinMessage{"c_a", "m_root", true},
        CreateChannel{"ws", "cat", "c_new", "new", ChannelKind::Voice},
        CreateCategory{"ws", "cat_new", "New"},
        RenameCategory{"cat", "Renamed"},
        SetCategoryCollapsed{"cat", true},
        ReorderChannel{"c_b", true},
        RenameChannel{"c_a", "alpha"},
        ArchiveChannel{"c_b", true},
        MarkRead{"c_a", "u_a", 4},
        SetAgentWork{"c_a", "m_root", AgentWork{work_state::Taken{}, 1, std::nullopt, {}}, "say"},
        JoinCall{"c_v", "u_a"},
        SetCallState{"c_v", "u_a", true, false, false, false},
        SetScreenShare{"c_v", "u_a", true},
        SetCallTicket{"c_v", "u_a", "t"},
        LeaveCall{"c_v", "u_a"},
        DeleteCategory{"cat"},
        DeleteMessage{"c_a", "m_reply"},
        DeleteChannel{"c_b"},
    };
}

TEST(HostileDocument, EveryActionToleratesWrongKindsAndMissingKeys)
{
    struct Case {
        const char* name;
        void (*corrupt)(Workspace&);
    };
    const Case cases[] = {
        {"messages entry is a text",
         [](Workspace& w) { ensure_text(w.doc, *w.map_at({"messages"}), "c_a"); }},
        {"messages is a string",
         [](Workspace& w) { (void)put_str(w.doc, Document::root(), "messages", "x"); }},
        {"channels is a list",
         [](Workspace& w) { ensure_list(w.doc, Document::root(), "channels"); }},
        {"order is a string",
         [](Workspace& w) {
             (void)put_str(w.doc, *w.map_at({"channels", "c_b"}), "order", "first");
         }},
        {"channel is a number",
         [](Workspace& w) { (void)put_i64(w.doc, *w.map_at({"channels"}), "c_a", 7); }},
        {"reactions hold scalars",
         [](Workspace& w) {
             auto list = ensure_list(w.doc, *w.message("c_a", "m_root"), "reactions");
             (void)w.doc.insert(list, 0, crdt::Scalar(std::string("👍")));
             (void)w.doc.insert(list, 1, crdt::Scalar(std::int64_t(3)));
         }},
        {"message list holds scalars and lists",
         [](Workspace& w) {
             auto list = *get_list(w.doc, *w.map_at({"messages"}), "c_a");
             (void)w.doc.insert(list, 0, crdt::Scalar(true));
             (void)w.doc.insert_object(list, 1, crdt::ObjType::List);
         }},
        {"message without id or text",
         [](Workspace& w) {
             (void)delete_key(w.doc, *w.message("c_a", "m_reply"), "id");
             (void)put_str(w.doc, *w.message("c_a", "m_root"), "text", "a scalar text");
         }},
        {"work is a list and its trace a string",
         [](Workspace& w) { ensure_list(w.doc, *w.message("c_a", "m_root"), "work"); }},
        {"voice participant is a string",
         [](Workspace& w) {
             (void)put_str(w.doc, *w.map_at({"voice", "c_v"}), "u_a", "here");
         }},
        {"read is a number",
         [](Workspace& w) { (void)put_i64(w.doc, Document::root(), "read", 1); }},
        {"history is a map",
         [](Workspace& w) { ensure_map(w.doc, *w.message("c_a", "m_root"), "history"); }},
        {"category without workspace",
         [](Workspace& w) {
             (void)delete_key(w.doc, *w.map_at({"categories", "cat"}), "workspace");
         }},
        {"empty root",
         [](Workspace& w) {
             for (const auto& k : w.doc.keys(Document::root()))
                 (void)delete_key(w.doc, Document::root(), k);
         }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Workspace w;
        ensure_text(w.doc, ensure_map(w.doc, Document::root(), "untouched"), "t");
        c.corrupt(w);
        const auto untouched = get_map(w.doc, Document::root(), "untouched");
        for (const auto& action : every_kind_of_action()) {
            SCOPED_TRACE(to_json(action));
            w.apply(action);
            w.doc.commit();
        }
        EXPECT_EQ(get_map(w.doc, Document::root(), "untouched"), untouched);
        // The document still saves and loads.
        auto saved = w.doc.save();
        auto loaded = Document::load(saved);
        ASSERT_TRUE(loaded);
        EXPECT_EQ(loaded->canonical_dump(), w.doc.canonical_dump());
    }
}

TEST(ChatActionPayload, OneActionIsOneChangeAndBadPayloadsChangeNothing)
{
    Workspace w;
    const auto heads = w.doc.get_heads();
    const auto dump = w.doc.canonical_dump();
    const std::string good = encode_chat_action(AddReaction{"c_a", "m_root", "👍", "u_a"});
    const char* bad[] = {
        "", "{}", "not json", "{\"DeleteMessage\":[\"c_a\"]}", "{\"Explode\":{}}",
    };
    for (const char* payload : bad) {
        SCOPED_TRACE(payload);
        EXPECT_FALSE(apply_chat_action_payload(w.doc, payload, w.applier, 10));
    }
    auto trailing = apply_chat_action_payload(w.doc, good + " x", w.applier, 10);
    ASSERT_FALSE(trailing);
    EXPECT_FALSE(trailing.error().message.empty());
    EXPECT_EQ(w.doc.get_heads(), heads);
    EXPECT_EQ(w.doc.canonical_dump(), dump);

    // A refused action is no error and commits nothing.
    EXPECT_TRUE(apply_chat_action_payload(
        w.doc, encode_chat_action(PinMessage{"c_a", "m_gone", true}), w.applier, 10));
    EXPECT_EQ(w.doc.get_heads(), heads);

    EXPECT_TRUE(apply_chat_action_payload(w.doc, good, w.applier, 10));
    EXPECT_EQ(w.doc.pending_ops(), 0u);
    const auto after_heads = w.doc.get_heads();
    ASSERT_EQ(after_heads.size(), 1u);
    EXPECT_NE(after_heads, heads);
    EXPECT_EQ(
        get_str(w.doc,
                *get_map_at(w.doc, *get_list(w.doc, *w.message("c_a", "m_root"), "reactions"), 0),
                "emoji"),
        "👍");
}

} // namespace
