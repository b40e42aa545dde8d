#include "doc/agent_work_store.h"

#include "actions/record_codec.h"

#include <algorithm>
#include <cctype>
#include <limits>
#include <set>
#include <string>

namespace chat::doc {

namespace {

using namespace chat::actions;

std::optional<AgentWorkState> read_legacy_state(const Document& doc, const ObjId& state)
{
    auto kind = get_str(doc, state, "kind").value_or("");
    auto field = [&](const char* name) { return get_str(doc, state, name).value_or(""); };
    if (kind == "taken")
        return work_state::Taken{};
    if (kind == "waiting")
        return work_state::Waiting{field("app")};
    if (kind == "doing")
        return work_state::Doing{field("did"), field("about")};
    if (kind == "done")
        return work_state::Done{field("did")};
    if (kind == "refused")
        return work_state::Refused{};
    return std::nullopt;
}

std::optional<AgentReasoning> read_reasoning(const Document& doc, const ObjId& work)
{
    if (auto text = get_str(doc, work, "reasoning")) {
        auto parsed = from_json<AgentReasoning>(*text);
        if (!parsed)
            return std::nullopt;
        return *parsed;
    }
    auto legacy = get_map(doc, work, "reasoning");
    if (!legacy || get_bool(doc, *legacy, "present") != true)
        return std::nullopt;
    auto route = get_str(doc, *legacy, "route");
    AgentReasoning reasoning;
    if (route == "model")
        reasoning.route = ReasoningRoute::Model;
    else if (route == "floor")
        reasoning.route = ReasoningRoute::Floor;
    else
        return std::nullopt;
    reasoning.why = get_str(doc, *legacy, "why").value_or("");
    return reasoning;
}

std::optional<AgentStepOutcome> read_outcome(const Document& doc, const ObjId& step)
{
    auto text = get_str(doc, step, "outcome");
    if (!text)
        return std::nullopt;
    if (auto parsed = from_json<AgentStepOutcome>(*text))
        return *parsed;
    if (*text == "asked")
        return step_outcome::Asked{};
    if (*text == "applied")
        return step_outcome::Applied{};
    if (*text == "no_change")
        return step_outcome::NoChange{};
    if (*text == "refused")
        return step_outcome::Refused{get_str(doc, step, "why").value_or("")};
    return std::nullopt;
}

bool is_legacy_step_key(std::string_view key)
{
    return key.size() == 8 &&
           std::all_of(key.begin(), key.end(), [](char c) { return c >= '0' && c <= '9'; });
}

std::int64_t stored_u64(std::uint64_t value)
{
    constexpr auto max = std::uint64_t(std::numeric_limits<std::int64_t>::max());
    return std::int64_t(std::min(value, max));
}

const AgentStep* find_step(const std::optional<AgentWork>& work, std::string_view id)
{
    if (!work)
        return nullptr;
    for (const auto& step : work->trace) {
        if (step.id == id)
            return &step;
    }
    return nullptr;
}

} // namespace

std::optional<AgentWork> read_agent_work(const Document& doc, const ObjId& message)
{
    auto work_map = get_map(doc, message, "work");
    if (!work_map)
        return std::nullopt;

    AgentWork work;
    std::optional<StoredAgentTransition> transition;
    if (auto text = get_str(doc, *work_map, "transition")) {
        if (auto parsed = from_json<StoredAgentTransition>(*text))
            transition = std::move(*parsed);
    }
    if (transition) {
        work.state = std::move(transition->state);
        work.since = transition->since;
    } else {
        auto state_map = get_map(doc, *work_map, "state");
        if (!state_map)
            return std::nullopt;
        auto state = read_legacy_state(doc, *state_map);
        if (!state)
            return std::nullopt;
        work.state = std::move(*state);
        work.since = get_i64(doc, *state_map, "since").value_or(0);
    }
    work.reasoning = read_reasoning(doc, *work_map);

    if (auto trace = get_map(doc, *work_map, "trace")) {
        for (const auto& step_key : doc.keys(*trace)) {
            auto step_map = get_map(doc, *trace, step_key);
            if (!step_map || get_bool(doc, *step_map, "present") != true)
                continue;
            auto outcome = read_outcome(doc, *step_map);
            if (!outcome)
                continue;
            AgentStep step;
            step.id = is_legacy_step_key(step_key) ? "legacy_step_" + step_key : step_key;
            step.sequence = std::uint64_t(
                std::max<std::int64_t>(0, get_i64(doc, *step_map, "sequence").value_or(0)));
            step.resource = get_str(doc, *step_map, "resource").value_or("");
            step.label = get_str(doc, *step_map, "label").value_or("");
            step.outcome = std::move(*outcome);
            work.trace.push_back(std::move(step));
        }
        std::stable_sort(work.trace.begin(), work.trace.end(),
                         [](const AgentStep& a, const AgentStep& b) {
                             if (a.sequence != b.sequence)
                                 return a.sequence < b.sequence;
                             return a.id < b.id;
                         });
    }
    return work;
}

void write_agent_work(Document& doc, const ObjId& message, const AgentWork& work)
{
    const auto stored = read_agent_work(doc, message);
    const auto work_map = ensure_map(doc, message, "work");

    if (!stored || stored->state != work.state || stored->since != work.since)
        (void)put_str(doc, work_map, "transition",
                      to_json(StoredAgentTransition{work.state, work.since}));
    if (!stored || stored->reasoning != work.reasoning) {
        const std::string reasoning =
            work.reasoning ? to_json(*work.reasoning) : std::string("null");
        (void)put_str(doc, work_map, "reasoning", reasoning);
    }

    const auto trace = ensure_map(doc, work_map, "trace");
    std::set<std::string, std::less<>> current;
    for (const auto& step : work.trace) {
        if (step.id.empty())
            continue;
        current.insert(step.id);
        const AgentStep* before = find_step(stored, step.id);
        if (before && *before == step)
            continue;
        const auto step_map = ensure_map(doc, trace, step.id);
        update_bool(doc, step_map, "present", true);
        // A step that comes back changed is brought up to date too, so what reads back is
        // always the trace last set.
        update_i64(doc, step_map, "sequence", stored_u64(step.sequence));
        update_str(doc, step_map, "resource", step.resource);
        update_str(doc, step_map, "label", step.label);
        if (!before || before->outcome != step.outcome)
            update_str(doc, step_map, "outcome", to_json(step.outcome));
    }
    for (const auto& step_key : doc.keys(trace)) {
        if (current.contains(step_key))
            continue;
        if (auto step_map = get_map(doc, trace, step_key))
            update_bool(doc, *step_map, "present", false);
    }
}

} // namespace chat::doc
