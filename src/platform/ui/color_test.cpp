#include <gtest/gtest.h>

#include "platform/ui/color.h"
#include "platform/ui/theme.h"

using namespace ruvo_ui;

TEST(Contrast, MatchesKnownValues)
{
    EXPECT_NEAR(contrast_ratio(Color::rgb(0x000000), Color::rgb(0xffffff)), 21.0, 1e-9);
    EXPECT_NEAR(contrast_ratio(Color::rgb(0xffffff), Color::rgb(0xffffff)), 1.0, 1e-9);
    // #767676 on white is the classic smallest grey that passes AA.
    EXPECT_NEAR(contrast_ratio(Color::rgb(0x767676), Color::rgb(0xffffff)), 4.54, 0.01);
    EXPECT_NEAR(relative_luminance(Color::rgb(0xffffff)), 1.0, 1e-9);
    EXPECT_NEAR(relative_luminance(Color::rgb(0x000000)), 0.0, 1e-9);
}
