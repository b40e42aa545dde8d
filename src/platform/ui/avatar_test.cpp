#include "platform/ui/avatar.h"

#include <gtest/gtest.h>

using namespace ruvo_ui;

TEST(Initials, Table)
{
    struct Case {
        const char* name;
        const char* expected;
    };
    const Case cases[] = {
        {"Ada Lovelace", "AL"},
        {"grace", "G"},
        {"grace brewster murray hopper", "GH"},
        {"  spaced   out  ", "SO"},
        {"Jean-Luc Picard", "JP"},
        {"@ada (bot)", "AB"},
        {"émile zola", "ÉZ"},
        {"", ""},
        {"   ", ""},
        {"🙂 🎉", ""},
        {"🙂 Ada", "A"},
        {"r2 d2", "RD"},
        {"\xff\xfe bad", "B"},
        {"李 小龙", "李小"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(Avatar::initials_for_name(c.name), c.expected);
    }
}
