#include "platform/ui/tooltip.h"
#include "platform/ui/transition.h"

#include <gtest/gtest.h>

using namespace ruvo_ui;
using namespace std::chrono_literals;

TEST(TransitionTiming, MovesFromClosedToOpenOverItsDuration)
{
    Instant t0{};
    auto t = Transition::closed(200ms);
    EXPECT_EQ(t.value(t0), 0.0);
    EXPECT_FALSE(t.is_animating(t0));
    t.set_open(true, t0);
    EXPECT_TRUE(t.is_open());
    EXPECT_TRUE(t.is_animating(t0 + 100ms));
    double half = t.value(t0 + 100ms);
    EXPECT_GT(half, 0.5); // ease-out: more than half-way at half time
    EXPECT_LT(half, 1.0);
    EXPECT_LT(t.value(t0 + 50ms), half);
    EXPECT_EQ(t.value(t0 + 200ms), 1.0);
    EXPECT_FALSE(t.is_animating(t0 + 200ms));
    EXPECT_EQ(t.value(t0 + 10s), 1.0);
}

TEST(TransitionTiming, ReversalHalfWayTakesHalfTheTime)
{
    Instant t0{};
    auto t = Transition::closed(200ms);
    t.set_open(true, t0);
    t.set_open(false, t0 + 100ms);
    EXPECT_FALSE(t.is_open());
    EXPECT_TRUE(t.is_animating(t0 + 150ms));
    EXPECT_FALSE(t.is_animating(t0 + 200ms));
    EXPECT_EQ(t.value(t0 + 200ms), 0.0);
}

TEST(TransitionTiming, SettingTheSameStateDoesNotRestart)
{
    Instant t0{};
    auto t = Transition::open(200ms);
    t.set_open(true, t0);
    EXPECT_FALSE(t.is_animating(t0));
    EXPECT_EQ(t.value(t0), 1.0);
    t.set_open(false, t0);
    t.set_open(false, t0 + 150ms); // no restart: still finishes at 200 ms
    EXPECT_FALSE(t.is_animating(t0 + 200ms));
}

TEST(TransitionTiming, TickFeedsTheArgumentlessQueries)
{
    Instant t0{};
    auto t = Transition::closed(100ms);
    t.set_open(true, t0);
    t.tick(t0 + 50ms);
    EXPECT_TRUE(t.is_animating());
    EXPECT_DOUBLE_EQ(t.value(), t.value(t0 + 50ms));
    t.snap(false);
    EXPECT_EQ(t.value(), 0.0);
    EXPECT_FALSE(t.is_animating());
}

TEST(TooltipTiming, ShowsAfterTheDelayOnTheSameTarget)
{
    Instant t0{};
    TooltipHost host(500ms);
    host.set_target({10, 10}, "Send message", t0);
    host.tick(t0 + 300ms);
    EXPECT_TRUE(host.is_pending());
    EXPECT_EQ(host.due(), t0 + 500ms);
    // Moving over the same control does not restart the countdown.
    host.set_target({12, 11}, "Send message", t0 + 400ms);
    host.tick(t0 + 500ms);
    EXPECT_TRUE(host.is_showing());
    EXPECT_FALSE(host.is_pending());
}

TEST(TooltipTiming, ANewTargetRestartsUnlessOneIsShowing)
{
    Instant t0{};
    TooltipHost host(500ms);
    host.set_target({0, 0}, "A", t0);
    host.set_target({0, 0}, "B", t0 + 400ms);
    host.tick(t0 + 600ms);
    EXPECT_FALSE(host.is_showing());
    host.tick(t0 + 900ms);
    EXPECT_TRUE(host.is_showing());
    host.set_target({0, 0}, "C", t0 + 1s);
    EXPECT_TRUE(host.is_showing());
    EXPECT_EQ(host.text(), "C");
    host.set_target({0, 0}, "", t0 + 2s);
    EXPECT_FALSE(host.is_showing());
    EXPECT_FALSE(host.is_pending());
}
