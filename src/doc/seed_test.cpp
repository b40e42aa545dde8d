#include "doc/message_lookup.h"
#include "doc/schema.h"
#include "doc/seed.h"

#include <gtest/gtest.h>
#include <regex>

namespace {

using namespace chat::doc;

const PersonRecord local{"u_0123456789abcdef", "Ada Lovelace", "AL", 4, false, Presence::Idle};

std::optional<ObjId> entry(const Document& doc, std::string_view collection, std::string_view id)
{
    auto parent = get_map(doc, Document::root(), collection);
    return parent ? get_map(doc, *parent, id) : std::nullopt;
}

std::vector<std::string> ids_of(const Document& doc, std::string_view channel)
{
    std::vector<std::string> out;
    auto list = get_list(doc, *get_map(doc, Document::root(), key::messages), channel);
    for (std::size_t i = 0; list && i < doc.length(*list); ++i)
        out.push_back(get_str(doc, *get_map_at(doc, *list, i), "id").value_or(""));
    return out;
}

TEST(Seed, ASeededDocumentIsLeftAlone)
{
    Document doc;
    ASSERT_TRUE(put_bool(doc, Document::root(), key::seeded, true));
    const auto dump = doc.canonical_dump();
    for (int frame = 0; frame < 3; ++frame) {
        seed_starter(doc, local);
        seed_demo(doc);
    }
    EXPECT_EQ(doc.canonical_dump(), dump);

    Document demo;
    seed_demo(demo);
    demo.commit();
    const auto heads = demo.get_heads();
    seed_demo(demo);
    seed_starter(demo, local);
    EXPECT_EQ(demo.pending_ops(), 0u);
    EXPECT_EQ(demo.get_heads(), heads);
}

TEST(Seed, StarterHoldsTheLocalPersonAndTwoChannels)
{
    Document doc;
    seed_starter(doc, local);
    EXPECT_TRUE(is_seeded(doc));

    auto person = *entry(doc, key::users, local.id);
    EXPECT_EQ(get_str(doc, person, "name"), "Ada Lovelace");
    EXPECT_EQ(get_str(doc, person, "initials"), "AL");
    EXPECT_EQ(get_i64(doc, person, "color_idx"), 4);
    EXPECT_EQ(get_str(doc, person, "status"), "online");
    EXPECT_FALSE(doc.get(person, "agent"));

    auto ws = *entry(doc, key::workspaces, "ws_home");
    EXPECT_EQ(get_str(doc, ws, "name"), "My Workspace");
    EXPECT_EQ(get_str(doc, ws, "glyph"), "MW");
    EXPECT_EQ(get_i64(doc, ws, "order"), 0);
    EXPECT_EQ(get_str(doc, *entry(doc, key::categories, "cat_home_text"), "name"), "Channels");
    EXPECT_EQ(get_i64(doc, *entry(doc, key::categories, "cat_home_voice"), "order"), 1);

    struct Case {
        const char* id;
        const char* category;
        const char* name;
        const char* kind;
    };
    for (const Case c : {Case{"c_general", "cat_home_text", "general", "text"},
                         Case{"c_lounge", "cat_home_voice", "Lounge", "voice"}}) {
        SCOPED_TRACE(c.id);
        auto channel = *entry(doc, key::channels, c.id);
        EXPECT_EQ(get_str(doc, channel, "workspace"), "ws_home");
        EXPECT_EQ(get_str(doc, channel, "category"), c.category);
        EXPECT_EQ(get_str(doc, channel, "name"), c.name);
        EXPECT_EQ(get_str(doc, channel, "topic"), "");
        EXPECT_EQ(get_str(doc, channel, "kind"), c.kind);
        EXPECT_EQ(get_i64(doc, channel, "order"), 0);
        EXPECT_FALSE(doc.get(channel, "archived"));
    }
    EXPECT_EQ(doc.keys(*get_map(doc, Document::root(), key::channels)).size(), 2u);
}

TEST(Seed, DemoHoldsItsConversationCallAndChannels)
{
    Document doc;
    seed_demo(doc);
    EXPECT_EQ(doc.keys(*get_map(doc, Document::root(), key::users)).size(), 6u);
    EXPECT_EQ(get_str(doc, *entry(doc, key::users, "u_kofi"), "status"), "dnd");
    EXPECT_EQ(get_i64(doc, *entry(doc, key::users, "u_kofi"), "color_idx"), 5);
    EXPECT_EQ(get_str(doc, *entry(doc, key::workspaces, "ws_jam"), "glyph"), "WJ");
    EXPECT_EQ(get_i64(doc, *entry(doc, key::workspaces, "ws_jam"), "color_idx"), 3);
    EXPECT_EQ(doc.keys(*get_map(doc, Document::root(), key::categories)).size(), 5u);
    EXPECT_EQ(doc.keys(*get_map(doc, Document::root(), key::channels)).size(), 13u);
    auto fssync = *entry(doc, key::channels, "c_fssync");
    EXPECT_EQ(get_str(doc, fssync, "name"), "fs-sync");
    EXPECT_EQ(get_str(doc, fssync, "topic"), "meshnet projection & hydration");
    EXPECT_EQ(get_i64(doc, fssync, "order"), 2);
    EXPECT_EQ(get_str(doc, *entry(doc, key::channels, "c_warroom"), "kind"), "voice");

    auto huddle = *entry(doc, key::voice, "c_huddle");
    EXPECT_EQ(doc.keys(huddle), (std::vector<std::string>{"u_elin", "u_hana", "u_tomas"}));
    auto hana = *get_map(doc, huddle, "u_hana");
    EXPECT_EQ(get_bool(doc, hana, "talking"), true);
    EXPECT_EQ(get_bool(doc, hana, "sharing"), false);
    EXPECT_EQ(get_bool(doc, *get_map(doc, huddle, "u_tomas"), "muted"), true);
    EXPECT_EQ(get_bool(doc, *get_map(doc, huddle, "u_elin"), "audio_only"), true);

    auto crit = ids_of(doc, "c_crit");
    ASSERT_EQ(crit.size(), 11u);
    EXPECT_EQ(std::vector(crit.begin(), crit.begin() + 8),
              (std::vector<std::string>{"m_open", "m_concept", "m_me1", "m_tomas", "m_kofi",
                                        "m_clip", "m_elin", "m_me2"}));
    const std::regex generated("m_[0-9a-f]{32}");
    for (std::size_t i = 8; i < 11; ++i) {
        EXPECT_TRUE(std::regex_match(crit[i], generated)) << crit[i];
        EXPECT_EQ(get_str(doc, find_message(doc, "c_crit", crit[i])->map, "parent"), "m_concept");
    }
    auto general = ids_of(doc, "c_general");
    ASSERT_EQ(general.size(), 1u);
    EXPECT_TRUE(std::regex_match(general[0], generated));

    auto elin = find_message(doc, "c_crit", "m_elin")->map;
    EXPECT_EQ(get_bool(doc, elin, "edited"), true);
    auto history = *get_map_at(doc, *get_list(doc, elin, "history"), 0);
    EXPECT_EQ(get_i64(doc, history, "ts"), 1782475020);
    EXPECT_EQ(doc.length(*get_list(doc, elin, "reactions")), 5u);

    auto concept_message = find_message(doc, "c_crit", "m_concept")->map;
    auto image = *get_map(doc, concept_message, "attachment");
    EXPECT_EQ(get_str(doc, image, "kind"), "image");
    EXPECT_EQ(get_str(doc, image, "blob"), "ruvo-demo://call-grid");
    EXPECT_EQ(get_i64(doc, image, "w"), 640);
    auto first_reaction = *get_map_at(doc, *get_list(doc, concept_message, "reactions"), 0);
    EXPECT_EQ(get_str(doc, first_reaction, "emoji"), "\u2764\uFE0F");
    auto clip = *get_map(doc, find_message(doc, "c_crit", "m_clip")->map, "attachment");
    EXPECT_EQ(get_i64(doc, clip, "size"), 6815744);
    auto kofi = *get_map(doc, find_message(doc, "c_crit", "m_kofi")->map, "attachment");
    EXPECT_EQ(get_str(doc, kofi, "kind"), "file");
    EXPECT_EQ(get_i64(doc, kofi, "size"), 18944);
    EXPECT_FALSE(doc.get(kofi, "w"));
}

TEST(Seed, TwoDemoSeedsDifferOnlyInTheGeneratedIds)
{
    auto normalised = [] {
        Document doc;
        seed_demo(doc);
        std::string dump = doc.canonical_dump();
        const std::regex generated("m_[0-9a-f]{32}");
        const auto found = std::distance(std::sregex_iterator(dump.begin(), dump.end(), generated),
                                         std::sregex_iterator());
        EXPECT_EQ(found, 4);
        return std::regex_replace(dump, generated, "m_generated");
    };
    EXPECT_EQ(normalised(), normalised());
}

} // namespace
