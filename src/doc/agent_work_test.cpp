#include "actions/record_codec.h"
#include "doc/agent_work_store.h"
#include "doc/apply_test_support.h"

#include <gtest/gtest.h>

namespace {

using namespace chat::doc;
using namespace chat::actions;
using chat::doc::testing::Workspace;

AgentStep step(const char* id, std::uint64_t sequence,
               AgentStepOutcome outcome = step_outcome::Applied{})
{
    return AgentStep{id, sequence, std::string("chat.channel:") + id, std::string("label ") + id,
                     outcome};
}

AgentWork work_with(std::vector<AgentStep> trace)
{
    return AgentWork{work_state::Doing{"looked", "channels"}, 50,
                     AgentReasoning{ReasoningRoute::Floor, "asked"}, std::move(trace)};
}

TEST(SetAgentWork, StoresTheWorkAndRewritesNothingWhenEqual)
{
    Workspace w;
    const auto work = work_with({step("s1", 1), step("s2", 2, step_outcome::Refused{"no"})});
    EXPECT_TRUE(w.changes(SetAgentWork{"c_a", "m_root", work, std::nullopt}));

    auto m = *w.message("c_a", "m_root");
    auto stored = *get_map(w.doc, m, "work");
    EXPECT_EQ(get_str(w.doc, stored, "transition"),
              to_json(StoredAgentTransition{work.state, work.since}));
    EXPECT_EQ(get_str(w.doc, stored, "reasoning"), to_json(*work.reasoning));
    auto s2 = *get_map(w.doc, *get_map(w.doc, stored, "trace"), "s2");
    EXPECT_EQ(get_bool(w.doc, s2, "present"), true);
    EXPECT_EQ(get_i64(w.doc, s2, "sequence"), 2);
    EXPECT_EQ(get_str(w.doc, s2, "resource"), "chat.channel:s2");
    EXPECT_EQ(get_str(w.doc, s2, "outcome"),
              to_json(AgentStepOutcome{step_outcome::Refused{"no"}}));
    EXPECT_EQ(read_agent_work(w.doc, m), work);

    EXPECT_FALSE(w.changes(SetAgentWork{"c_a", "m_root", work, std::nullopt}));
    EXPECT_FALSE(w.changes(SetAgentWork{"c_a", "m_gone", work, std::nullopt}));

    // No reasoning is stored as the JSON null.
    auto plain = work;
    plain.reasoning.reset();
    w.apply(SetAgentWork{"c_a", "m_root", plain, std::nullopt});
    EXPECT_EQ(get_str(w.doc, stored, "reasoning"), "null");
    EXPECT_EQ(read_agent_work(w.doc, m), plain);
}

TEST(SetAgentWork, DroppedStepsStayMarkedAbsentAndChangedStepsAreRewritten)
{
    Workspace w;
    w.apply(SetAgentWork{"c_a", "m_root", work_with({step("s1", 1), step("s2", 2)}), std::nullopt});
    auto changed = step("s1", 7);
    changed.label = "relabelled";
    const auto later = work_with({changed, step("", 3)});
    w.apply(SetAgentWork{"c_a", "m_root", later, std::nullopt});

    auto m = *w.message("c_a", "m_root");
    auto trace = *get_map(w.doc, *get_map(w.doc, m, "work"), "trace");
    EXPECT_EQ(w.doc.keys(trace), (std::vector<std::string>{"s1", "s2"}))
        << "steps without id are not stored";
    EXPECT_EQ(get_bool(w.doc, *get_map(w.doc, trace, "s2"), "present"), false);
    EXPECT_EQ(get_str(w.doc, *get_map(w.doc, trace, "s2"), "label"), "label s2");
    EXPECT_EQ(read_agent_work(w.doc, m), work_with({changed}));
}

TEST(SetAgentWork, SayFillsOnlyAnEmptyText)
{
    Workspace w;
    w.apply(Workspace::send("c_b", "m_empty", ""));
    const auto work = work_with({});
    w.apply(SetAgentWork{"c_a", "m_root", work, "spoken"});
    EXPECT_EQ(get_text(w.doc, *w.message("c_a", "m_root"), "text"), "root");
    w.apply(SetAgentWork{"c_b", "m_empty", work, ""});
    EXPECT_EQ(get_text(w.doc, *w.message("c_b", "m_empty"), "text"), "");
    w.apply(SetAgentWork{"c_b", "m_empty", work, "spoken"});
    EXPECT_EQ(get_text(w.doc, *w.message("c_b", "m_empty"), "text"), "spoken");
    EXPECT_FALSE(w.changes(SetAgentWork{"c_b", "m_empty", work, "again"}));
}

TEST(ReadAgentWork, AcceptsTheOlderShapes)
{
    Document doc;
    auto message = ensure_map(doc, Document::root(), "m");
    auto work = ensure_map(doc, message, "work");
    auto state = ensure_map(doc, work, "state");
    ASSERT_TRUE(put_str(doc, state, "kind", "waiting"));
    ASSERT_TRUE(put_str(doc, state, "app", "files"));
    ASSERT_TRUE(put_i64(doc, state, "since", 9));
    auto reasoning = ensure_map(doc, work, "reasoning");
    ASSERT_TRUE(put_bool(doc, reasoning, "present", true));
    ASSERT_TRUE(put_str(doc, reasoning, "route", "model"));
    ASSERT_TRUE(put_str(doc, reasoning, "why", "because"));
    auto trace = ensure_map(doc, work, "trace");
    struct Step {
        const char* key;
        const char* outcome;
        bool present;
        std::int64_t sequence;
    };
    const Step steps[] = {
        {"12345678", "applied", true, 3},
        {"1234567", "refused", true, 2},
        {"123456789", "{\"outcome\":\"no_change\"}", true, 1},
        {"gone", "asked", false, 0},
        {"odd", "exploded", true, 0},
        {"negative", "asked", true, -5},
    };
    for (const auto& s : steps) {
        auto map = ensure_map(doc, trace, s.key);
        ASSERT_TRUE(put_str(doc, map, "outcome", s.outcome));
        ASSERT_TRUE(put_bool(doc, map, "present", s.present));
        ASSERT_TRUE(put_i64(doc, map, "sequence", s.sequence));
        ASSERT_TRUE(put_str(doc, map, "why", "nope"));
    }
    ASSERT_TRUE(put_str(doc, trace, "scalar", "not a step"));

    auto read = read_agent_work(doc, message);
    ASSERT_TRUE(read);
    EXPECT_EQ(read->state, AgentWorkState{work_state::Waiting{"files"}});
    EXPECT_EQ(read->since, 9);
    EXPECT_EQ(read->reasoning, (AgentReasoning{ReasoningRoute::Model, "because"}));
    std::vector<std::string> ids;
    for (const auto& s : read->trace)
        ids.push_back(s.id);
    EXPECT_EQ(ids, (std::vector<std::string>{"negative", "123456789", "1234567",
                                             "legacy_step_12345678"}));
    EXPECT_EQ(read->trace[2].outcome, AgentStepOutcome{step_outcome::Refused{"nope"}});
    EXPECT_EQ(read->trace[0].sequence, 0u);

    // A broken transition falls back to the state map; an unknown kind means no work at all.
    ASSERT_TRUE(put_str(doc, work, "transition", "{broken"));
    EXPECT_TRUE(read_agent_work(doc, message));
    ASSERT_TRUE(put_str(doc, state, "kind", "dancing"));
    EXPECT_FALSE(read_agent_work(doc, message));
    ASSERT_TRUE(
        put_str(doc, work, "transition", to_json(StoredAgentTransition{work_state::Taken{}, 1})));
    ASSERT_TRUE(put_str(doc, reasoning, "route", "elsewhere"));
    auto fresh = read_agent_work(doc, message);
    ASSERT_TRUE(fresh);
    EXPECT_EQ(fresh->reasoning, std::nullopt);
}

} // namespace
