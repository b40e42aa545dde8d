#include "actions/json_reader.h"
#include "actions/json_writer.h"

#include <gtest/gtest.h>
#include <rapidjson/document.h>
#include <string>
#include <vector>

namespace {

using namespace chat::actions::json;

TEST(Utf8Repair, ReplacesEachMaximalIllFormedSubsequence)
{
    struct Case {
        std::string name;
        std::string input;
        std::string expected;
    };
    const std::string r = "\xEF\xBF\xBD";
    std::vector<Case> cases = {
        {"well-formed text is unchanged", "a\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80",
         "a\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80"},
        {"overlong two-byte form", "\xC0\xAF", r + r},
        {"overlong three-byte form", "\xE0\x80\x80", r + r + r},
        {"encoded surrogate", "\xED\xA0\x80", r + r + r},
        {"above U+10FFFF", "\xF4\x90\x80\x80", r + r + r + r},
        {"truncated four-byte form is one run", "x\xF0\x9F\x98", "x" + r},
        {"stray continuation byte", "\x80y", r + "y"},
        {"lead byte cut by ASCII", "\xE2\x82z", r + "z"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(repair_utf8(c.input), c.expected);
        EXPECT_EQ(is_valid_utf8(c.input), c.input == c.expected);
    }
}

TEST(Tokens, PositionsCountLinesAndPointAtTheLastByteOfEachToken)
{
    auto tokens = Tokens::read("{\"a\":\n  [1, \"xy\"],\n\"b\":null}");
    ASSERT_TRUE(tokens) << tokens.error().message;
    const auto& list = tokens->tokens();
    ASSERT_EQ(list.size(), 9u);
    EXPECT_EQ(list[0].count, 2u); // two members
    EXPECT_EQ(list[0].end, 8u);
    EXPECT_EQ(list[2].count, 2u);                                               // two elements
    EXPECT_EQ(tokens->describe_offset(list[1].offset), " at line 1 column 4");  // "a"
    EXPECT_EQ(tokens->describe_offset(list[2].offset), " at line 2 column 3");  // [
    EXPECT_EQ(tokens->describe_offset(list[4].offset), " at line 2 column 10"); // "xy"
    EXPECT_EQ(tokens->describe_offset(list[5].offset), " at line 2 column 11"); // ]
    EXPECT_EQ(tokens->describe_offset(list[8].offset), " at line 3 column 9");  // }

    Reader reader(*tokens);
    reader.advance();
    reader.advance();
    reader.skip_value();
    EXPECT_EQ(reader.string_of(reader.peek()), "b");
}

TEST(Tokens, ValueTreesAreReadWithoutRecursionAndChecked)
{
    rapidjson::Document document;
    auto& allocator = document.GetAllocator();
    rapidjson::Value deep(rapidjson::kArrayType);
    for (int i = 0; i < 100000; ++i) {
        rapidjson::Value outer(rapidjson::kArrayType);
        outer.PushBack(deep, allocator);
        deep = outer;
    }
    auto too_deep = Tokens::read(deep);
    ASSERT_FALSE(too_deep);
    EXPECT_EQ(too_deep.error().message, "nesting deeper than 128 levels");

    rapidjson::Value bad_text("\xC0\xAF", allocator);
    auto ill_formed = Tokens::read(bad_text);
    ASSERT_FALSE(ill_formed);
    EXPECT_EQ(ill_formed.error().message, "string is not well-formed UTF-8");

    rapidjson::Value object(rapidjson::kObjectType);
    object.AddMember("n", rapidjson::Value(-3), allocator);
    object.AddMember("u", rapidjson::Value(7u), allocator);
    auto read = Tokens::read(object);
    ASSERT_TRUE(read) << read.error().message;
    EXPECT_EQ(read->tokens()[2].kind, TokenKind::Negative);
    EXPECT_EQ(read->tokens()[4].kind, TokenKind::Unsigned);
}

} // namespace
