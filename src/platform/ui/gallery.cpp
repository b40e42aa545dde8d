// ruvo-ui-gallery: renders every widget and text style of the toolkit in the dark and the
// light theme, so the look can be checked at a glance.
//
//   ruvo-ui-gallery --out DIR   writes DIR/gallery-dark.png and DIR/gallery-light.png

#include "platform/ui/avatar.h"
#include "platform/ui/button.h"
#include "platform/ui/context_menu.h"
#include "platform/ui/format.h"
#include "platform/ui/paint.h"
#include "platform/ui/rich_text.h"
#include "platform/ui/text_input.h"
#include "platform/ui/text_renderer.h"
#include "platform/ui/theme.h"
#include "platform/ui/tooltip.h"
#include "platform/ui/transition.h"

#include <cairo.h>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <string>
#include <string_view>

using namespace ruvo_ui;
using namespace std::chrono_literals;

namespace {

constexpr int width = 1280;
constexpr int height = 900;

Image gradient_picture(std::uint32_t w, std::uint32_t h)
{
    Image image;
    image.width = w;
    image.height = h;
    image.pixels.resize(std::size_t(w) * h);
    for (std::uint32_t y = 0; y < h; ++y)
        for (std::uint32_t x = 0; x < w; ++x) {
            double fx = double(x) / w, fy = double(y) / h;
            bool sun = std::hypot(fx - 0.7, fy - 0.35) < 0.12;
            auto r = std::uint8_t(sun ? 255 : 40 + 180 * fx);
            auto g = std::uint8_t(sun ? 210 : 60 + 90 * (1 - fy));
            auto b = std::uint8_t(sun ? 90 : 160 + 80 * fy);
            if (fy > 0.7 + 0.08 * std::sin(fx * 9))
                r = 30, g = std::uint8_t(90 + 40 * fx), b = 70;
            image.pixels[std::size_t(y) * w + x] = premultiplied_argb(r, g, b, 255);
        }
    return image;
}

struct Gallery {
    cairo_t* cr;
    TextRenderer& text;
    const Theme& theme;
    Painter paint{cr};

    void section(double x, double y, std::string_view title)
    {
        text.draw_text_weighted(cr, title, {x, y}, 11, 2, theme.muted_text);
    }

    void draw()
    {
        Rect all{0, 0, width, height};
        surface::fill_window(paint, theme, all);
        // Navigation rail and sidebar, as the chat panes sit.
        paint.fill_rect({0, 0, 72, height}, theme.rail);
        paint.fill_rect({72, 0, 316, height}, theme.panel);
        paint.separator_vertical(316, 0, height, surface::edge_on(theme, theme.panel));
        draw_sidebar();
        double x = 340;
        text.draw_text_weighted(cr, "Toolkit gallery", {x, 20}, theme.title_size + 6, 3,
                                theme.text);
        text.draw_text(cr, theme.mode == ThemeMode::Dark ? "Dark theme" : "Light theme", {x, 50},
                       theme.label_size, theme.muted_text);
        draw_type(x, 84);
        draw_buttons(x, 324);
        draw_cards(x, 404);
        draw_inputs(x, 580);
        draw_colours(x, 776);
        draw_menu_and_tooltip(960, 84);
        draw_media(960, 420);
    }

