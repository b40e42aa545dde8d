#include <gtest/gtest.h>

#include "platform/ui/launch.h"

namespace {

using namespace ruvo_ui::launch;

Command parse_ok(std::vector<std::string> args)
{
    auto result = parse_command_line(args);
    EXPECT_TRUE(result) << (result ? "" : result.error().message);
    return result ? *result : Command{HelpCommand{}};
}

TEST(LaunchArguments, GoodCommandLines)
{
    EXPECT_TRUE(std::holds_alternative<WindowCommand>(parse_ok({})));
    EXPECT_EQ(std::get<WindowCommand>(parse_ok({"--theme", "light"})).theme, ruvo_ui::ThemeMode::Light);
    EXPECT_TRUE(std::holds_alternative<HelpCommand>(parse_ok({"--help"})));

    auto shot = std::get<ShotCommand>(parse_ok({"--shot", "people", "--out", "/tmp/a.png"})).request;
    EXPECT_EQ(shot.scene, "people");
    EXPECT_EQ(shot.output, std::filesystem::path("/tmp/a.png"));
    EXPECT_FALSE(shot.has_size);
    EXPECT_EQ(shot.theme, ruvo_ui::ThemeMode::Dark);

    auto sized = std::get<ShotCommand>(parse_ok({"--out=/tmp/b.png", "--size", "800x600", "--theme=light"})).request;
    EXPECT_EQ(sized.scene, std::nullopt);
    EXPECT_TRUE(sized.has_size);
    EXPECT_EQ(sized.width, 800u);
    EXPECT_EQ(sized.height, 600u);
    EXPECT_EQ(sized.theme, ruvo_ui::ThemeMode::Light);

    // A scene without an output is the shot renderer's error to report, not a usage error.
    auto no_out = std::get<ShotCommand>(parse_ok({"--shot", "default"})).request;
    EXPECT_EQ(no_out.output, std::nullopt);

    auto dir = std::get<ShotsDirCommand>(parse_ok({"--shots-dir", "shots", "--size", "1x1"}));
    EXPECT_EQ(dir.dir, std::filesystem::path("shots"));
    EXPECT_EQ(dir.base.width, 1u);
}

TEST(LaunchArguments, BadCommandLinesSayWhatIsWrong)
{
    struct Case {
        std::vector<std::string> args;
        const char* message_part;
    };
    const Case cases[] = {
        {{"--bogus"}, "--bogus"},
        {{"stray"}, "stray"},
        {{"--shot"}, "--shot"},
        {{"--size", "800"}, "1280x800"},
        {{"--out", "a.png", "--size", "0x600"}, "between"},
        {{"--out", "a.png", "--size", "800x-1"}, "1280x800"},
        {{"--out", "a.png", "--size", "99999x10"}, "between"},
        {{"--out", "a.png", "--size", "80x60x1"}, "1280x800"},
        {{"--size", "800x600"}, "only to screenshots"},
        {{"--theme", "blue"}, "dark or light"},
        {{"--shots-dir", "d", "--shot", "x"}, "cannot be combined"},
        {{"--shots-dir", ""}, "needs a directory"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(fmt::format("{}", fmt::join(c.args, " ")));
        auto result = parse_command_line(c.args);
        ASSERT_FALSE(result);
        EXPECT_NE(result.error().message.find(c.message_part), std::string::npos) << result.error().message;
    }
}

} // namespace
