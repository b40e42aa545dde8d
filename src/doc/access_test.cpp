#include "doc/access.h"

#include <cmath>
#include <limits>

#include <gtest/gtest.h>

namespace {

using namespace chat::doc;
using crdt::Scalar;

TEST(Access, IntegerReadsAcceptEveryNumericKind)
{
    struct Case {
        const char* name;
        Scalar stored;
        std::optional<std::int64_t> expected;
    };
    const Case cases[] = {
        {"signed", Scalar(std::int64_t(-42)), -42},
        {"unsigned", Scalar(std::uint64_t(7)), 7},
        {"unsigned beyond signed range", Scalar(std::uint64_t(UINT64_MAX)), std::numeric_limits<std::int64_t>::max()},
        {"double truncates up", Scalar(3.99), 3},
        {"double truncates down", Scalar(-3.99), -3},
        {"NaN", Scalar(std::nan("")), 0},
        {"huge double", Scalar(1e300), std::numeric_limits<std::int64_t>::max()},
        {"huge negative double", Scalar(-1e300), std::numeric_limits<std::int64_t>::min()},
        {"counter", Scalar(crdt::Counter{5}), 5},
        {"timestamp", Scalar(crdt::Timestamp{1700000000000}), 1700000000000},
        {"string", Scalar(std::string("12")), std::nullopt},
        {"bool", Scalar(true), std::nullopt},
        {"null", Scalar(crdt::Null{}), std::nullopt},
    };
    crdt::Document doc;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(doc.put(crdt::root, "n", c.stored));
        EXPECT_EQ(get_i64(doc, crdt::root, "n"), c.expected);
    }
    EXPECT_EQ(get_i64(doc, crdt::root, "missing"), std::nullopt);
}

TEST(Access, WrongKindsReadAsMissing)
{
    crdt::Document doc;
    ASSERT_TRUE(put_i64(doc, crdt::root, "number", 1));
    auto text = ensure_text(doc, crdt::root, "text");
    ASSERT_TRUE(splice(doc, text, 0, 0, "héllo"));
    ensure_list(doc, crdt::root, "list");

    EXPECT_EQ(get_str(doc, crdt::root, "number"), std::nullopt);
    EXPECT_EQ(get_bool(doc, crdt::root, "number"), std::nullopt);
    EXPECT_EQ(get_map(doc, crdt::root, "list"), std::nullopt);
    EXPECT_EQ(get_list(doc, crdt::root, "text"), std::nullopt);
    EXPECT_EQ(get_str(doc, crdt::root, "text"), std::nullopt);
    EXPECT_EQ(get_text(doc, crdt::root, "text"), "héllo");
    EXPECT_EQ(get_text(doc, crdt::root, "list"), std::nullopt);
}

TEST(Access, EnsureReturnsTheExistingObjectOrReplacesAnotherKind)
{
    crdt::Document doc;
    auto map = ensure_map(doc, crdt::root, "m");
    EXPECT_EQ(ensure_map(doc, crdt::root, "m"), map);
    ASSERT_TRUE(put_str(doc, map, "k", "v"));

    ASSERT_TRUE(put_str(doc, crdt::root, "scalar", "x"));
    auto replaced = ensure_list(doc, crdt::root, "scalar");
    EXPECT_EQ(get_list(doc, crdt::root, "scalar"), replaced);
    auto other = ensure_map(doc, crdt::root, "scalar");
    EXPECT_NE(other, replaced);
    EXPECT_EQ(get_list(doc, crdt::root, "scalar"), std::nullopt);
}

TEST(Access, UpdatesWriteOnlyWhatDiffers)
{
    crdt::Document doc;
    auto map = ensure_map(doc, crdt::root, "p");
    EXPECT_TRUE(update_str(doc, map, "name", "Ada"));
    EXPECT_TRUE(update_i64(doc, map, "color_idx", 3));
    EXPECT_TRUE(update_bool(doc, map, "agent", false));
    doc.commit();
    auto version = doc.version();
    EXPECT_FALSE(update_str(doc, map, "name", "Ada"));
    EXPECT_FALSE(update_i64(doc, map, "color_idx", 3));
    EXPECT_FALSE(update_bool(doc, map, "agent", false));
    EXPECT_EQ(doc.pending_ops(), 0u);
    EXPECT_EQ(doc.version(), version);

    ASSERT_TRUE(doc.put(map, "color_idx", Scalar(3.0))); // same number, other kind: rewritten
    EXPECT_TRUE(update_i64(doc, map, "color_idx", 3));
    EXPECT_TRUE(update_str(doc, map, "name", "Grace"));
    EXPECT_EQ(get_str(doc, map, "name"), "Grace");
}

TEST(Access, AppendedMapsGoToTheEndAndTextsReplaceBySmallestSplice)
{
    crdt::Document doc;
    auto list = ensure_list(doc, crdt::root, "l");
    auto first = append_map(doc, list);
    auto second = append_map(doc, list);
    ASSERT_TRUE(first && second);
    EXPECT_EQ(get_map_at(doc, list, 0), first);
    EXPECT_EQ(get_map_at(doc, list, 1), second);
    EXPECT_EQ(get_map_at(doc, list, 2), std::nullopt);

    auto text = ensure_text(doc, crdt::root, "t");
    ASSERT_TRUE(replace_text(doc, text, "hello world"));
    auto fork = doc.fork();
    ASSERT_TRUE(replace_text(doc, text, "hello brave world"));
    auto fork_text = get_text_object(fork, crdt::root, "t").value();
    ASSERT_TRUE(replace_text(fork, fork_text, "hello world!"));
    ASSERT_TRUE(doc.merge(fork));
    EXPECT_EQ(get_text(doc, crdt::root, "t"), "hello brave world!");
}

} // namespace