    void draw_sidebar()
    {
        // Rail tiles.
        for (int i = 0; i < 4; ++i) {
            Rect tile = Rect::from_size(14, 16 + i * 56, 44, 44);
            paint.fill_rounded(tile, i == 0 ? 14 : 22,
                               i == 0 ? theme.accent : Colors::lift(theme, 0.72));
            text.draw_centered(cr, i == 0 ? "R" : std::string(1, char('A' + i)), tile, 16, 2,
                               i == 0 ? theme.on_accent : theme.text);
        }
        paint.fill_rounded({4, 26, 8, 50}, 2, theme.text);
        double sx = 72;
        text.draw_text_weighted(cr, "Ruvo Design", {sx + 16, 22}, theme.title_size, 2, theme.text);
        const char* channels[] = {"general", "design-review",
                                  "a-very-long-channel-name-that-ellipsizes", "random"};
        for (int i = 0; i < 4; ++i) {
            Rect row = Rect::from_size(sx + 8, 64 + i * 38, 232, 34);
            bool selected = i == 1;
            if (selected)
                paint.fill_rounded(row, 8, theme.accent.with_alpha(0.18));
            draw_icon(cr, Icon::Hash, Rect::from_size(row.x0 + 10, row.y0 + 9, 16, 16),
                      selected ? theme.accent_label : theme.muted_text);
            TextStyle style;
            style.size = 13.5;
            style.weight = i == 0 ? 2 : 0;
            style.ellipsize_width = i == 0 ? 140 : 180;
            double lh = text.line_height(13.5, style.weight);
            text.draw_styled(cr, channels[i], {row.x0 + 34, row.y0 + (34 - lh) / 2}, style,
                             i == 0 || selected ? theme.text : theme.muted_text);
            if (i == 0) {
                Rect pill = Rect::from_size(row.x1 - 34, row.y0 + 8, 26, 18);
                paint.fill_rounded(pill, 9, theme.accent);
                text.draw_centered(cr, "12", pill, 11, 2, theme.on_accent);
            }
        }
        text.draw_text_weighted(cr, "PEOPLE", {sx + 16, 230}, 10.5, 2, theme.muted_text);
        const char* people[] = {"Ada Lovelace", "grace hopper", "Jean-Luc Picard", "李 小龙",
                                "🙂 bot"};
        for (int i = 0; i < 5; ++i) {
            Point c{sx + 32, 268 + i * 40.0};
            Avatar::draw_at(cr, text, theme, c, 14, Avatar::initials_for_name(people[i]),
                            theme.avatar_color(i));
            double r = 14;
            Point dot{c.x + 0.72 * r, c.y + 0.72 * r};
            paint.fill_circle(dot, 0.32 * r + 2, theme.panel);
            paint.fill_circle(dot, 0.32 * r, theme.presence_color(i % 4));
            text.draw_text(cr, people[i], {sx + 56, c.y - text.line_height(13) / 2}, 13,
                           theme.text);
        }
        // Identity panel.
        Rect panel{72, height - 64, 316, height};
        paint.fill_rect(panel, theme.rail);
        Avatar::draw_at(cr, text, theme, {72 + 30, height - 32}, 16, "AL", theme.avatar_color(0));
        text.draw_text(cr, "Ada Lovelace", {72 + 56, height - 48}, 13, theme.text);
        text.draw_text(cr, "Available", {72 + 56, height - 30}, 11, theme.muted_text);
        Button::paint(cr, text, theme, Rect::from_size(316 - 84, height - 48, 32, 32), "🎤", {});
        ButtonLook on;
        on.kind = ButtonKind::Destructive;
        Button::paint(cr, text, theme, Rect::from_size(316 - 44, height - 48, 32, 32), "🔇", on);
    }

    void draw_type(double x, double y)
    {
        section(x, y, "TEXT");
        double cy = y + 20;
        for (auto [size, weight, label] :
             {std::tuple{theme.title_size, 2, "Title 16 semibold"},
              std::tuple{14.5, 2, "Author 14.5 semibold"},
              std::tuple{theme.body_size, 0, "Body 14 — The quick brown fox, 0x68 ≠ 0×68"},
              std::tuple{theme.label_size, 1, "Label 13 medium"},
              std::tuple{theme.small_size, 0, "Small 11 · 12:04 · edited"}}) {
            auto s = text.draw_text_weighted(cr, label, {x, cy}, size, weight, theme.text);
            cy += s.height + 4;
        }
        text.draw_text(cr,
                       "Emoji 🔊 👍 🎉 ❤️ 🚀 👀 🙂 🔇 🎧 🔕 🎤 ✉️ 📹 👥 🔒 🖼 ⭐ ⚡ ☕ ✅ ❌ ✨ ☀️ "
                       "✌️",
                       {x, cy}, 14, theme.text);
        cy += 24;
        text.draw_text(cr, "Symbols ☰ ➤ ▾ ▸ ● ↓ ☺ ＋ Category · ellipsized:", {x, cy}, 14,
                       theme.text);
        TextStyle cut;
        cut.size = 14;
        cut.ellipsize_width = 150;
        text.draw_styled(cr, "this sentence is far too long for its box", {x + 390, cy}, cut,
                         theme.muted_text);
        cy += 24;
        text.draw_text(cr,
                       "RTL: שלום עולם · مرحبا · combining: e\xcc\x81 Z\xcd\x91 · flags 🇩🇪 "
                       "🏳️‍🌈 · 👩‍👩‍👧",
                       {x, cy}, 14, theme.muted_text);
        cy += 26;
        RichTextLayout rich;
        Color bg = theme.window_surface;
        Color mention = readable_on(presence::user_color("u_grace"), bg, 4.5);
        Color me = readable_on(presence::user_color("u_ada"), bg, 4.5);
        rich.push("Thanks ", theme.text);
        rich.push("@grace", mention, std::nullopt, 2);
        rich.push(" — could you and ", theme.text);
        rich.push("@ada", me, me.with_alpha(0.18), 2);
        rich.push(
            " review the composer before Friday? It wraps across lines when the pane is narrow.",
            theme.text);
        text.draw_rich(cr, rich, {x, cy}, 14, 560.0);
    }

