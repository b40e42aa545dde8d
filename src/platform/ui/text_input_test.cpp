#include "platform/ui/clipboard.h"
#include "platform/ui/text_input.h"

#include <functional>
#include <gtest/gtest.h>

using namespace ruvo_ui;

namespace {

KeyDown key(std::string name, bool shift = false, bool control = false)
{
    KeyDown k;
    k.key = std::move(name);
    k.modifiers.shift = shift;
    k.modifiers.control = control;
    return k;
}

struct Step {
    Event event;
};

struct EditCase {
    const char* name;
    InputMode mode;
    std::string initial;
    std::size_t caret;
    std::vector<Event> events;
    std::string expected_text;
    std::size_t expected_caret;
    Selection expected_selection;
};

} // namespace

TEST(TextInputEditing, Table)
{
    const std::string e_acute = "\xC3\xA9"; // é
    const std::string flag =
        "\xF0\x9F\x87\xA9\xF0\x9F\x87\xAA";    // regional indicators D E: one cluster
    const std::string combining = "e\xCC\x81"; // e + combining acute: one cluster
    const std::vector<EditCase> cases = {
        {"typing inserts at the caret",
         InputMode::MultiLine,
         "held",
         2,
         {TextCommit{"XY"}},
         "heXYld",
         4,
         {4, 4}},
        {"backspace removes one character",
         InputMode::MultiLine,
         "abc",
         3,
         {key("Backspace")},
         "ab",
         2,
         {2, 2}},
        {"backspace at start does nothing",
         InputMode::MultiLine,
         "abc",
         0,
         {key("Backspace")},
         "abc",
         0,
         {0, 0}},
        {"delete removes the next character",
         InputMode::MultiLine,
         "abc",
         0,
         {key("Delete")},
         "bc",
         0,
         {0, 0}},
        {"backspace removes a whole two-byte character",
         InputMode::MultiLine,
         "a" + e_acute,
         3,
         {key("Backspace")},
         "a",
         1,
         {1, 1}},
        {"backspace removes a flag cluster whole",
         InputMode::MultiLine,
         "x" + flag,
         9,
         {key("Backspace")},
         "x",
         1,
         {1, 1}},
        {"arrow right steps over a combining cluster",
         InputMode::MultiLine,
         combining + "z",
         0,
         {key("ArrowRight")},
         combining + "z",
         3,
         {3, 3}},
        {"shift+arrows select",
         InputMode::MultiLine,
         "hello",
         1,
         {key("ArrowRight", true), key("ArrowRight", true)},
         "hello",
         3,
         {1, 3}},
        {"typing replaces the selection",
         InputMode::MultiLine,
         "hello",
         0,
         {key("ArrowRight", true), key("ArrowRight", true), TextCommit{"J"}},
         "Jllo",
         1,
         {1, 1}},
        {"arrow left collapses a selection to its start",
         InputMode::MultiLine,
         "hello",
         1,
         {key("ArrowRight", true), key("ArrowRight", true), key("ArrowLeft")},
         "hello",
         1,
         {1, 1}},
        {"control+right jumps to the end of the word",
         InputMode::MultiLine,
         "one two three",
         0,
         {key("ArrowRight", false, true)},
         "one two three",
         3,
         {3, 3}},
        {"control+right twice reaches the second word's end",
         InputMode::MultiLine,
         "one two three",
         0,
         {key("ArrowRight", false, true), key("ArrowRight", false, true)},
         "one two three",
         7,
         {7, 7}},
        {"control+left jumps to the start of the word",
         InputMode::MultiLine,
         "one two three",
         13,
         {key("ArrowLeft", false, true)},
         "one two three",
         8,
         {8, 8}},
        {"control+backspace deletes the word before",
         InputMode::MultiLine,
         "one two",
         7,
         {key("Backspace", false, true)},
         "one ",
         4,
         {4, 4}},
        {"home and end go to the line's edges",
         InputMode::MultiLine,
         "ab\ncd\nef",
         4,
         {key("End")},
         "ab\ncd\nef",
         5,
         {5, 5}},
        {"home goes to the start of the hard line",
         InputMode::MultiLine,
         "ab\ncd",
         5,
         {key("Home")},
         "ab\ncd",
         3,
         {3, 3}},
        {"control+home goes to the very start",
         InputMode::MultiLine,
         "ab\ncd",
         5,
         {key("Home", false, true)},
         "ab\ncd",
         0,
         {0, 0}},
        {"arrow up keeps the column on the line above",
         InputMode::MultiLine,
         "abcd\nxy",
         7,
         {key("ArrowUp")},
         "abcd\nxy",
         2,
         {2, 2}},
        {"arrow down on the last line goes to the end",
         InputMode::MultiLine,
         "abcd\nxy",
         1,
         {key("ArrowDown"), key("ArrowDown")},
         "abcd\nxy",
         7,
         {7, 7}},
        {"shift+enter breaks the line",
         InputMode::MultiLine,
         "ab",
         1,
         {key("Enter", true)},
         "a\nb",
         2,
         {2, 2}},
        {"enter does not insert", InputMode::MultiLine, "ab", 1, {key("Enter")}, "ab", 1, {1, 1}},
        {"single-line flattens committed line breaks",
         InputMode::SingleLine,
         "",
         0,
         {TextCommit{"a\nb\r\nc"}},
         "a b c",
         5,
         {5, 5}},
        {"invalid bytes become replacement characters",
         InputMode::MultiLine,
         "",
         0,
         {TextCommit{"a\xff"}},
         "a\xEF\xBF\xBD",
         4,
         {4, 4}},
        {"control characters are not inserted raw",
         InputMode::MultiLine,
         "",
         0,
         {TextCommit{std::string("a\0b", 3)}},
         "a\xEF\xBF\xBD"
         "b",
         5,
         {5, 5}},
        {"select all then delete",
         InputMode::MultiLine,
         "all of it",
         3,
         {key("a", false, true), key("Delete")},
         "",
         0,
         {0, 0}},
        {"composition does not change the text until committed",
         InputMode::MultiLine,
         "ab",
         1,
         {TextComposition{"ka", 2}},
         "ab",
         1,
         {1, 1}},
        {"committing a composition inserts it",
         InputMode::MultiLine,
         "ab",
         1,
         {TextComposition{"k", 1}, TextComposition{"か", 1}, TextCommit{"か"}},
         "aかb",
         4,
         {4, 4}},
        {"keys during composition belong to the input method",
         InputMode::MultiLine,
         "ab",
         1,
         {TextComposition{"k", 1}, key("Backspace"), key("ArrowLeft")},
         "ab",
         1,
         {1, 1}},
        {"undo restores the text before typing",
         InputMode::MultiLine,
         "ab",
         2,
         {TextCommit{"c"}, TextCommit{"d"}, key("z", false, true)},
         "ab",
         2,
         {2, 2}},
        {"redo reapplies",
         InputMode::MultiLine,
         "ab",
         2,
         {TextCommit{"c"}, key("z", false, true), key("Z", true, true)},
         "abc",
         3,
         {3, 3}},
        {"undo separates typing from deleting",
         InputMode::MultiLine,
         "ab",
         2,
         {TextCommit{"c"}, key("Backspace"), key("Backspace"), key("z", false, true)},
         "abc",
         3,
         {3, 3}},
        {"a caret move ends an undo group",
         InputMode::MultiLine,
         "",
         0,
         {TextCommit{"a"}, key("ArrowLeft"), key("ArrowRight"), TextCommit{"b"},
          key("z", false, true)},
         "a",
         1,
         {1, 1}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TextInput input(c.mode);
        input.set_text(c.initial);
        input.set_caret(c.caret);
        input.set_focused(true);
        for (const auto& event : c.events)
            input.handle_event(event);
        EXPECT_EQ(input.text(), c.expected_text);
        EXPECT_EQ(input.caret(), c.expected_caret);
        EXPECT_EQ(input.selection(), c.expected_selection);
    }
}

TEST(TextInputEditing, EnterSubmitsAndShiftEnterDoesNot)
{
    TextInput input(InputMode::MultiLine);
    input.set_focused(true);
    EXPECT_EQ(input.handle_event(key("Enter")), (InputResponse{true, true}));
    EXPECT_EQ(input.handle_event(key("Enter", true)), (InputResponse{true, false}));
    TextInput line(InputMode::SingleLine);
    line.set_focused(true);
    EXPECT_EQ(line.handle_event(key("Enter", true)), (InputResponse{true, true}));
    EXPECT_EQ(line.text(), "");
}

TEST(TextInputEditing, UnfocusedInputIgnoresKeysAndText)
{
    TextInput input;
    input.set_text("x");
    EXPECT_FALSE(input.handle_event(TextCommit{"y"}).handled);
    EXPECT_FALSE(input.handle_event(key("Backspace")).handled);
    EXPECT_EQ(input.text(), "x");
    EXPECT_FALSE(input.take_dirty());
}

TEST(TextInputEditing, KeysItDoesNotUseAreLeftToTheOwner)
{
    TextInput input(InputMode::SingleLine);
    input.set_focused(true);
    for (const char* k : {"Tab", "Escape", "ArrowUp", "ArrowDown", "F5"})
        EXPECT_FALSE(input.handle_event(key(k)).handled) << k;
}

TEST(TextInputEditing, DirtyFlagTracksUserChangesOnly)
{
    TextInput input;
    input.set_text("from the document");
    EXPECT_FALSE(input.take_dirty());
    input.set_focused(true);
    input.handle_event(key("ArrowLeft"));
    EXPECT_FALSE(input.take_dirty());
    input.handle_event(TextCommit{"!"});
    EXPECT_TRUE(input.take_dirty());
    EXPECT_FALSE(input.take_dirty());
    input.insert_at_cursor("🙂");
    EXPECT_TRUE(input.take_dirty());
}

TEST(TextInputEditing, SetTextWithTheSameTextKeepsCaretAndHistory)
{
    TextInput input;
    input.set_focused(true);
    input.handle_event(TextCommit{"abc"});
    input.set_caret(1);
    input.set_text("abc");
    EXPECT_EQ(input.caret(), 1u);
    EXPECT_TRUE(input.can_undo());
    input.set_text("other");
    EXPECT_EQ(input.caret(), 5u);
    EXPECT_FALSE(input.can_undo());
}

TEST(TextInputEditing, ClipboardCopyCutPaste)
{
    set_clipboard(std::make_unique<LocalClipboard>());
    TextInput input;
    input.set_focused(true);
    input.set_text("cut me");
    input.select(0, 3);
    input.handle_event(key("c", false, true));
    EXPECT_EQ(clipboard().text(), "cut");
    EXPECT_EQ(input.text(), "cut me");
    input.handle_event(key("x", false, true));
    EXPECT_EQ(input.text(), " me");
    input.set_caret(3);
    input.handle_event(key("v", false, true));
    EXPECT_EQ(input.text(), " mecut");
    // Pasted text is cleaned like typed text.
    clipboard().set_text("a\x01"
                         "b");
    input.handle_event(key("V", true, true));
    EXPECT_EQ(input.text(), " mecuta\xEF\xBF\xBD"
                            "b");
}

TEST(TextInputEditing, LosingFocusDropsSelectionAndComposition)
{
    TextInput input;
    input.set_focused(true);
    input.set_text("hello");
    input.select(0, 5);
    input.handle_event(TextComposition{"k", 1});
    input.set_focused(false);
    EXPECT_TRUE(input.selection().empty());
    EXPECT_FALSE(input.is_composing());
}

TEST(TextInputEditing, AssistiveEditsAreCheckedAgainstTheText)
{
    TextInput input;
    input.set_text("h\xC3\xA9llo");
    struct Case {
        const char* name;
        SemanticRequest request;
        bool accepted;
        const char* expected;
    };
    const Case cases[] = {
        {"replace a range", {SemanticAction::ReplaceText, "E", 1, 3}, true, "hEllo"},
        {"range past the end", {SemanticAction::ReplaceText, "x", 2, 99}, false, "h\xC3\xA9llo"},
        {"range splitting a character",
         {SemanticAction::ReplaceText, "x", 2, 3},
         false,
         "h\xC3\xA9llo"},
        {"reversed range", {SemanticAction::ReplaceText, "x", 3, 1}, false, "h\xC3\xA9llo"},
        {"set the whole value", {SemanticAction::SetValue, "new", 0, 0}, true, "new"},
        {"an action that is not an edit", {SemanticAction::Click, "", 0, 0}, false, "h\xC3\xA9llo"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TextInput copy;
        copy.set_text(input.text());
        EXPECT_EQ(copy.perform_action(c.request), c.accepted);
        EXPECT_EQ(copy.text(), c.expected);
        EXPECT_EQ(copy.take_dirty(), c.accepted);
    }
}

TEST(TextInputEditing, MaxBytesCutsAtACharacterBoundary)
{
    TextInput input;
    input.set_max_bytes(4);
    input.set_focused(true);
    input.handle_event(TextCommit{"ab\xC3\xA9\xC3\xA9"});
    EXPECT_EQ(input.text(), "ab\xC3\xA9");
    input.handle_event(TextCommit{"z"});
    EXPECT_EQ(input.text(), "ab\xC3\xA9");
}

TEST(TextInputLayout, PointerAndLineKeysStayOnTheTextWhenLongRunsWrap)
{
    TextRenderer renderer;
    auto theme = Theme::dark();
    TextInput input(InputMode::MultiLine);
    input.apply_layout_external({0, 0, 120, 400});
    input.set_text(std::string(300, 'x') + " tail");
    input.set_focused(true);
    input.layout(renderer, theme);
    EXPECT_GT(input.content_height(), 3 * renderer.line_height(15));
    // Walking down every visual line and back up ends where it started.
    input.set_caret(0);
    std::size_t previous = 0;
    int lines = 0;
    while (input.caret() < input.text().size() && lines < 200) {
        input.handle_event(key("ArrowDown"));
        EXPECT_GT(input.caret(), previous);
        previous = input.caret();
        ++lines;
    }
    EXPECT_GT(lines, 3);
    EXPECT_LT(lines, 200);
    // Home and End of a wrapped line stay within it.
    input.set_caret(150);
    input.handle_event(key("Home"));
    std::size_t start = input.caret();
    input.handle_event(key("End"));
    std::size_t end = input.caret();
    EXPECT_LE(start, 150u);
    EXPECT_GE(end, 150u);
    EXPECT_LT(end - start, 60u);
    // Presses anywhere land on an offset of the text.
    for (double y = 2; y < 200; y += 7)
        for (double x = 1; x < 120; x += 13) {
            PointerDown press;
            press.position = {x, y};
            input.handle_event(press);
            EXPECT_LE(input.caret(), input.text().size());
            PointerUp release;
            input.handle_event(release);
        }
    input.handle_event(key("End", false, true));
    input.handle_event(TextCommit{"!"});
    EXPECT_EQ(input.text().back(), '!');
}

TEST(TextInputLayout, PressesPlaceTheCaretAndDoubleClickSelectsAWord)
{
    TextRenderer renderer;
    auto theme = Theme::dark();
    TextInput input(InputMode::SingleLine);
    input.apply_layout_external({0, 0, 400, 40});
    input.set_text("alpha beta gamma");
    input.set_focused(true);
    input.layout(renderer, theme);
    double beta_x = 11 + renderer.measure("alpha be", 15).width; // inside "beta", after "be"
    PointerDown press;
    press.position = {beta_x, 20};
    EXPECT_TRUE(input.handle_event(press).handled);
    EXPECT_EQ(input.caret(), 8u);
    // Dragging to the end of the field selects from the press to the end.
    PointerMove drag;
    drag.position = {399, 20};
    input.handle_event(drag);
    input.handle_event(PointerUp{});
    EXPECT_EQ(input.selection(), (Selection{8, 16}));
    press.clicks = 2;
    input.handle_event(press);
    EXPECT_EQ(input.selected_text(), "beta");
    // A press outside the field is not the field's.
    PointerDown outside;
    outside.position = {500, 20};
    EXPECT_FALSE(input.handle_event(outside).handled);
}
