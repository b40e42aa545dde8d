#include "platform/identity/xdg.h"

#include <map>

#include <gtest/gtest.h>

namespace {

identity::xdg::Environment fake(std::map<std::string, std::string> values)
{
    return identity::xdg::fixed_environment(std::move(values));
}

TEST(Xdg, DataHomeFallsBackToHomeAndIgnoresRelativeValues)
{
    struct Case {
        const char* name;
        std::map<std::string, std::string> env;
        std::optional<std::filesystem::path> expected;
    };
    const Case cases[] = {
        {"xdg set", {{"XDG_DATA_HOME", "/data"}, {"HOME", "/home/ada"}}, "/data"},
        {"xdg relative", {{"XDG_DATA_HOME", "data"}, {"HOME", "/home/ada"}}, "/home/ada/.local/share"},
        {"xdg empty", {{"XDG_DATA_HOME", ""}, {"HOME", "/home/ada"}}, "/home/ada/.local/share"},
        {"home only", {{"HOME", "/home/ada"}}, "/home/ada/.local/share"},
        {"home empty", {{"HOME", ""}}, std::nullopt},
        {"nothing", {}, std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(identity::xdg::dirs(fake(c.env)).effective_data_home(), c.expected);
    }
}

} // namespace