    void draw_buttons(double x, double y)
    {
        section(x, y, "BUTTONS");
        double bx = x, by = y + 20;
        struct B {
            const char* label;
            ButtonLook look;
        };
        ButtonLook primary{ButtonKind::Primary};
        ButtonLook primary_hover{ButtonKind::Primary};
        primary_hover.hovered = true;
        ButtonLook plain{};
        ButtonLook plain_hover{};
        plain_hover.hovered = true;
        ButtonLook disabled{ButtonKind::Primary};
        disabled.disabled = true;
        ButtonLook destructive{ButtonKind::Destructive};
        ButtonLook active{};
        active.active = true;
        const B buttons[] = {{"Primary", primary},   {"Hovered", primary_hover},
                             {"Plain", plain},       {"Hovered", plain_hover},
                             {"Disabled", disabled}, {"Leave", destructive},
                             {"Muted", active}};
        for (const auto& b : buttons) {
            double w = text.measure_weighted(b.label, theme.label_size, 1).width + 28;
            Button::paint(cr, text, theme, Rect::from_size(bx, by, w, theme.control_height),
                          b.label, b.look);
            bx += w + theme.gap;
        }
        ButtonLook send{ButtonKind::Primary};
        send.radius = 9;
        send.label_size = 16;
        Button::paint(cr, text, theme, Rect::from_size(bx, by, 44, theme.control_height), "➤",
                      send);
    }

    void draw_cards(double x, double y)
    {
        section(x, y, "CARDS, LIFT AND SHADOWS");
        double cx = x;
        for (double a : {0.3, 0.35, 0.45, 0.55, 0.72}) {
            Rect card = Rect::from_size(cx, y + 22, 96, 56);
            paint.card(card, 10, Colors::lift(theme, a), theme);
            text.draw_centered(cr, fmt_lift(a), card, 12, 1, theme.text);
            cx += 104;
        }
        Rect pop = Rect::from_size(x, y + 96, 250, 64);
        paint.shadow(pop, 14, theme);
        paint.fill_rounded(pop, 14, theme.popover);
        paint.panel_border(pop, 14, theme);
        paint.outline(pop, 14, surface::edge_on(theme, theme.popover));
        text.draw_text(cr, "Popover with the framework shadow", {pop.x0 + 14, pop.y0 + 12}, 13,
                       theme.text);
        text.draw_text(cr, "radius 14, panel border, outline", {pop.x0 + 14, pop.y0 + 34}, 11.5,
                       theme.muted_text);
        Rect pill = Rect::from_size(x + 280, y + 108, 180, 36);
        Rect shadow = pill;
        shadow.x0 -= 3, shadow.y0 -= 3, shadow.x1 += 3, shadow.y1 += 3;
        paint.fill_rounded(shadow, 12, Color{0, 0, 0, 0.29});
        paint.fill_rounded(pill, 10, theme.accent);
        text.draw_centered(cr, "↓ Jump to latest", pill, 12, 2, Color::rgb(0xffffff));
        Rect chip = Rect::from_size(x + 480, y + 110, 64, 30);
        paint.fill_rounded(chip, 8, theme.accent.with_alpha(0.22));
        paint.outline(chip, 8, theme.accent);
        text.draw_centered(cr, "👍 3", chip, 12, 1, theme.accent_label);
    }

    static std::string fmt_lift(double a)
    {
        char buf[32];
        std::snprintf(buf, sizeof buf, "lift %.2f", a);
        return buf;
    }

    void draw_inputs(double x, double y)
    {
        section(x, y, "TEXT INPUTS");
        Instant now{};
        Rect box = Rect::from_size(x, y + 20, 560, 92);
        paint.fill_rounded(box, 14, theme.surface);
        paint.outline(box, 14, theme.focus);
        TextInput composer(InputMode::MultiLine);
        composer.set_text("Shipping the composer on the shared TextInput — real caret, selection, "
                          "and Ctrl+C/V now.\n"
                          "Enter sends, Shift+Enter for a new line.");
        composer.apply_layout_external(box.inset(8));
        composer.set_focused(true, now);
        composer.select(9, 21);
        composer.draw(cr, text, theme, now);

        Rect line = Rect::from_size(x, y + 124, 270, 40);
        paint.fill_rounded(line, 10, theme.surface);
        paint.outline(line, 10, surface::edge_on(theme, theme.surface));
        TextInput empty(InputMode::SingleLine);
        empty.set_placeholder("Message #design-review");
        empty.apply_layout_external(line);
        empty.draw(cr, text, theme, now);

        Rect ime = Rect::from_size(x + 290, y + 124, 270, 40);
        paint.fill_rounded(ime, 10, theme.surface);
        paint.outline(ime, 10, theme.focus);
        TextInput composing(InputMode::SingleLine);
        composing.set_text("Kanji: ");
        composing.apply_layout_external(ime);
        composing.set_focused(true, now);
        composing.handle_event(TextComposition{"かんじ", 3}, now);
        composing.draw(cr, text, theme, now);
    }

