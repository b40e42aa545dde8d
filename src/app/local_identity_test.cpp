#include "app/local_identity.h"

#include <fstream>
#include <map>

#include <gtest/gtest.h>

#include "doc/access.h"
#include "platform/util/file.h"
#include "platform/util/hex.h"
#include "platform/util/random.h"

namespace {

namespace fs = std::filesystem;
using chat::app::Identity;
using chat::app::IdentitySources;

identity::xdg::Environment fake(std::map<std::string, std::string> values)
{
    return identity::xdg::fixed_environment(std::move(values));
}

class TempDir {
public:
    TempDir()
        : path(fs::temp_directory_path() / ("identity-test-" + util::uuid_v4_hex()))
    {
        fs::create_directories(path);
    }
    ~TempDir() { fs::remove_all(path); }
    fs::path path;
};

class FakeBroker final : public identity::IdentityBroker {
public:
    util::Result<identity::BrokerIdentity> result;
    util::Result<identity::BrokerIdentity> current_identity() override { return result; }
};

std::string file_text(const fs::path& path)
{
    auto bytes = util::read_file(path).value();
    return std::string(bytes.begin(), bytes.end());
}

TEST(LocalIdentity, Fnv1aMatchesItsReferenceValues)
{
    EXPECT_EQ(chat::app::fnv1a(""), 0xcbf29ce484222325ull);
    EXPECT_EQ(chat::app::fnv1a("a"), 0xaf63dc4c8601ec8cull);
    EXPECT_EQ(chat::app::fnv1a("foobar"), 0x85944171f73967e8ull);
}

TEST(LocalIdentity, DisplayNamesFromUserNames)
{
    struct Case {
        std::map<std::string, std::string> env;
        const char* expected;
    };
    const Case cases[] = {
        {{{"USER", "ada.lovelace-dev"}}, "Ada Lovelace Dev"},
        {{{"USER", "ada_lovelace_dev"}}, "Ada Lovelace Dev"},
        {{{"USER", "a_word"}}, "A Word"},
        {{{"USER", "  grace  hopper "}}, "Grace Hopper"},
        {{{"USER", "\xc3\xa9lodie"}}, "\xc3\x89lodie"},
        {{{"USERNAME", "linus"}}, "Linus"},
        {{{"USER", "   "}, {"USERNAME", "bob"}}, "Bob"},
        {{{"USER", "._-"}}, "You"},
        {{}, "You"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.expected);
        EXPECT_EQ(chat::app::default_display_name(fake(c.env)), c.expected);
    }
}

TEST(LocalIdentity, InitialsFallBackToY)
{
    EXPECT_EQ(chat::app::initials_of(""), "Y");
    EXPECT_EQ(chat::app::initials_of("   "), "Y");
    EXPECT_FALSE(chat::app::initials_of("Ada Lovelace").empty());
}

TEST(LocalIdentity, PeerIdFileIsWrittenOnFirstStartAndReusedAfter)
{
    TempDir dir;
    IdentitySources sources;
    sources.chat_data_dir = dir.path / "chat";
    sources.env = fake({{"USER", "ada"}});
    auto first = chat::app::load_identity(sources);
    EXPECT_TRUE(first.person_id.starts_with("u_"));
    EXPECT_EQ(first.person_id.size(), 34u);
    EXPECT_EQ(file_text(dir.path / "chat" / "peer-id"), first.person_id); // no line break
    EXPECT_EQ(first.display_name, "Ada");
    EXPECT_EQ(first.color_index, chat::app::fnv1a(first.person_id) & 7);

    auto second = chat::app::load_identity(sources);
    EXPECT_EQ(second, first);
}

TEST(LocalIdentity, PeerIdFileIsTrimmed)
{
    TempDir dir;
    std::ofstream(dir.path / "peer-id") << "  u_abc123 \n";
    IdentitySources sources;
    sources.chat_data_dir = dir.path;
    sources.env = fake({});
    EXPECT_EQ(chat::app::load_identity(sources).person_id, "u_abc123");
}

TEST(LocalIdentity, UnwritableDataDirectoryFallsBackToTheMachine)
{
    TempDir dir;
    std::ofstream(dir.path / "file") << "x";
    IdentitySources sources;
    sources.chat_data_dir = dir.path / "file" / "chat";
    sources.env = fake({{"USER", "ada"}, {"HOSTNAME", "box"}});
    auto identity = chat::app::load_identity(sources);
    EXPECT_EQ(identity.person_id, fmt::format("u_{:016x}", chat::app::fnv1a("ada@box")));
    EXPECT_EQ(identity.color_index, chat::app::fnv1a(identity.person_id) & 7);
}

TEST(LocalIdentity, MachineFallbackReadsTheHostnameFileAndIsRandomWithoutNames)
{
    TempDir dir;
    std::ofstream(dir.path / "hostname") << " lab-7\n";
    IdentitySources sources;
    sources.hostname_file = dir.path / "hostname";
    sources.env = fake({{"USERNAME", "grace"}, {"HOSTNAME", ""}});
    EXPECT_EQ(chat::app::load_identity(sources).person_id, fmt::format("u_{:016x}", chat::app::fnv1a("grace@lab-7")));

    sources.hostname_file = dir.path / "missing";
    sources.env = fake({});
    auto a = chat::app::load_identity(sources);
    auto b = chat::app::load_identity(sources);
    EXPECT_NE(a.person_id, b.person_id);
    EXPECT_EQ(a.person_id.size(), 34u);
    EXPECT_EQ(a.display_name, "You");
}

TEST(LocalIdentity, BrokerIdentityWinsAndItsErrorsFallThrough)
{
    TempDir dir;
    FakeBroker broker;
    identity::BrokerIdentity found;
    found.display_name = "  ";
    for (std::size_t i = 0; i < 32; ++i)
        found.public_key[i] = static_cast<std::uint8_t>(i * 7 + 1);
    broker.result = found;
    IdentitySources sources;
    sources.broker = &broker;
    sources.chat_data_dir = dir.path;
    sources.env = fake({{"USER", "ada"}});
    auto identity = chat::app::load_identity(sources);
    EXPECT_EQ(identity.person_id, "u_" + util::to_hex(std::span(found.public_key).first(8)));
    EXPECT_EQ(identity.display_name, "Ada");
    EXPECT_EQ(identity.color_index, chat::app::fnv1a(found.public_key) & 7);
    EXPECT_FALSE(fs::exists(dir.path / "peer-id"));

    broker.result = util::fail("no broker session");
    EXPECT_NE(chat::app::load_identity(sources).person_id, identity.person_id);
    EXPECT_TRUE(fs::exists(dir.path / "peer-id"));
}

} // namespace

namespace {

TEST(LocalIdentity, RefreshWritesOnlyWhatChangedAndRestoresTheStatus)
{
    crdt::Document doc;
    Identity me{"u_ada", "Ada", "AD", 3};
    EXPECT_TRUE(chat::app::refresh_local_person(doc, me));
    doc.commit();
    EXPECT_FALSE(chat::app::refresh_local_person(doc, me));
    EXPECT_EQ(doc.pending_ops(), 0u);

    auto users = chat::doc::get_map(doc, crdt::root, "users").value();
    auto person = chat::doc::get_map(doc, users, "u_ada").value();
    ASSERT_TRUE(chat::doc::put_str(doc, person, "status", "dnd")); // another peer's write
    doc.commit();
    EXPECT_TRUE(chat::app::refresh_local_person(doc, me));
    EXPECT_EQ(chat::doc::get_str(doc, person, "status"), "online");
    EXPECT_EQ(chat::doc::get_str(doc, person, "name"), "Ada");
    EXPECT_EQ(chat::doc::get_i64(doc, person, "color_idx"), 3);
}

} // namespace
