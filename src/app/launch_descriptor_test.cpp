#include "app/launch_descriptor.h"

#include <gtest/gtest.h>

namespace {

TEST(LaunchDescriptor, ListsTheTwentyOneScenesInOrder)
{
    auto d = chat::app::build_descriptor();
    const std::vector<std::string> expected = {
        "narrow", "history", "compact", "starter", "people", "thread-narrow", "collaboration",
        "context", "msgmenu", "attach", "attach-loading", "attach-error", "edit", "composer", "call",
        "share", "floating-call-attached", "floating-call", "floating-call-hover",
        "floating-call-returning", "floating-call-returned",
    };
    EXPECT_EQ(d.shot_names, expected);
}

TEST(LaunchDescriptor, FillsTheFrameworkSettings)
{
    auto d = chat::app::build_descriptor();
    EXPECT_EQ(d.application_id, "dev.ruvo.Chat");
    ASSERT_TRUE(d.default_window_size);
    EXPECT_EQ(d.default_window_size().width, 1280);
    EXPECT_EQ(d.default_window_size().height, 800);
    ASSERT_TRUE(d.quit_on_close);
    EXPECT_TRUE(d.quit_on_close());
    EXPECT_TRUE(d.font_files.empty() && d.env_defaults.empty() && d.log_levels.empty() && d.window_icons.empty());
    EXPECT_FALSE(d.window_title);
    EXPECT_FALSE(d.on_start || d.on_exit || d.on_focus_changed || d.on_scale_changed);
    EXPECT_FALSE(d.start_fullscreen);
    EXPECT_FALSE(d.start_maximized);
    EXPECT_TRUE(d.persist_document);
    EXPECT_TRUE(d.vsync);
    EXPECT_TRUE(d.open_persistence);
    ASSERT_TRUE(d.create_app);
    EXPECT_NE(d.create_app(), nullptr);
}

TEST(LaunchDescriptor, RegistersTheChatActionHandler)
{
    auto d = chat::app::build_descriptor();
    ruvo_ui::App app("test");
    d.register_actions(app);
    EXPECT_NE(app.action_registry().handler("chat.action"), nullptr);
    EXPECT_EQ(app.action_registry().kinds(), std::vector<std::string>{"chat.action"});
}

} // namespace
