#pragma once
// The progress card an automated agent attaches to a message: its state, its reasoning and the
// trace of steps it took. Plain values that own their strings; usable on any thread.

#include <cstdint>
#include <optional>
#include <string>
#include <variant>
#include <vector>

namespace chat::actions {

namespace work_state {

struct Taken {
    bool operator==(const Taken&) const = default;
};

struct Waiting {
    std::string app{};

    bool operator==(const Waiting&) const = default;
};

struct Doing {
    std::string did{};
    std::string about{};

    bool operator==(const Doing&) const = default;
};

struct Done {
    std::string did{};

    bool operator==(const Done&) const = default;
};

struct Refused {
    bool operator==(const Refused&) const = default;
};

} // namespace work_state

using AgentWorkState = std::variant<work_state::Taken, work_state::Waiting, work_state::Doing,
                                    work_state::Done, work_state::Refused>;

// Where an agent's decision came from.
enum class ReasoningRoute : std::uint8_t {
    Model,
    Floor,
};

struct AgentReasoning {
    ReasoningRoute route = ReasoningRoute::Model;
    std::string why{};

    bool operator==(const AgentReasoning&) const = default;
};

namespace step_outcome {

struct Asked {
    bool operator==(const Asked&) const = default;
};

struct Applied {
    bool operator==(const Applied&) const = default;
};

struct NoChange {
    bool operator==(const NoChange&) const = default;
};

struct Refused {
    std::string why{};

    bool operator==(const Refused&) const = default;
};

} // namespace step_outcome

using AgentStepOutcome = std::variant<step_outcome::Asked, step_outcome::Applied,
                                      step_outcome::NoChange, step_outcome::Refused>;

struct AgentStep {
    std::string id{};           // may be empty
    std::uint64_t sequence = 0; // 0 = none
    std::string resource{};     // the resource address the step acted on
    std::string label{};
    AgentStepOutcome outcome{};

    bool operator==(const AgentStep&) const = default;
};

struct AgentWork {
    AgentWorkState state{};
    std::int64_t since = 0; // seconds since the Unix epoch when `state` was entered
    std::optional<AgentReasoning> reasoning{};
    std::vector<AgentStep> trace{};

    bool operator==(const AgentWork&) const = default;
};

// An agent-state change as the document keeps it.
struct StoredAgentTransition {
    AgentWorkState state{};
    std::int64_t since = 0;

    bool operator==(const StoredAgentTransition&) const = default;
};

} // namespace chat::actions