    void draw_colours(double x, double y)
    {
        section(x, y, "ROLES AND PALETTE");
        struct Swatch {
            const char* name;
            Color color;
        };
        const Swatch roles[] = {{"rail", theme.rail},       {"panel", theme.panel},
                                {"surface", theme.surface}, {"popover", theme.popover},
                                {"accent", theme.accent},   {"danger", theme.danger},
                                {"focus", theme.focus},     {"online", theme.online},
                                {"idle", theme.idle},       {"offline", theme.offline}};
        double sx = x;
        for (const auto& s : roles) {
            Rect r = Rect::from_size(sx, y + 20, 52, 30);
            paint.card(r, 6, s.color, theme);
            text.draw_text(cr, s.name, {sx, y + 54}, 10, theme.muted_text);
            sx += 58;
        }
        sx = x;
        for (int i = 0; i < 8; ++i) {
            Avatar::draw_at(cr, text, theme, {sx + 14, y + 92}, 13, std::to_string(i),
                            theme.avatar_color(i));
            sx += 34;
        }
        sx += 10;
        for (auto bytes : {0ull, 1023ull, 1536ull, 5ull << 20, 3ull << 30})
            sx +=
                text.draw_text(cr, format::bytes(bytes), {sx, y + 84}, 12, theme.muted_text).width +
                16;
    }

    void draw_menu_and_tooltip(double x, double y)
    {
        section(x, y, "CONTEXT MENU AND TOOLTIP");
        ContextMenu menu;
        menu.push("Rename", Icon::Edit);
        menu.push("Move up", Icon::ArrowUp);
        menu.push("Move down", Icon::ArrowDown);
        menu.push("New text channel", Icon::Add);
        menu.push("Archive / unarchive", Icon::Archive);
        menu.push("Delete", Icon::Delete, true);
        menu.open_at({x, y + 22}, 220);
        PointerMove hover;
        hover.position = {x + 40, menu.item_rect(1).y0 + 10};
        menu.handle_event(hover);
        menu.draw(cr, text, theme);

        TooltipHost tips(0ms);
        Instant now{};
        tips.set_target({x + 10, y + 260}, "Send message", now);
        tips.tick(now);
        tips.draw(cr, text, theme, {0, 0, width, height});
    }

    void draw_media(double x, double y)
    {
        section(x, y, "IMAGES AND TRANSITIONS");
        static const Image picture = gradient_picture(320, 180);
        Rect wide = Rect::from_size(x, y + 22, 280, 110);
        paint.shadow(wide, 12, theme, 10, 0.6);
        paint.image_cover(picture, wide, 12);
        Rect tall = Rect::from_size(x, y + 146, 90, 130);
        paint.image_cover(picture, tall, 10);
        text.draw_text(cr, "cover: cropped, centred", {x + 100, y + 150}, 12, theme.muted_text);
        Instant t0{};
        auto t = Transition::closed(200ms);
        t.set_open(true, t0);
        for (int i = 0; i <= 4; ++i) {
            double v = t.value(t0 + std::chrono::milliseconds(50 * i));
            Rect track = Rect::from_size(x + 100, y + 176 + i * 20, 180, 8);
            paint.fill_rounded(track, 4, Colors::lift(theme, 0.72));
            paint.fill_rounded(Rect::from_size(track.x0, track.y0, 180 * v, 8), 4, theme.accent);
        }
    }
};

int render(const std::filesystem::path& path, const Theme& theme)
{
    cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, width, height);
    cairo_t* cr = cairo_create(surface);
    TextRenderer text;
    Gallery{cr, text, theme}.draw();
    cairo_destroy(cr);
    auto status = cairo_surface_write_to_png(surface, path.c_str());
    cairo_surface_destroy(surface);
    if (status != CAIRO_STATUS_SUCCESS) {
        std::fprintf(stderr, "cannot write %s: %s\n", path.c_str(), cairo_status_to_string(status));
        return 1;
    }
    std::printf("wrote %s\n", path.c_str());
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    std::filesystem::path out = ".";
    for (int i = 1; i < argc; ++i) {
        std::string_view arg = argv[i];
        if (arg == "--out" && i + 1 < argc) {
            out = argv[++i];
        } else {
            std::fprintf(stderr, "usage: ruvo-ui-gallery [--out DIR]\n");
            return 2;
        }
    }
    std::error_code ec;
    std::filesystem::create_directories(out, ec);
    int rc = render(out / "gallery-dark.png", Theme::dark());
    rc |= render(out / "gallery-light.png", Theme::light());
    return rc;
}
