#include "doc/chat_data_dir.h"

#include <map>

#include <gtest/gtest.h>

namespace {

identity::xdg::Environment fake(std::map<std::string, std::string> values)
{
    return identity::xdg::fixed_environment(std::move(values));
}

TEST(ChatDataDir, FollowsTheFirstRuleThatApplies)
{
    struct Case {
        const char* name;
        std::map<std::string, std::string> env;
        std::optional<std::filesystem::path> dir;
        std::optional<std::filesystem::path> legacy;
    };
    const Case cases[] = {
        {"explicit folder is used as it is", {{"RUVO_CHAT_DATA", "/tmp/x"}, {"XDG_DATA_HOME", "/d"}}, "/tmp/x",
         "/tmp/x/workspace.crdt"},
        {"empty explicit folder is the working directory", {{"RUVO_CHAT_DATA", ""}, {"HOME", "/h"}}, "",
         "workspace.crdt"},
        {"xdg data folder", {{"XDG_DATA_HOME", "/d"}, {"HOME", "/h"}}, "/d/ruvo-chat", "/d/ruvo-chat/workspace.crdt"},
        {"home folder", {{"HOME", "/h"}}, "/h/.local/share/ruvo-chat", "/h/.local/share/ruvo-chat/workspace.crdt"},
        {"nothing known", {}, std::nullopt, std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(chat::doc::chat_data_dir(fake(c.env)), c.dir);
        EXPECT_EQ(chat::doc::legacy_document_path(fake(c.env)), c.legacy);
    }
}

} // namespace
