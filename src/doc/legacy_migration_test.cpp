#include "doc/legacy_migration.h"

#include <gtest/gtest.h>

#include "doc/access.h"

namespace {

using namespace chat::doc;

struct Fixture {
    crdt::Document doc;
    ObjId messages = ensure_map(doc, crdt::root, "messages");

    ObjId add_attachment(std::string_view channel, std::optional<std::string> blob, std::optional<crdt::Scalar> path)
    {
        auto list = ensure_list(doc, messages, channel);
        auto message = append_map(doc, list).value();
        auto attachment = put_object(doc, message, "attachment", crdt::ObjType::Map).value();
        EXPECT_TRUE(put_str(doc, attachment, "kind", "image"));
        if (blob) {
            EXPECT_TRUE(put_str(doc, attachment, "blob", *blob));
        }
        if (path) {
            EXPECT_TRUE(doc.put(attachment, "path", *path));
        }
        return attachment;
    }
};

TEST(LegacyMigration, MovesOnlyShortDemoReferencesFromAnEmptyBlob)
{
    Fixture f;
    auto demo = f.add_attachment("c_a", "", crdt::Scalar(std::string("ruvo-demo://call-grid")));
    auto absent_blob = f.add_attachment("c_a", std::nullopt, crdt::Scalar(std::string("ruvo-demo://shared-shot")));
    auto local = f.add_attachment("c_a", "", crdt::Scalar(std::string("/home/ada/shot.png")));
    auto has_blob = f.add_attachment("c_a", "abc", crdt::Scalar(std::string("ruvo-demo://call-grid")));
    auto long_path = f.add_attachment("c_a", "", crdt::Scalar("ruvo-demo://" + std::string(245, 'x')));
    auto not_string = f.add_attachment("c_a", "", crdt::Scalar(std::int64_t(5)));

    EXPECT_EQ(migrate_legacy_attachments(f.doc), 2u);
    EXPECT_EQ(get_str(f.doc, demo, "blob"), "ruvo-demo://call-grid");
    EXPECT_EQ(f.doc.get(demo, "path"), std::nullopt);
    EXPECT_EQ(get_str(f.doc, absent_blob, "blob"), "ruvo-demo://shared-shot");
    for (auto untouched : {local, long_path, not_string})
        EXPECT_EQ(get_str(f.doc, untouched, "blob"), "");
    EXPECT_EQ(get_str(f.doc, has_blob, "blob"), "abc");
    EXPECT_EQ(get_str(f.doc, local, "path"), "/home/ada/shot.png");
}

TEST(LegacyMigration, FortyCandidatesTakeTwoRuns)
{
    Fixture f;
    for (int i = 0; i < 40; ++i)
        f.add_attachment(i % 2 ? "c_b" : "c_a", "", crdt::Scalar(std::string("ruvo-demo://call-grid")));
    EXPECT_EQ(migrate_legacy_attachments(f.doc), 32u);
    EXPECT_EQ(migrate_legacy_attachments(f.doc), 8u);
    EXPECT_EQ(migrate_legacy_attachments(f.doc), 0u);
}

TEST(LegacyMigration, MessageLimitIsSharedAcrossChannels)
{
    Fixture f;
    for (int i = 0; i < 200; ++i)
        f.add_attachment("c_a", "x", std::nullopt); // not candidates, but they count as visited
    for (int i = 0; i < 100; ++i)
        f.add_attachment("c_b", "", crdt::Scalar(std::string("ruvo-demo://call-grid")));
    EXPECT_EQ(migrate_legacy_attachments(f.doc), 32u);
    EXPECT_EQ(migrate_legacy_attachments(f.doc), 24u); // the 56 within the first 256 messages
    EXPECT_EQ(migrate_legacy_attachments(f.doc), 0u);
}

} // namespace
