#include "platform/ui/context_menu.h"

#include <gtest/gtest.h>

using namespace ruvo_ui;

namespace {

ContextMenu channel_menu()
{
    ContextMenu menu;
    menu.push("Delete", Icon::Delete, true);
    menu.push("Archive / unarchive", Icon::Archive);
    menu.push("Rename", Icon::Edit);
    menu.open_at({100, 100}, 220);
    return menu;
}

Point centre(const Rect& r)
{
    return {(r.x0 + r.x1) / 2, (r.y0 + r.y1) / 2};
}

KeyDown key(const char* name)
{
    KeyDown k;
    k.key = name;
    return k;
}

PointerDown down(Point p, PointerButton button = PointerButton::Primary)
{
    PointerDown d;
    d.position = p;
    d.button = button;
    return d;
}

PointerMove move(Point p)
{
    PointerMove m;
    m.position = p;
    return m;
}

Wheel wheel(Point p)
{
    Wheel w;
    w.position = p;
    w.dy = 1;
    return w;
}

SemanticRequest request(SemanticAction action)
{
    SemanticRequest r;
    r.action = action;
    return r;
}

MenuResponse chose(std::size_t index)
{
    MenuResponse r;
    r.consumed = true;
    r.chosen = index;
    r.close = true;
    return r;
}

MenuResponse consumed_only()
{
    MenuResponse r;
    r.consumed = true;
    return r;
}

} // namespace

TEST(ContextMenuEvents, PrimaryPressOnAnItemChoosesItAndCloses)
{
    auto menu = channel_menu();
    EXPECT_EQ(menu.handle_event(down(centre(menu.item_rect(2)))), chose(2));
    EXPECT_FALSE(menu.is_open());
}

TEST(ContextMenuEvents, PressOutsideClosesWithoutConsuming)
{
    for (auto button : {PointerButton::Primary, PointerButton::Secondary}) {
        auto menu = channel_menu();
        auto response = menu.handle_event(down({10, 10}, button));
        EXPECT_FALSE(response.consumed);
        EXPECT_TRUE(response.close);
        EXPECT_FALSE(response.chosen);
    }
}

TEST(ContextMenuEvents, PressOnThePaddingOrWithTheSecondaryButtonIsConsumedOnly)
{
    auto menu = channel_menu();
    Point padding{menu.rect().x0 + 2, menu.rect().y0 + 2};
    EXPECT_EQ(menu.handle_event(down(padding)), consumed_only());
    EXPECT_EQ(menu.handle_event(down(centre(menu.item_rect(0)), PointerButton::Secondary)),
              consumed_only());
    EXPECT_TRUE(menu.is_open());
}

TEST(ContextMenuEvents, PointerMovesHighlightInsideAndPassOutside)
{
    auto menu = channel_menu();
    EXPECT_TRUE(menu.handle_event(move(centre(menu.item_rect(1)))).consumed);
    EXPECT_EQ(menu.highlighted(), 1u);
    EXPECT_FALSE(menu.handle_event(move({5, 5})).consumed);
    EXPECT_FALSE(menu.handle_event(wheel({5, 5})).consumed);
    EXPECT_TRUE(menu.handle_event(wheel(centre(menu.item_rect(1)))).consumed);
}

TEST(ContextMenuEvents, KeyboardNavigationWrapsAndChooses)
{
    auto menu = channel_menu();
    EXPECT_TRUE(menu.handle_event(key("ArrowDown")).consumed);
    EXPECT_EQ(menu.highlighted(), 0u);
    menu.handle_event(key("ArrowUp"));
    EXPECT_EQ(menu.highlighted(), 2u); // wrapped to the last
    menu.handle_event(key("ArrowDown"));
    EXPECT_EQ(menu.highlighted(), 0u);
    menu.handle_event(key("End"));
    EXPECT_EQ(menu.highlighted(), 2u);
    menu.handle_event(key("Home"));
    menu.handle_event(key("ArrowDown"));
    EXPECT_EQ(menu.handle_event(key("Enter")), chose(1));
}

TEST(ContextMenuEvents, EnterWithoutHighlightChoosesNothingAndEscapeCloses)
{
    auto menu = channel_menu();
    EXPECT_EQ(menu.handle_event(key("Enter")), consumed_only());
    EXPECT_TRUE(menu.is_open());
    auto response = menu.handle_event(key("Escape"));
    EXPECT_TRUE(response.close);
    EXPECT_FALSE(response.chosen);
    EXPECT_FALSE(menu.is_open());
}

TEST(ContextMenuEvents, OtherKeysAndTextAreLeftToTheOwner)
{
    auto menu = channel_menu();
    EXPECT_EQ(menu.handle_event(key("a")), MenuResponse{});
    EXPECT_EQ(menu.handle_event(TextCommit{"a"}), MenuResponse{});
    EXPECT_TRUE(menu.is_open());
}

TEST(ContextMenuPlacement, ClampedMenuStaysInsideTheBounds)
{
    Rect bounds{0, 0, 800, 600};
    for (Point p : {Point{790, 590}, Point{0, 0}, Point{400, 580}, Point{795, 10}}) {
        ContextMenu menu;
        for (int i = 0; i < 5; ++i)
            menu.push("Item");
        menu.open_at_clamped(p, 220, bounds);
        Rect r = menu.rect();
        EXPECT_GE(r.x0, bounds.x0);
        EXPECT_GE(r.y0, bounds.y0);
        EXPECT_LE(r.x1, bounds.x1);
        EXPECT_LE(r.y1, bounds.y1);
        EXPECT_DOUBLE_EQ(r.width(), 220);
    }
    // A menu opened with room to spare opens exactly at the point.
    ContextMenu menu;
    menu.push("Item");
    menu.open_at_clamped({10, 20}, 220, bounds);
    EXPECT_EQ(menu.rect().x0, 10);
    EXPECT_EQ(menu.rect().y0, 20);
}

TEST(ContextMenuAccessibility, ItemsAreNodesAndActionsChooseThem)
{
    auto menu = channel_menu();
    auto tree = menu.accessibility();
    ASSERT_EQ(tree.children.size(), 3u);
    EXPECT_EQ(tree.role, AccessRole::Menu);
    EXPECT_EQ(tree.children[0].id, "context-menu:item:0");
    EXPECT_EQ(tree.children[0].label, "Delete");
    EXPECT_TRUE(tree.children[0].states.destructive);
    EXPECT_EQ(tree.children[2].rect, menu.item_rect(2));

    EXPECT_EQ(menu.perform_semantic_action("context-menu:item:7", request(SemanticAction::Default)),
              MenuResponse{});
    EXPECT_EQ(
        menu.perform_semantic_action("context-menu:item:1x", request(SemanticAction::Default)),
        MenuResponse{});
    EXPECT_EQ(menu.perform_semantic_action("context-menu:item:", request(SemanticAction::Default)),
              MenuResponse{});
    EXPECT_EQ(menu.perform_semantic_action("context-menu:item:1", request(SemanticAction::Focus)),
              consumed_only());
    EXPECT_EQ(menu.highlighted(), 1u);
    EXPECT_EQ(menu.perform_semantic_action("context-menu:item:1", request(SemanticAction::Default)),
              chose(1));
    EXPECT_FALSE(menu.is_open());
    // A closed menu answers nothing.
    EXPECT_EQ(menu.perform_semantic_action("context-menu:item:0", request(SemanticAction::Default)),
              MenuResponse{});
}
