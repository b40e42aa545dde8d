#include "doc/seed.h"

#include "doc/record_writers.h"
#include "doc/schema.h"

#include <initializer_list>

namespace chat::doc {

namespace {

using actions::Attachment;
namespace attachment = actions::attachment;

struct Reaction {
    const char* emoji;
    std::initializer_list<const char*> users;
};

MessageRecord message(const char* id, const char* author, std::int64_t ts, const char* text,
                      std::initializer_list<Reaction> reactions = {})
{
    MessageRecord out;
    out.id = id;
    out.author = author;
    out.ts = ts;
    out.text = text;
    for (const auto& reaction : reactions) {
        ReactionGroup group{reaction.emoji, {}};
        for (const char* user : reaction.users)
            group.users.emplace_back(user);
        out.reactions.push_back(std::move(group));
    }
    return out;
}

// Sets the flag; false when it was already set.
bool claim_seed(Document& doc)
{
    if (is_seeded(doc))
        return false;
    (void)put_bool(doc, Document::root(), key::seeded, true);
    // Every root map exists once the document is seeded, so replicas that share it never create
    // one concurrently (the merge would keep only one of the two).
    for (auto collection : {key::workspaces, key::categories, key::channels, key::users,
                            key::messages, key::read, key::voice, key::drafts})
        ensure_map(doc, Document::root(), collection);
    return true;
}

void write_demo_people(Document& doc)
{
    const PersonRecord people[] = {
        {"u_me", "You", "YU", 0, false, Presence::Online},
        {"u_hana", "Hana Lowe", "HL", 1, false, Presence::Online},
        {"u_tomas", "Tomas Greer", "TG", 2, false, Presence::Idle},
        {"u_elin", "Elin Marsh", "EM", 3, false, Presence::Online},
        {"u_kofi", "Kofi Bright", "KB", 5, false, Presence::Dnd},
        {"u_nadia", "Nadia Forde", "NF", 6, false, Presence::Offline},
    };
    for (const auto& person : people)
        write_person(doc, person);
}

void write_demo_structure(Document& doc)
{
    const WorkspaceRecord workspaces[] = {
        {"ws_acme", "Acme Design", "AD", 0, 0},
        {"ws_ruvo", "Ruvo Core", "RC", 1, 1},
        {"ws_jam", "Weekend Jam", "WJ", 3, 2},
    };
    for (const auto& workspace : workspaces)
        write_workspace(doc, workspace);

    const CategoryRecord categories[] = {
        {"cat_acme_main", "ws_acme", "Channels", 0, false},
        {"cat_acme_voice", "ws_acme", "Voice", 1, false},
        {"cat_ruvo_eng", "ws_ruvo", "Engineering", 0, false},
        {"cat_ruvo_voice", "ws_ruvo", "Voice", 1, false},
        {"cat_jam_main", "ws_jam", "Hangout", 0, false},
    };
    for (const auto& category : categories)
        write_category(doc, category);

    struct Channel {
        const char* id;
        const char* workspace;
        const char* category;
        const char* name;
        const char* topic;
        bool voice;
        std::uint32_t order;
    };
    const Channel channels[] = {
        {"c_general", "ws_acme", "cat_acme_main", "general", "Company-wide announcements", false,
         0},
        {"c_crit", "ws_acme", "cat_acme_main", "design-crit", "Share work, get sharp feedback",
         false, 1},
        {"c_frontend", "ws_acme", "cat_acme_main", "frontend", "ui toolkit + app shells", false, 2},
        {"c_random", "ws_acme", "cat_acme_main", "random", "Off-topic & watercooler", false, 3},
        {"c_standup", "ws_acme", "cat_acme_voice", "Daily Standup", "", true, 0},
        {"c_huddle", "ws_acme", "cat_acme_voice", "Design Huddle", "", true, 1},
        {"c_kernel", "ws_ruvo", "cat_ruvo_eng", "kernel", "bootc + immutable base", false, 0},
        {"c_compositor", "ws_ruvo", "cat_ruvo_eng", "compositor", "2D clusters & sandboxing", false,
         1},
        {"c_fssync", "ws_ruvo", "cat_ruvo_eng", "fs-sync", "meshnet projection & hydration", false,
         2},
        {"c_releases", "ws_ruvo", "cat_ruvo_eng", "releases", "ship logs", false, 3},
        {"c_warroom", "ws_ruvo", "cat_ruvo_voice", "War Room", "", true, 0},
        {"c_ideas", "ws_jam", "cat_jam_main", "ideas", "weekend hacks", false, 0},
        {"c_music", "ws_jam", "cat_jam_main", "music", "now playing", false, 1},
    };
    for (const auto& c : channels) {
        ChannelRecord channel;
        channel.id = c.id;
        channel.workspace = c.workspace;
        channel.category = c.category;
        channel.name = c.name;
        channel.topic = c.topic;
        channel.voice = c.voice;
        channel.order = c.order;
        write_channel(doc, channel);
    }
}

void write_demo_call(Document& doc)
{
    struct State {
        const char* user;
        bool talking, muted, deafened, audio_only;
    };
    const State states[] = {
        {"u_hana", true, false, false, false},
        {"u_tomas", false, true, false, false},
        {"u_elin", false, false, false, true},
    };
    for (const auto& s : states) {
        join_call(doc, "c_huddle", s.user);
        set_call_state(doc, "c_huddle", s.user, s.talking, s.muted, s.deafened, s.audio_only);
    }
}

void write_demo_messages(Document& doc)
{
    MessageIdIndex ids;

    auto concept_message = message("m_concept", "u_hana", 1782471900,
                                   "Here's the frame — the host tile keeps the live camera, "
                                   "everyone else collapses to chips when they're "
                                   "audio-only.",
                                   {{"❤️", {"u_me", "u_elin", "u_tomas"}}, {"🔥", {"u_kofi"}}});
    concept_message.attachment =
        Attachment{attachment::Image{"call-overlay-v3.png", "ruvo-demo://call-grid", 640, 360}};

    auto kofi = message("m_kofi", "u_kofi", 1782473400,
                        "Dropping the transport notes here so they don't get lost.");
    kofi.attachment =
        Attachment{attachment::File{"moq-over-meshnet.md", "demo:moq-over-meshnet", 18944}};

    auto clip =
        message("m_clip", "u_elin", 1782473760,
                "Screen recording of the tile-promotion motion — this is the feel I'm after:",
                {{"🔥", {"u_me", "u_hana"}}});
    clip.attachment = Attachment{
        attachment::Video{"tile-promotion.webm", "demo:tile-promotion", 1280, 720, 6815744}};

    auto elin = message("m_elin", "u_elin", 1782475140,
                        "Wired the screen-share stage — whoever presents gets a big featured tile "
                        "and everyone else "
                        "drops to the filmstrip beneath it. Reads really cleanly.",
                        {{"🚀", {"u_me", "u_hana", "u_tomas", "u_kofi"}}, {"👀", {"u_nadia"}}});
    elin.edited = true;
    elin.history.push_back({"Wired up screen-share — the presenter gets a featured tile, everyone "
                            "else goes to a filmstrip.",
                            1782475020});

    const MessageRecord conversation[] = {
        message("m_open", "u_hana", 1782471840,
                "Morning! Pushed the new call overlay mock — pulling tiles into a 2x2 grid reads "
                "way calmer than the "
                "old filmstrip.",
                {{"🎉", {"u_me", "u_tomas"}}}),
        concept_message,
        message("m_me1", "u_me", 1782472140,
                "Love it. One ask: can the 'follow the host' affordance live on the host tile "
                "itself instead of the "
                "controls bar?"),
        message("m_tomas", "u_tomas", 1782472560,
                "+1 — and we should read every colour from the OS theme so it matches whatever the "
                "cluster is themed "
                "to.",
                {{"👍", {"u_me", "u_hana"}}}),
        kofi,
        clip,
        elin,
        message("m_me2", "u_me", 1782475320,
                "That's the one. Starting a huddle to walk through the grid — jump in."),
    };
    for (const auto& m : conversation)
        write_message(doc, "c_crit", m, ids);

    MessageRecord replies[] = {
        message("", "u_tomas", 1782472020,
                "Should the chips show a mic-level ring when someone's talking?"),
        message("", "u_hana", 1782472080,
                "Yeah — a thin accent ring that pulses. I'll spec the motion token.",
                {{"👍", {"u_me"}}}),
        message("", "u_me", 1782472200, "Perfect, that keeps the audio-only state legible."),
    };
    for (auto& reply : replies) {
        reply.parent = "m_concept";
        insert_message_with_new_id(doc, "c_crit", reply, ids);
    }

    insert_message_with_new_id(doc, "c_general",
                               message("", "u_nadia", 1782464400,
                                       "Welcome to Acme Design on Ruvo 👋 Channels relate to the "
                                       "workspace you're standing in — switch "
                                       "workspaces from the rail on the left.",
                                       {{"👋", {"u_me", "u_hana", "u_tomas"}}}),
                               ids);
}

} // namespace

bool is_seeded(const Document& doc)
{
    return get_bool(doc, Document::root(), key::seeded).value_or(false);
}

void seed_starter(Document& doc, const PersonRecord& local_person)
{
    if (!claim_seed(doc))
        return;
    PersonRecord person = local_person;
    person.presence = Presence::Online;
    write_person(doc, person);
    write_workspace(doc, {"ws_home", "My Workspace", "MW", 0, 0});
    write_category(doc, {"cat_home_text", "ws_home", "Channels", 0, false});
    write_category(doc, {"cat_home_voice", "ws_home", "Voice", 1, false});
    ChannelRecord general;
    general.id = "c_general";
    general.workspace = "ws_home";
    general.category = "cat_home_text";
    general.name = "general";
    write_channel(doc, general);
    ChannelRecord lounge;
    lounge.id = "c_lounge";
    lounge.workspace = "ws_home";
    lounge.category = "cat_home_voice";
    lounge.name = "Lounge";
    lounge.voice = true;
    write_channel(doc, lounge);
}

void seed_demo(Document& doc)
{
    if (!claim_seed(doc))
        return;
    write_demo_people(doc);
    write_demo_structure(doc);
    write_demo_call(doc);
    write_demo_messages(doc);
}

} // namespace chat::doc
