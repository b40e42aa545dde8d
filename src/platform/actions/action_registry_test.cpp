#include "platform/actions/action_registry.h"

#include <gtest/gtest.h>

#include "platform/crdt/document.h"

namespace {

using ruvo_actions::action::ActionError;

class RecordingHandler final : public ruvo_actions::ActionHandler {
public:
    explicit RecordingHandler(std::string* seen)
        : m_seen(seen)
    {
    }
    std::expected<void, ActionError> apply(std::string_view json, crdt::Document&) override
    {
        *m_seen = json;
        if (json == "bad")
            return std::unexpected(ActionError{"test", "cannot decode"});
        return {};
    }

private:
    std::string* m_seen;
};

TEST(ActionRegistry, RoutesByKindAndTheLatestRegistrationWins)
{
    ruvo_actions::ActionRegistry registry;
    std::string first, second;
    registry.register_handler("chat.action", std::make_unique<RecordingHandler>(&first));
    registry.register_handler("chat.action", std::make_unique<RecordingHandler>(&second));
    EXPECT_EQ(registry.handler("chat.operation"), nullptr);
    ASSERT_NE(registry.handler("chat.action"), nullptr);

    crdt::Document doc;
    EXPECT_TRUE(registry.handler("chat.action")->apply("{}", doc));
    EXPECT_EQ(first, "");
    EXPECT_EQ(second, "{}");
    auto error = registry.handler("chat.action")->apply("bad", doc);
    ASSERT_FALSE(error);
    EXPECT_EQ(error.error().display(), "test: cannot decode");
    EXPECT_EQ(registry.kinds(), std::vector<std::string>{"chat.action"});
}

} // namespace
