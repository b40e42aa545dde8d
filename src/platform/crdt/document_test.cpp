#include "platform/crdt/document.h"

#include <algorithm>

#include <gtest/gtest.h>

namespace crdt {
namespace {

ActorId actor(std::uint8_t n)
{
    ActorId a{};
    a.fill(n);
    return a;
}

ObjId must(util::Result<ObjId> r)
{
    EXPECT_TRUE(r.has_value()) << (r ? "" : r.error().message);
    return r.value_or(ObjId{});
}

void ok(util::Result<void> r)
{
    ASSERT_TRUE(r.has_value()) << r.error().message;
}

std::string str(const std::optional<Value>& v)
{
    if (!v || !v->string())
        return "<none>";
    return *v->string();
}

TEST(Document, MapWritesAreReadBackBeforeAndAfterCommit)
{
    Document doc(actor(1));
    ok(doc.put(root, "b", std::string("two")));
    ok(doc.put(root, "a", std::int64_t{1}));
    ok(doc.put(root, "\xc3\xa9", true));
    EXPECT_EQ(doc.pending_ops(), 3u);
    EXPECT_EQ(str(doc.get(root, "b")), "two");
    EXPECT_EQ(doc.get(root, "a")->int64(), 1);
    EXPECT_FALSE(doc.get(root, "missing").has_value());
    EXPECT_EQ(doc.keys(root), (std::vector<std::string>{"a", "b", "\xc3\xa9"}));
    auto hash = doc.commit(1700000000, "first");
    ASSERT_TRUE(hash.has_value());
    EXPECT_EQ(doc.get_heads(), std::vector<ChangeHash>{*hash});
    EXPECT_EQ(doc.pending_ops(), 0u);
    EXPECT_FALSE(doc.commit().has_value());
    ok(doc.delete_key(root, "a"));
    EXPECT_FALSE(doc.get(root, "a").has_value());
    EXPECT_EQ(doc.length(root), 2u);
}

TEST(Document, EveryScalarKindRoundTripsThroughSaveAndChanges)
{
    Document doc(actor(1));
    std::vector<Scalar> scalars{Null{}, std::string("s"), std::int64_t{-5}, std::uint64_t{1} << 63, 2.5, false,
                                Counter{7}, Timestamp{1234}};
    for (std::size_t i = 0; i < scalars.size(); ++i)
        ok(doc.put(root, std::to_string(i), scalars[i]));
    auto loaded = Document::load(doc.save());
    ASSERT_TRUE(loaded.has_value()) << loaded.error().message;
    Document other(actor(2));
    ok(other.apply_changes(doc.get_changes()));
    for (std::size_t i = 0; i < scalars.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(*loaded->get(root, std::to_string(i))->scalar(), scalars[i]);
        EXPECT_EQ(*other.get(root, std::to_string(i))->scalar(), scalars[i]);
    }
    EXPECT_EQ(loaded->get_heads(), doc.get_heads());
    EXPECT_EQ(other.get_heads(), doc.get_heads());
}

TEST(Document, ErrorsAreValuesNotCrashes)
{
    Document doc(actor(1));
    auto list = must(doc.put_object(root, "l", ObjType::List));
    auto text = must(doc.put_object(root, "t", ObjType::Text));
    ObjId unknown{99, actor(9)};
    EXPECT_FALSE(doc.put(unknown, "k", Null{}));
    EXPECT_FALSE(doc.put(list, "k", Null{}));
    EXPECT_FALSE(doc.insert(list, 1, Null{}));
    EXPECT_FALSE(doc.set(list, 0, Null{}));
    EXPECT_FALSE(doc.delete_index(list, 0));
    EXPECT_FALSE(doc.insert(text, 0, Null{}));
    EXPECT_FALSE(doc.splice_text(text, 1, 0, "x"));
    EXPECT_FALSE(doc.splice_text(text, 0, 1, ""));
    EXPECT_FALSE(doc.splice_text(text, 0, 0, "\xff"));
    EXPECT_FALSE(doc.splice_text(list, 0, 0, "x"));
    EXPECT_FALSE(doc.increment(root, "l", 1));
    EXPECT_FALSE(doc.increment(root, "none", 1));
    EXPECT_FALSE(doc.get(unknown, "k").has_value());
    EXPECT_FALSE(doc.text(list).has_value());
    EXPECT_EQ(doc.length(unknown), 0u);
}

TEST(Document, ListsInsertSetAndDeleteByIndex)
{
    Document doc(actor(1));
    auto list = must(doc.put_object(root, "l", ObjType::List));
    ok(doc.insert(list, 0, std::string("b")));
    ok(doc.insert(list, 0, std::string("a")));
    ok(doc.insert(list, 2, std::string("d")));
    ok(doc.insert(list, 2, std::string("c")));
    auto nested = must(doc.insert_object(list, 4, ObjType::Map));
    ok(doc.put(nested, "k", std::int64_t{5}));
    ok(doc.set(list, 1, std::string("B")));
    ok(doc.delete_index(list, 0));
    EXPECT_EQ(doc.length(list), 4u);
    EXPECT_EQ(str(doc.get(list, std::size_t{0})), "B");
    EXPECT_EQ(str(doc.get(list, std::size_t{2})), "d");
    EXPECT_EQ(doc.get(list, std::size_t{3})->object()->id, nested);
    EXPECT_FALSE(doc.get(list, std::size_t{4}).has_value());
    doc.commit();
    auto loaded = Document::load(doc.save());
    ASSERT_TRUE(loaded);
    EXPECT_EQ(loaded->canonical_dump(), doc.canonical_dump());
}

TEST(Document, TextPositionsCountScalarValues)
{
    Document doc(actor(1));
    auto text = must(doc.put_object(root, "t", ObjType::Text));
    ok(doc.splice_text(text, 0, 0, "h\xc3\xa9llo \xf0\x9f\x99\x82!"));
    EXPECT_EQ(doc.length(text), 8u);
    ok(doc.splice_text(text, 1, 1, "e"));
    ok(doc.splice_text(text, 6, 1, "world"));
    EXPECT_EQ(doc.text(text), "hello world!");
    EXPECT_EQ(doc.object_type(text), ObjType::Text);
}

TEST(Document, ConcurrentMapWritesKeepAllValuesAndAgreeOnTheWinner)
{
    Document a(actor(1));
    Document b(actor(2));
    ok(a.put(root, "k", std::string("from a")));
    ok(b.put(root, "k", std::string("from b")));
    ok(a.merge(b));
    ok(b.merge(a));
    EXPECT_EQ(a.get_all(root, "k").size(), 2u);
    EXPECT_EQ(str(a.get(root, "k")), str(b.get(root, "k")));
    EXPECT_EQ(str(a.get(root, "k")), "from b"); // equal counters: the greater actor wins
    EXPECT_EQ(a.get_heads(), b.get_heads());
    EXPECT_EQ(a.get_heads().size(), 2u);
    // A later write replaces both.
    ok(a.put(root, "k", std::string("resolved")));
    ok(b.merge(a));
    EXPECT_EQ(b.get_all(root, "k").size(), 1u);
    EXPECT_EQ(str(b.get(root, "k")), "resolved");
}

TEST(Document, DeleteRemovesOnlyWhatTheDeleterHadSeen)
{
    Document a(actor(1));
    ok(a.put(root, "k", std::int64_t{1}));
    a.commit();
    Document b = a.fork(actor(2));
    ok(a.delete_key(root, "k"));
    ok(b.put(root, "k", std::int64_t{2}));
    ok(a.merge(b));
    ok(b.merge(a));
    EXPECT_EQ(a.get(root, "k")->int64(), 2);
    EXPECT_EQ(b.canonical_dump(), a.canonical_dump());
}

TEST(Document, ConcurrentIncrementsAddUp)
{
    Document a(actor(1));
    ok(a.put(root, "n", Counter{10}));
    a.commit();
    Document b = a.fork(actor(2));
    ok(a.increment(root, "n", 5));
    ok(b.increment(root, "n", -3));
    ok(b.increment(root, "n", 1));
    ok(a.merge(b));
    ok(b.merge(a));
    EXPECT_EQ(*a.get(root, "n")->scalar(), Scalar{Counter{13}});
    EXPECT_EQ(*b.get(root, "n")->scalar(), Scalar{Counter{13}});
}

TEST(Document, ConcurrentTypingAtOnePlaceDoesNotInterleave)
{
    Document a(actor(1));
    auto text = must(a.put_object(root, "t", ObjType::Text));
    ok(a.splice_text(text, 0, 0, "[]"));
    a.commit();
    Document b = a.fork(actor(2));
    for (char c : std::string("hello"))
        ok(a.splice_text(text, a.length(text) - 1, 0, std::string(1, c)));
    for (char c : std::string("WORLD"))
        ok(b.splice_text(text, b.length(text) - 1, 0, std::string(1, c)));
    ok(a.merge(b));
    ok(b.merge(a));
    auto merged = a.text(text).value();
    EXPECT_TRUE(merged == "[helloWORLD]" || merged == "[WORLDhello]") << merged;
    EXPECT_EQ(b.text(text), merged);
}

TEST(Document, RollbackUndoesTheOpenTransaction)
{
    Document doc(actor(1));
    ok(doc.put(root, "kept", std::int64_t{1}));
    auto text = must(doc.put_object(root, "t", ObjType::Text));
    ok(doc.splice_text(text, 0, 0, "abc"));
    doc.commit();
    auto heads = doc.get_heads();
    auto before = doc.canonical_dump();
    auto version = doc.version();
    ok(doc.put(root, "dropped", std::int64_t{2}));
    ok(doc.splice_text(text, 1, 1, "XYZ"));
    EXPECT_EQ(doc.text(text), "aXYZc");
    doc.rollback();
    EXPECT_EQ(doc.canonical_dump(), before);
    EXPECT_EQ(doc.get_heads(), heads);
    EXPECT_NE(doc.version(), version);
    ok(doc.put(root, "after", std::int64_t{3}));
    doc.commit();
    Document other(actor(2));
    ok(other.apply_changes(doc.get_changes()));
    EXPECT_EQ(other.canonical_dump(), doc.canonical_dump());
}

TEST(Document, VersionChangesWithContentOnly)
{
    Document a(actor(1));
    auto v0 = a.version();
    (void)a.get(root, "x");
    (void)a.keys(root);
    EXPECT_EQ(a.version(), v0);
    ok(a.put(root, "x", std::int64_t{1}));
    auto v1 = a.version();
    EXPECT_NE(v1, v0);
    a.commit();
    Document b(actor(2));
    auto vb = b.version();
    ok(b.apply_changes(a.get_changes()));
    EXPECT_NE(b.version(), vb);
    auto vb2 = b.version();
    ok(b.apply_changes(a.get_changes()));
    EXPECT_EQ(b.version(), vb2);
}

TEST(Document, ChangesWaitForTheirDependencies)
{
    Document a(actor(1));
    ok(a.put(root, "x", std::int64_t{1}));
    auto h1 = *a.commit();
    ok(a.put(root, "x", std::int64_t{2}));
    a.commit();
    ok(a.put(root, "y", std::int64_t{3}));
    a.commit();
    std::vector<ChangeHash> since{h1};
    Bytes first = a.get_changes({});
    Bytes later = a.get_changes(since);
    Document b(actor(2));
    ok(b.apply_changes(later));
    EXPECT_EQ(b.queued_changes(), 2u);
    EXPECT_FALSE(b.get(root, "x").has_value());
    ok(b.apply_changes(first));
    ok(b.apply_changes(later));
    EXPECT_EQ(b.queued_changes(), 0u);
    EXPECT_EQ(b.get_heads(), a.get_heads());
    EXPECT_EQ(b.get(root, "x")->int64(), 2);
    EXPECT_EQ(b.get(root, "y")->int64(), 3);
}

TEST(Document, IncrementalSavesAppendToAFullSave)
{
    Document doc(actor(1));
    auto text = must(doc.put_object(root, "t", ObjType::Text));
    ok(doc.splice_text(text, 0, 0, "draft"));
    Bytes full = doc.save();
    ok(doc.splice_text(text, 5, 0, " one"));
    doc.commit();
    Bytes inc1 = doc.save_incremental();
    ok(doc.put(root, "n", std::int64_t{4}));
    Bytes inc2 = doc.save_incremental();
    EXPECT_TRUE(doc.save_incremental().empty());
    auto loaded = Document::load(full);
    ASSERT_TRUE(loaded);
    ok(loaded->load_incremental(inc1));
    ok(loaded->load_incremental(inc2));
    EXPECT_EQ(loaded->canonical_dump(), doc.canonical_dump());
    EXPECT_EQ(loaded->get_heads(), doc.get_heads());
}

Document sample_document()
{
    Document doc(actor(1));
    auto text = must(doc.put_object(root, "t", ObjType::Text));
    (void)doc.splice_text(text, 0, 0, "some text \xe2\x86\x92 here");
    auto list = must(doc.put_object(root, "l", ObjType::List));
    (void)doc.insert(list, 0, 1.5);
    (void)doc.put(root, "c", Counter{1});
    doc.commit(100, "m");
    (void)doc.increment(root, "c", 2);
    (void)doc.splice_text(text, 2, 3, "");
    doc.commit(101);
    return doc;
}

TEST(Document, CorruptOrTruncatedBytesAreRejected)
{
    Document doc = sample_document();
    Bytes saved = doc.save();
    Bytes changes = doc.get_changes();
    for (std::size_t n = 0; n < saved.size(); ++n)
        EXPECT_FALSE(Document::load(std::span(saved).first(n))) << "prefix " << n;
    for (std::size_t i = 0; i < saved.size(); ++i) {
        Bytes bad = saved;
        bad[i] ^= 0x20;
        EXPECT_FALSE(Document::load(bad)) << "flip at " << i;
    }
    for (std::size_t n = 1; n < changes.size(); ++n) {
        Document target(actor(3));
        auto r = target.apply_changes(std::span(changes).first(n));
        // A prefix that ends on a change boundary is valid; anything else must fail cleanly.
        if (r) {
            EXPECT_NE(target.get_heads(), doc.get_heads());
        }
    }
    for (std::size_t i = 0; i < changes.size(); ++i) {
        Bytes bad = changes;
        bad[i] ^= 0x01;
        Document target(actor(3));
        (void)target.apply_changes(bad);
        // Whatever was accepted must be self-consistent.
        auto reloaded = Document::load(target.save());
        ASSERT_TRUE(reloaded) << reloaded.error().message;
        EXPECT_EQ(reloaded->canonical_dump(), target.canonical_dump());
    }
}

TEST(Document, LargeDocumentsRoundTripThroughSave)
{
    // Large enough for the saved body to take the dictionary coder instead of the context model.
    Document doc(actor(1));
    auto list = must(doc.put_object(root, "messages", ObjType::List));
    for (std::size_t i = 0; i < 12000; ++i) {
        auto m = must(doc.insert_object(list, i, ObjType::Map));
        ok(doc.put(m, "id", "a message id long enough to fill the body quickly " + std::to_string(i)));
        ok(doc.put(m, "ts", static_cast<std::int64_t>(i * 7919 % 100003)));
        if (i % 50 == 0)
            doc.commit();
    }
    Bytes saved = doc.save();
    ASSERT_EQ(saved[5], 2) << "expected the dictionary coder";
    auto loaded = Document::load(saved);
    ASSERT_TRUE(loaded) << loaded.error().message;
    EXPECT_EQ(loaded->canonical_dump(), doc.canonical_dump());
    EXPECT_EQ(loaded->get_heads(), doc.get_heads());
    saved.resize(saved.size() / 2);
    EXPECT_FALSE(Document::load(saved));
}

TEST(SpliceTextDiffed, WritesTheSmallestSplice)
{
    struct Case {
        const char* name;
        std::string before;
        std::string after;
        std::size_t expected_ops;
    };
    std::vector<Case> cases{
        {"equal", "hello", "hello", 0},
        {"append", "hello", "hello!", 1},
        {"prepend", "ello", "hello", 1},
        {"middle replace", "hello world", "hello there world", 1},
        {"delete middle", "abcdef", "abef", 1},
        {"replace all", "abc", "xyz", 2},
        {"to empty", "abc", "", 1},
        {"multibyte neighbours", "a\xc3\xa9" "b", "a\xc3\xa8" "b", 2},
        {"repeated letters", "aaa", "aaaa", 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Document doc(actor(1));
        auto text = must(doc.put_object(root, "t", ObjType::Text));
        ok(doc.splice_text(text, 0, 0, c.before));
        doc.commit();
        ok(splice_text_diffed(doc, text, c.after));
        EXPECT_EQ(doc.text(text), c.after);
        EXPECT_EQ(doc.pending_ops(), c.expected_ops);
    }
}

TEST(SpliceTextDiffed, ConcurrentEditsOfOneDraftMerge)
{
    Document a(actor(1));
    auto text = must(a.put_object(root, "t", ObjType::Text));
    ok(a.splice_text(text, 0, 0, "the cat sat"));
    a.commit();
    Document b = a.fork(actor(2));
    ok(splice_text_diffed(a, text, "the black cat sat"));
    ok(splice_text_diffed(b, text, "the cat sat down"));
    ok(a.merge(b));
    EXPECT_EQ(a.text(text), "the black cat sat down");
}

} // namespace
} // namespace crdt
