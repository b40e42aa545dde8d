#include "platform/ui/color.h"
#include "platform/ui/paint.h"
#include "platform/ui/theme.h"

#include <gtest/gtest.h>

using namespace ruvo_ui;

TEST(Contrast, MatchesKnownValues)
{
    EXPECT_NEAR(contrast_ratio(Color::rgb(0x000000), Color::rgb(0xffffff)), 21.0, 1e-9);
    EXPECT_NEAR(contrast_ratio(Color::rgb(0xffffff), Color::rgb(0xffffff)), 1.0, 1e-9);
    // #767676 on white is the lightest grey that passes AA for body text.
    EXPECT_NEAR(contrast_ratio(Color::rgb(0x767676), Color::rgb(0xffffff)), 4.54, 0.01);
    EXPECT_NEAR(contrast_ratio(Color::rgb(0xffffff), Color::rgb(0x767676)), 4.54, 0.01);
    EXPECT_NEAR(relative_luminance(Color::rgb(0xffffff)), 1.0, 1e-9);
    EXPECT_NEAR(relative_luminance(Color::rgb(0x000000)), 0.0, 1e-9);
}

TEST(Contrast, TranslucentForegroundIsCompositedFirst)
{
    // Black at zero alpha over white is white: no contrast at all.
    EXPECT_NEAR(contrast_ratio(Color{0, 0, 0, 0}, Color::rgb(0xffffff)), 1.0, 1e-9);
    EXPECT_LT(contrast_ratio(Color{0, 0, 0, 0.5}, Color::rgb(0xffffff)),
              contrast_ratio(Color::rgb(0x000000), Color::rgb(0xffffff)));
}

TEST(Contrast, ReadableOnReachesTheRatioWithTheSmallestMove)
{
    struct Case {
        const char* name;
        Color fg;
        Color bg;
    };
    const Case cases[] = {
        {"yellow on white", Color::rgb(0xffee00), Color::rgb(0xffffff)},
        {"navy on black", Color::rgb(0x101040), Color::rgb(0x000000)},
        {"mid grey on dark", Color::rgb(0x555555), Color::rgb(0x1b1d22)},
        {"pink on light grey", Color::rgb(0xff88aa), Color::rgb(0xeeeeee)},
        {"already fine", Color::rgb(0x000000), Color::rgb(0xffffff)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Color out = readable_on(c.fg, c.bg, 4.5);
        EXPECT_GE(contrast_ratio(out, c.bg), 4.5);
        // Dark backgrounds move the colour towards white, light ones towards black.
        if (contrast_ratio(c.fg, c.bg) < 4.5) {
            bool dark_bg = relative_luminance(c.bg) < 0.5;
            EXPECT_EQ(relative_luminance(out) > relative_luminance(c.fg), dark_bg);
            // No further than needed: the result sits just above the ratio.
            EXPECT_LT(contrast_ratio(out, c.bg), 4.6);
        } else {
            EXPECT_EQ(out, c.fg);
        }
    }
}

TEST(ThemeRoles, TextAndMutedTextPassAaOnEveryBackgroundInBothThemes)
{
    for (auto theme : {Theme::dark(), Theme::light()}) {
        SCOPED_TRACE(theme.mode == ThemeMode::Dark ? "dark" : "light");
        for (Color bg : {theme.window_surface, theme.rail, theme.panel, theme.surface,
                         theme.popover, Colors::lift(theme, 0.35), Colors::lift(theme, 0.72)}) {
            EXPECT_GE(contrast_ratio(theme.text, bg), 7.0);
            EXPECT_GE(contrast_ratio(theme.muted_text, bg), 4.5);
            EXPECT_GE(contrast_ratio(theme.accent_text, bg), 4.5);
        }
        EXPECT_GE(contrast_ratio(theme.on_accent, theme.accent), 4.5);
        EXPECT_GE(contrast_ratio(theme.on_surface(theme.accent), theme.accent), 4.5);
        EXPECT_GE(contrast_ratio(theme.on_surface(theme.surface), theme.surface), 4.5);
        EXPECT_GE(contrast_ratio(theme.accent_label,
                                 composite(theme.accent.with_alpha(0.22), theme.window_surface)),
                  4.5);
    }
}

TEST(ThemeRoles, LiftMovesAwayFromTheSurfaceMonotonically)
{
    for (auto theme : {Theme::dark(), Theme::light()}) {
        EXPECT_EQ(Colors::lift(theme, 0), theme.surface);
        double previous = 1;
        for (double a : {0.2, 0.35, 0.55, 0.72, 1.0}) {
            double ratio = contrast_ratio(Colors::lift(theme, a), theme.surface);
            EXPECT_GT(ratio, previous);
            previous = ratio;
        }
    }
}

TEST(UserColor, IsStablePerIdAndSpreadsAcrossIds)
{
    EXPECT_EQ(presence::user_color("u_ada"), presence::user_color("u_ada"));
    int distinct = 0;
    Color first = presence::user_color("u_0");
    for (int i = 1; i < 20; ++i)
        distinct += !(presence::user_color("u_" + std::to_string(i)) == first);
    EXPECT_GE(distinct, 18);
    Color c = presence::user_color("");
    EXPECT_GE(c.r, 0);
    EXPECT_LE(c.r, 1);
}
