#include "platform/ui/catalog.h"
#include "platform/ui/format.h"
#include "platform/ui/permission.h"

#include <gtest/gtest.h>

using namespace ruvo_ui;

TEST(FormatBytes, Table)
{
    struct Case {
        std::uint64_t bytes;
        const char* expected;
    };
    const Case cases[] = {
        {0, "0 B"},
        {1, "1 B"},
        {1023, "1023 B"},
        {1024, "1.0 KB"},
        {1536, "1.5 KB"},
        {10 * 1024 - 1, "10 KB"},
        {10 * 1024, "10 KB"},
        {1024 * 1024 - 1, "1.0 MB"},
        {5 * 1024 * 1024, "5.0 MB"},
        {1234567, "1.2 MB"},
        {3ull << 30, "3.0 GB"},
        {1ull << 40, "1.0 TB"},
        {UINT64_MAX, "16384 PB"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.bytes);
        EXPECT_EQ(format::bytes(c.bytes), c.expected);
    }
}

TEST(Catalog, ParsesKeyValueLinesWithCommentsAndBlanks)
{
    auto catalog = EmbeddedCatalog::parse(
        "en-US", "# Strings.\n\n# note\nchat-call-mute = Mute\nplus = ＋ Category\r\n"
                 "spaced =  two  words \n");
    ASSERT_TRUE(catalog) << catalog.error().message;
    EXPECT_EQ(catalog->t("chat-call-mute"), "Mute");
    EXPECT_EQ(catalog->t("plus"), "＋ Category");
    EXPECT_EQ(catalog->t("spaced"), " two  words");
    EXPECT_EQ(catalog->t("missing-key"), "missing-key");
    EXPECT_EQ(catalog->size(), 3u);
}

TEST(Catalog, RejectsMalformedLinesNamingThem)
{
    struct Case {
        const char* text;
        const char* message;
    };
    const Case cases[] = {
        {"a = 1\nno separator\n", "catalogue line 2 has no \" = \""},
        {" = value\n", "catalogue line 1 has an empty key"},
        {"a = 1\n# c\na = 2\n", "catalogue line 3 repeats the key a"},
    };
    for (const auto& c : cases) {
        auto catalog = EmbeddedCatalog::parse("en-US", c.text);
        ASSERT_FALSE(catalog) << c.text;
        EXPECT_EQ(catalog.error().message, c.message);
    }
}

TEST(Catalog, RevisionGrowsWithEveryReplacement)
{
    auto& manager = I18nManager::instance();
    auto before = manager.revision();
    manager.set_catalog(*EmbeddedCatalog::parse("en-US", "k = v\n"));
    EXPECT_EQ(manager.revision(), before + 1);
    EXPECT_EQ(manager.t("k"), "v");
}

TEST(Permission, PermissiveGrantsAndDeniedRefuses)
{
    auto open = PermissionContext::permissive();
    auto closed = PermissionContext::denied();
    for (auto cap :
         {Capability::ReadWorkspace, Capability::ChangeWorkspace, Capability::UseMedia}) {
        EXPECT_TRUE(open.check(cap));
        EXPECT_FALSE(closed.check(cap));
    }
    open.revoke(Capability::ChangeWorkspace);
    EXPECT_FALSE(open.check(Capability::ChangeWorkspace));
    EXPECT_TRUE(open.check(Capability::ReadWorkspace));
}
