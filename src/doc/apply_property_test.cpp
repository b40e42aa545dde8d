// Replicas that apply actions on different messages and then merge end up where one replica
// applying all of them would be: no write is lost through the document layer.

#include "doc/apply.h"
#include "doc/seed.h"

#include <gtest/gtest.h>
#include <rapidcheck.h>
#include <rapidcheck/gtest.h>

namespace {

using namespace chat::doc;
using namespace chat::actions;

constexpr int message_count = 6;

std::string message_id(int i)
{
    return "m_p" + std::to_string(i);
}

Document base_document()
{
    Document doc;
    seed_demo(doc);
    for (int i = 0; i < message_count; ++i) {
        SendMessage send{
            "c_random", message_id(i), "u_me", 1, "text " + std::to_string(i), {}, {}, {}, {}};
        apply_action(doc, send);
    }
    doc.commit();
    return doc;
}

// An action on message `i` (or on something owned by side `side` alone).
rc::Gen<ChatAction> action_for(int side)
{
    using rc::gen::element;
    const auto msg = rc::gen::map(rc::gen::inRange(0, message_count / 2),
                                  [side](int k) { return message_id(2 * k + side); });
    const auto user = side == 0 ? std::string("u_hana") : std::string("u_tomas");
    const auto channel = side == 0 ? std::string("c_ideas") : std::string("c_music");
    return rc::gen::oneOf(
        rc::gen::map(rc::gen::pair(msg, element<std::string>("a", "héllo", "", "text 1 more")),
                     [](auto p) {
                         return ChatAction{EditMessage{"c_random", p.first, p.second, 5}};
                     }),
        rc::gen::map(rc::gen::pair(msg, element<std::string>("👍", "🎉")),
                     [user](auto p) {
                         return ChatAction{AddReaction{"c_random", p.first, p.second, user}};
                     }),
        rc::gen::map(rc::gen::pair(msg, element<std::string>("👍", "🎉")),
                     [user](auto p) {
                         return ChatAction{RemoveReaction{"c_random", p.first, p.second, user}};
                     }),
        rc::gen::map(rc::gen::pair(msg, rc::gen::arbitrary<bool>()),
                     [](auto p) {
                         return ChatAction{PinMessage{"c_random", p.first, p.second}};
                     }),
        rc::gen::
            map(rc::gen::pair(msg, rc::gen::inRange(0, 3)),
                [](auto p) {
                    AgentWork work{work_state::Done{"step"}, p.second, std::nullopt, {}};
                    for (int s = 0; s < p.second; ++s)
                        work.trace.push_back(AgentStep{"s" + std::to_string(s), std::uint64_t(s),
                                                       "r", "l", step_outcome::Applied{}});
                    return ChatAction{SetAgentWork{"c_random", p.first, work, std::string("said")}};
                }),
        rc::gen::map(rc::gen::inRange(0, 1000),
                     [channel](int n) {
                         return ChatAction{SendMessage{channel,
                                                       "m_new" + std::to_string(n) + channel,
                                                       "u_me",
                                                       n,
                                                       "new",
                                                       {},
                                                       {},
                                                       {},
                                                       {}}};
                     }),
        rc::gen::map(rc::gen::inRange(0, 20),
                     [user](int n) {
                         return ChatAction{MarkRead{"c_random", user, n}};
                     }),
        rc::gen::map(rc::gen::arbitrary<bool>(), [user](bool muted) {
            return ChatAction{SetCallState{"c_standup", user, false, muted, false, false}};
        }));
}

RC_GTEST_PROP(ApplyProperty, ForksOnDifferentMessagesMergeToTheSequentialResult, ())
{
    const auto left_actions = *rc::gen::container<std::vector<ChatAction>>(action_for(0));
    const auto right_actions = *rc::gen::container<std::vector<ChatAction>>(action_for(1));

    Document base = base_document();
    Document left = base.fork();
    Document right = base.fork();
    Document sequential = base.fork();
    ActionApplier left_applier, right_applier, sequential_applier;
    for (const auto& action : left_actions) {
        left_applier.apply(left, action);
        left.commit();
        sequential_applier.apply(sequential, action);
        sequential.commit();
    }
    for (const auto& action : right_actions) {
        right_applier.apply(right, action);
        right.commit();
        sequential_applier.apply(sequential, action);
        sequential.commit();
    }
    RC_ASSERT(left.merge(right).has_value());
    RC_ASSERT(right.merge(left).has_value());
    RC_ASSERT(left.canonical_dump() == sequential.canonical_dump());
    RC_ASSERT(right.canonical_dump() == sequential.canonical_dump());
}

} // namespace
