#include "actions/record_codec.h"
#include "doc/apply_test_support.h"

#include <gtest/gtest.h>

namespace {

using namespace chat::doc;
using namespace chat::actions;
using chat::doc::testing::valid_blob;
using chat::doc::testing::Workspace;

TEST(SendMessage, LimitsDecideWhetherTheMessageIsStored)
{
    struct Case {
        const char* name;
        void (*edit)(SendMessage&);
        bool stored;
    };
    const Case cases[] = {
        {"plain", [](SendMessage&) {}, true},
        {"id of 128 bytes", [](SendMessage& s) { s.id = std::string(128, 'x'); }, true},
        {"id of 129 bytes", [](SendMessage& s) { s.id = std::string(129, 'x'); }, false},
        {"empty id", [](SendMessage& s) { s.id.clear(); }, false},
        {"id with a space", [](SendMessage& s) { s.id = "m_a b"; }, false},
        {"id with letters digits dash underscore", [](SendMessage& s) { s.id = "Az-09_"; }, true},
        {"id with a non-ASCII letter", [](SendMessage& s) { s.id = "m_é"; }, false},
        {"id used in another channel", [](SendMessage& s) { s.channel = "c_b", s.id = "m_root"; },
         false},
        {"text of 65,536 bytes", [](SendMessage& s) { s.text = std::string(65536, 't'); }, true},
        {"text of 65,537 bytes", [](SendMessage& s) { s.text = std::string(65537, 't'); }, false},
        {"text that is no UTF-8", [](SendMessage& s) { s.text = "ok \xc3"; }, false},
        {"text with control characters", [](SendMessage& s) { s.text = "line\nline\t"; }, true},
        {"missing channel", [](SendMessage& s) { s.channel = "c_nowhere"; }, false},
        {"reply to a top-level message", [](SendMessage& s) { s.parent = "m_root"; }, true},
        {"reply to a reply", [](SendMessage& s) { s.parent = "m_reply"; }, false},
        {"reply to an unknown message", [](SendMessage& s) { s.parent = "m_gone"; }, true},
        {"image 1 x 16,384",
         [](SendMessage& s) {
             s.attachment = attachment::Image{"a.png", valid_blob, 1, 16384};
         },
         true},
        {"image of width 0",
         [](SendMessage& s) {
             s.attachment = attachment::Image{"a.png", valid_blob, 0, 10};
         },
         false},
        {"image of width 16,385",
         [](SendMessage& s) {
             s.attachment = attachment::Image{"a.png", valid_blob, 16385, 1};
         },
         false},
        {"image of height 0",
         [](SendMessage& s) {
             s.attachment = attachment::Image{"a.png", valid_blob, 10, 0};
         },
         false},
        {"video of width 0",
         [](SendMessage& s) {
             s.attachment = attachment::Video{"a.webm", valid_blob, 0, 0, 1};
         },
         true},
        {"video of width 16,385",
         [](SendMessage& s) {
             s.attachment = attachment::Video{"a.webm", valid_blob, 16385, 1, 1};
         },
         false},
        {"video of 32 MiB",
         [](SendMessage& s) {
             s.attachment = attachment::Video{"a.webm", valid_blob, 1, 1, 33554432};
         },
         true},
        {"video of 32 MiB + 1",
         [](SendMessage& s) {
             s.attachment = attachment::Video{"a.webm", valid_blob, 1, 1, 33554433};
         },
         false},
        {"empty video",
         [](SendMessage& s) {
             s.attachment = attachment::Video{"a.webm", valid_blob, 1, 1, 0};
         },
         false},
        {"file of 1 byte",
         [](SendMessage& s) {
             s.attachment = attachment::File{"a.txt", valid_blob, 1};
         },
         true},
        {"empty file",
         [](SendMessage& s) {
             s.attachment = attachment::File{"a.txt", valid_blob, 0};
         },
         false},
        {"file over 32 MiB",
         [](SendMessage& s) {
             s.attachment = attachment::File{"a.txt", valid_blob, 33554433};
         },
         false},
        {"upper-case blob",
         [](SendMessage& s) {
             s.attachment = attachment::File{"a", std::string(64, 'F'), 1};
         },
         true},
        {"blob of 63 digits",
         [](SendMessage& s) {
             s.attachment = attachment::File{"a", std::string(63, 'a'), 1};
         },
         false},
        {"blob of 65 digits",
         [](SendMessage& s) {
             s.attachment = attachment::File{"a", std::string(65, 'a'), 1};
         },
         false},
        {"blob that is no hex",
         [](SendMessage& s) {
             s.attachment = attachment::File{"a", std::string(64, 'g'), 1};
         },
         false},
        {"demo blob",
         [](SendMessage& s) {
             s.attachment = attachment::File{"a", "ruvo-demo://call-grid", 1};
         },
         false},
        {"empty name",
         [](SendMessage& s) {
             s.attachment = attachment::File{"", valid_blob, 1};
         },
         false},
        {"name of 255 bytes",
         [](SendMessage& s) {
             s.attachment = attachment::File{std::string(255, 'n'), valid_blob, 1};
         },
         true},
        {"name of 256 bytes",
         [](SendMessage& s) {
             s.attachment = attachment::File{std::string(256, 'n'), valid_blob, 1};
         },
         false},
        {"name with a tab",
         [](SendMessage& s) {
             s.attachment = attachment::File{"a\tb", valid_blob, 1};
         },
         false},
        {"name with DEL",
         [](SendMessage& s) {
             s.attachment = attachment::File{"a\x7f", valid_blob, 1};
         },
         false},
        {"name with U+0085",
         [](SendMessage& s) {
             s.attachment = attachment::File{"a\xc2\x85", valid_blob, 1};
         },
         false},
        {"name with U+00A0",
         [](SendMessage& s) {
             s.attachment = attachment::File{"a\xc2\xa0", valid_blob, 1};
         },
         true},
        {"name that is no UTF-8",
         [](SendMessage& s) {
             s.attachment = attachment::File{"a\xff", valid_blob, 1};
         },
         false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Workspace w;
        auto send = Workspace::send("c_a", "m_new", "hello");
        c.edit(send);
        const auto before = w.message_count(send.channel.c_str());
        const bool changed = w.changes(send);
        EXPECT_EQ(changed, c.stored);
        EXPECT_EQ(w.message_count(send.channel.c_str()), before + (c.stored ? 1 : 0));
    }
}

TEST(SendMessage, StoresEveryPartInItsStoredForm)
{
    Workspace w;
    auto send = Workspace::send("c_b", "m_new", "hi @bo");
    send.parent = "m_unknown";
    send.mentions = {Mention{"u_bo", 3, 3, true}};
    send.reference = ResourceRef{"chat.message", "m_root", "root", Span{0, 4, SpanUnit::Bytes}};
    send.attachment = attachment::Video{"clip.webm", valid_blob, 640, 480, 1234};
    w.apply(send);

    auto m = w.message("c_b", "m_new");
    ASSERT_TRUE(m);
    const auto& doc = w.doc;
    EXPECT_EQ(get_str(doc, *m, "author"), "u_a");
    EXPECT_EQ(get_i64(doc, *m, "ts"), 100);
    EXPECT_EQ(get_str(doc, *m, "parent"), "m_unknown");
    EXPECT_EQ(get_bool(doc, *m, "edited"), false);
    EXPECT_EQ(get_text(doc, *m, "text"), "hi @bo");
    EXPECT_EQ(doc.length(*get_list(doc, *m, "reactions")), 0u);
    EXPECT_EQ(doc.length(*get_list(doc, *m, "history")), 0u);
    auto mention = get_map_at(doc, *get_list(doc, *m, "mentions"), 0);
    ASSERT_TRUE(mention);
    EXPECT_EQ(get_str(doc, *mention, "user"), "u_bo");
    EXPECT_EQ(get_i64(doc, *mention, "start"), 3);
    EXPECT_EQ(get_i64(doc, *mention, "len"), 3);
    EXPECT_EQ(get_bool(doc, *mention, "agent"), true);
    EXPECT_EQ(get_str(doc, *m, "reference"), to_json(*send.reference));
    auto att = get_map(doc, *m, "attachment");
    ASSERT_TRUE(att);
    EXPECT_EQ(get_str(doc, *att, "kind"), "video");
    EXPECT_EQ(get_str(doc, *att, "name"), "clip.webm");
    EXPECT_EQ(get_str(doc, *att, "blob"), valid_blob);
    EXPECT_EQ(get_i64(doc, *att, "w"), 640);
    EXPECT_EQ(get_i64(doc, *att, "h"), 480);
    EXPECT_EQ(get_i64(doc, *att, "size"), 1234);
    EXPECT_FALSE(doc.get(*m, "pinned"));
    EXPECT_FALSE(doc.get(*m, "work"));

    // An empty parent is no parent.
    auto top = Workspace::send("c_b", "m_top", "");
    top.parent = "";
    w.apply(top);
    EXPECT_EQ(get_str(doc, *w.message("c_b", "m_top"), "parent"), "");
    EXPECT_EQ(get_text(doc, *w.message("c_b", "m_top"), "text"), "");
}

TEST(EditMessage, KeepsThePreviousTextInHistoryOldestFirst)
{
    Workspace w;
    EXPECT_FALSE(w.changes(EditMessage{"c_a", "m_root", "root", 200})) << "unchanged text";
    EXPECT_FALSE(w.changes(EditMessage{"c_a", "m_gone", "x", 200})) << "missing message";
    EXPECT_FALSE(w.changes(EditMessage{"c_b", "m_root", "x", 200})) << "message of another channel";
    EXPECT_FALSE(w.changes(EditMessage{"c_a", "m_root", std::string(65537, 'x'), 200}))
        << "text over the limit";

    w.apply(EditMessage{"c_a", "m_root", "root, edited", 200});
    w.apply(EditMessage{"c_a", "m_root", "final", 300});
    auto m = *w.message("c_a", "m_root");
    EXPECT_EQ(get_text(w.doc, m, "text"), "final");
    EXPECT_EQ(get_bool(w.doc, m, "edited"), true);
    auto history = *get_list(w.doc, m, "history");
    ASSERT_EQ(w.doc.length(history), 2u);
    auto first = *get_map_at(w.doc, history, 0);
    auto second = *get_map_at(w.doc, history, 1);
    EXPECT_EQ(get_str(w.doc, first, "text"), "root");
    EXPECT_EQ(get_i64(w.doc, first, "ts"), 200);
    EXPECT_EQ(get_str(w.doc, second, "text"), "root, edited");
    EXPECT_EQ(get_i64(w.doc, second, "ts"), 300);
}

TEST(DeleteMessage, RemovesTheMessageAndLeavesItsReplies)
{
    Workspace w;
    w.apply(DeleteMessage{"c_a", "m_root"});
    EXPECT_FALSE(w.message("c_a", "m_root"));
    EXPECT_TRUE(w.message("c_a", "m_reply"));
    EXPECT_FALSE(w.changes(DeleteMessage{"c_a", "m_root"}));
    // The id is free again.
    EXPECT_TRUE(w.changes(Workspace::send("c_b", "m_root", "again")));
}

TEST(Reactions, OneEntryPerEmojiAndPerson)
{
    Workspace w;
    const AddReaction add{"c_a", "m_root", "👍", "u_a"};
    EXPECT_TRUE(w.changes(add));
    EXPECT_FALSE(w.changes(add)) << "duplicate";
    EXPECT_TRUE(w.changes(AddReaction{"c_a", "m_root", "👍", "u_b"}));
    EXPECT_TRUE(w.changes(AddReaction{"c_a", "m_root", "🎉", "u_a"}));
    auto reactions = *get_list(w.doc, *w.message("c_a", "m_root"), "reactions");
    EXPECT_EQ(w.doc.length(reactions), 3u);

    EXPECT_TRUE(w.changes(RemoveReaction{"c_a", "m_root", "👍", "u_a"}));
    EXPECT_FALSE(w.changes(RemoveReaction{"c_a", "m_root", "👍", "u_a"}));
    EXPECT_FALSE(w.changes(AddReaction{"c_a", "m_gone", "👍", "u_a"}));
    ASSERT_EQ(w.doc.length(reactions), 2u);
    auto left = *get_map_at(w.doc, reactions, 0);
    EXPECT_EQ(get_str(w.doc, left, "emoji"), "👍");
    EXPECT_EQ(get_str(w.doc, left, "user"), "u_b");
}

TEST(PinMessage, WritesOnlyAChange)
{
    Workspace w;
    EXPECT_FALSE(w.changes(PinMessage{"c_a", "m_root", false})) << "missing counts as unpinned";
    EXPECT_TRUE(w.changes(PinMessage{"c_a", "m_root", true}));
    EXPECT_FALSE(w.changes(PinMessage{"c_a", "m_root", true}));
    EXPECT_TRUE(w.changes(PinMessage{"c_a", "m_root", false}));
    EXPECT_EQ(get_bool(w.doc, *w.message("c_a", "m_root"), "pinned"), false);
    EXPECT_FALSE(w.changes(PinMessage{"c_a", "m_gone", true}));
}

} // namespace
