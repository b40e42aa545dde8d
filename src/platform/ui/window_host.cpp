#include "platform/ui/window_host.h"

#include <array>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <thread>

#include <SDL2/SDL.h>
#include <cairo.h>
#include <spdlog/spdlog.h>

#include "platform/crdt/document.h"
#include "platform/identity/xdg.h"
#include "platform/ui/key_values.h"
#include "platform/ui/sdl_clipboard.h"

namespace ruvo_ui {

namespace {

using Clock = std::chrono::steady_clock;

std::atomic<Uint32> wake_event_type = 0;

struct SdlSession {
    ~SdlSession() { SDL_Quit(); }
};

struct WindowDeleter {
    void operator()(SDL_Window* w) const { SDL_DestroyWindow(w); }
};
struct RendererDeleter {
    void operator()(SDL_Renderer* r) const { SDL_DestroyRenderer(r); }
};
struct TextureDeleter {
    void operator()(SDL_Texture* t) const { SDL_DestroyTexture(t); }
};
struct SurfaceDeleter {
    void operator()(cairo_surface_t* s) const { cairo_surface_destroy(s); }
};
struct CursorDeleter {
    void operator()(SDL_Cursor* c) const { SDL_FreeCursor(c); }
};

Modifiers modifiers_of(Uint16 mod)
{
    return Modifiers{(mod & KMOD_SHIFT) != 0, (mod & KMOD_CTRL) != 0, (mod & KMOD_ALT) != 0, (mod & KMOD_GUI) != 0};
}

Modifiers current_modifiers() { return modifiers_of(static_cast<Uint16>(SDL_GetModState())); }

std::optional<PointerButton> button_of(Uint8 button)
{
    switch (button) {
    case SDL_BUTTON_LEFT:
        return PointerButton::Primary;
    case SDL_BUTTON_RIGHT:
        return PointerButton::Secondary;
    case SDL_BUTTON_MIDDLE:
        return PointerButton::Middle;
    default:
        return std::nullopt;
    }
}

// Appends one line per delivered event to the file named by RUVO_UI_EVENT_LOG, so that
// end-to-end tests can see what reached the root widget.
class EventLog {
public:
    EventLog()
    {
        if (const char* path = std::getenv("RUVO_UI_EVENT_LOG"); path && *path)
            m_file.open(path, std::ios::app);
    }
    bool enabled() const { return m_file.is_open(); }
    void write(const std::string& line)
    {
        if (m_file.is_open())
            m_file << line << '\n' << std::flush;
    }

private:
    std::ofstream m_file;
};

class Host {
public:
    Host(const launch::Descriptor& descriptor, ThemeMode theme)
        : m_descriptor(descriptor)
        , m_theme(Theme::for_mode(theme))
        , m_app(descriptor.application_id)
    {
    }

    int run();

private:
    bool open_window();
    void deliver(const Event& event);
    void translate(const SDL_Event& e);
    void frame();
    bool ensure_buffers();
    void update_text_input();
    void update_cursor();
    void pace(Clock::time_point frame_start);
    void open_document();
    void save_document();
    double refresh_interval_seconds() const;

    const launch::Descriptor& m_descriptor;
    Theme m_theme;
    App m_app;
    persist::Handle m_store;
    crdt::Document m_memory_document;
    crdt::Document* m_document = &m_memory_document;
    Clock::time_point m_last_compaction_check = Clock::now();
    std::unique_ptr<Widget> m_widget;
    EventLog m_log;

    std::unique_ptr<SDL_Window, WindowDeleter> m_window;
    std::unique_ptr<SDL_Renderer, RendererDeleter> m_renderer;
    std::unique_ptr<SDL_Texture, TextureDeleter> m_texture;
    std::unique_ptr<cairo_surface_t, SurfaceDeleter> m_surface;
    std::array<std::unique_ptr<SDL_Cursor, CursorDeleter>, 4> m_cursors;
    std::optional<TextRenderer> m_text;

    int m_pixel_width = 0;
    int m_pixel_height = 0;
    double m_scale = 1;
    bool m_running = true;
    bool m_frame_wanted = true;
    bool m_layout_wanted = true;
    bool m_text_input_on = true;
    CursorShape m_cursor = CursorShape::Default;
};

bool Host::open_window()
{
    int width = 1280, height = 800;
    if (m_descriptor.default_window_size) {
        auto size = m_descriptor.default_window_size();
        if (size.width > 0 && size.height > 0) {
            width = size.width;
            height = size.height;
        }
    }
    Uint32 flags = SDL_WINDOW_RESIZABLE | SDL_WINDOW_ALLOW_HIGHDPI;
    if (m_descriptor.start_fullscreen)
        flags |= SDL_WINDOW_FULLSCREEN_DESKTOP;
    if (m_descriptor.start_maximized)
        flags |= SDL_WINDOW_MAXIMIZED;
    auto title = m_descriptor.window_title.value_or(m_descriptor.application_id);
    m_window.reset(SDL_CreateWindow(title.c_str(), SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED, width, height, flags));
    if (!m_window) {
        std::fprintf(stderr, "cannot open a window: %s\n", SDL_GetError());
        return false;
    }
    Uint32 renderer_flags = SDL_RENDERER_ACCELERATED | (m_descriptor.vsync ? SDL_RENDERER_PRESENTVSYNC : 0);
    m_renderer.reset(SDL_CreateRenderer(m_window.get(), -1, renderer_flags));
    if (!m_renderer)
        m_renderer.reset(SDL_CreateRenderer(m_window.get(), -1, SDL_RENDERER_SOFTWARE));
    if (!m_renderer) {
        std::fprintf(stderr, "cannot draw into the window: %s\n", SDL_GetError());
        return false;
    }
    for (const auto& icon_path : m_descriptor.window_icons) {
        std::unique_ptr<cairo_surface_t, SurfaceDeleter> icon(cairo_image_surface_create_from_png(icon_path.c_str()));
        if (cairo_surface_status(icon.get()) != CAIRO_STATUS_SUCCESS)
            continue;
        auto* sdl_icon = SDL_CreateRGBSurfaceWithFormatFrom(
            cairo_image_surface_get_data(icon.get()), cairo_image_surface_get_width(icon.get()),
            cairo_image_surface_get_height(icon.get()), 32, cairo_image_surface_get_stride(icon.get()),
            SDL_PIXELFORMAT_ARGB8888);
        if (sdl_icon) {
            SDL_SetWindowIcon(m_window.get(), sdl_icon);
            SDL_FreeSurface(sdl_icon);
            break;
        }
    }
    m_cursors[0].reset(SDL_CreateSystemCursor(SDL_SYSTEM_CURSOR_ARROW));
    m_cursors[1].reset(SDL_CreateSystemCursor(SDL_SYSTEM_CURSOR_HAND));
    m_cursors[2].reset(SDL_CreateSystemCursor(SDL_SYSTEM_CURSOR_IBEAM));
    m_cursors[3].reset(SDL_CreateSystemCursor(SDL_SYSTEM_CURSOR_SIZEALL));
    return true;
}

int Host::run()
{
    const char* display = std::getenv("DISPLAY");
    const char* wayland = std::getenv("WAYLAND_DISPLAY");
    if ((!display || !*display) && (!wayland || !*wayland)) {
        std::fprintf(stderr, "no display: set DISPLAY or WAYLAND_DISPLAY, or render scenes with --shot\n");
        return 1;
    }
    SDL_SetHint(SDL_HINT_IME_SHOW_UI, "1");
    SDL_SetHint(SDL_HINT_VIDEO_X11_NET_WM_BYPASS_COMPOSITOR, "0");
    if (SDL_Init(SDL_INIT_VIDEO | SDL_INIT_EVENTS) != 0) {
        std::fprintf(stderr, "no display: %s\n", SDL_GetError());
        return 1;
    }
    SdlSession session;
    wake_event_type = SDL_RegisterEvents(1);
    set_clipboard(make_sdl_clipboard());
    struct ClipboardReset {
        ~ClipboardReset() { set_clipboard(nullptr); }
    } clipboard_reset;

    if (m_descriptor.register_actions)
        m_descriptor.register_actions(m_app);
    if (!m_descriptor.create_app) {
        std::fprintf(stderr, "this application has no root widget\n");
        return 1;
    }
    open_document();
    m_widget = m_descriptor.create_app();
    if (!open_window())
        return 1;
    m_text.emplace();
    spdlog::info("window open");

    bool started = false;
    while (m_running) {
        SDL_Event e;
        bool animate = m_frame_wanted || m_widget->needs_animation_frame();
        bool have = animate ? SDL_PollEvent(&e) : SDL_WaitEvent(&e);
        while (have && m_running) {
            translate(e);
            have = SDL_PollEvent(&e);
        }
        if (!m_running)
            break;
        if (m_frame_wanted || m_widget->needs_animation_frame()) {
            auto start = Clock::now();
            frame();
            if (!started) {
                started = true;
                if (m_descriptor.on_start)
                    m_descriptor.on_start(m_app);
            }
            pace(start);
        }
    }
    if (m_descriptor.on_exit)
        m_descriptor.on_exit(m_app);
    m_widget.reset();
    save_document();
    m_store.reset(); // writes what is pending
    spdlog::info("window closed");
    m_log.write("closed");
    wake_event_type = 0;
    return 0;
}

void Host::deliver(const Event& event)
{
    bool handled = m_widget->handle_event(event);
    m_log.write(fmt::format("{} handled={}", describe(event), handled ? 1 : 0));
    save_document();
    m_frame_wanted = true;
}

void Host::translate(const SDL_Event& e)
{
    switch (e.type) {
    case SDL_QUIT:
        m_running = false;
        return;
    case SDL_WINDOWEVENT:
        switch (e.window.event) {
        case SDL_WINDOWEVENT_CLOSE:
            if (!m_descriptor.quit_on_close || m_descriptor.quit_on_close())
                m_running = false;
            else
                deliver(CloseRequest{});
            return;
        case SDL_WINDOWEVENT_SIZE_CHANGED:
        case SDL_WINDOWEVENT_RESIZED:
        case SDL_WINDOWEVENT_DISPLAY_CHANGED:
            m_layout_wanted = true;
            m_frame_wanted = true;
            return;
        case SDL_WINDOWEVENT_EXPOSED:
        case SDL_WINDOWEVENT_SHOWN:
            m_frame_wanted = true;
            return;
        case SDL_WINDOWEVENT_FOCUS_GAINED:
        case SDL_WINDOWEVENT_FOCUS_LOST: {
            bool focused = e.window.event == SDL_WINDOWEVENT_FOCUS_GAINED;
            if (m_descriptor.on_focus_changed)
                m_descriptor.on_focus_changed(focused);
            deliver(FocusChange{focused});
            return;
        }
        case SDL_WINDOWEVENT_LEAVE:
            deliver(PointerLeave{});
            return;
        default:
            return;
        }
    case SDL_KEYDOWN:
        deliver(KeyDown{key_value(e.key.keysym.sym, (e.key.keysym.mod & KMOD_SHIFT) != 0,
                                  (e.key.keysym.mod & KMOD_CAPS) != 0),
                        modifiers_of(e.key.keysym.mod), e.key.repeat != 0});
        return;
    case SDL_KEYUP:
        deliver(KeyUp{key_value(e.key.keysym.sym, (e.key.keysym.mod & KMOD_SHIFT) != 0,
                                (e.key.keysym.mod & KMOD_CAPS) != 0),
                      modifiers_of(e.key.keysym.mod)});
        return;
    case SDL_TEXTINPUT:
        deliver(TextCommit{e.text.text});
        return;
    case SDL_TEXTEDITING:
        deliver(TextComposition{e.edit.text, e.edit.start});
        return;
    case SDL_MOUSEMOTION:
        deliver(PointerMove{{double(e.motion.x), double(e.motion.y)}, current_modifiers()});
        return;
    case SDL_MOUSEBUTTONDOWN:
        if (auto button = button_of(e.button.button))
            deliver(PointerDown{{double(e.button.x), double(e.button.y)}, *button, e.button.clicks, current_modifiers()});
        return;
    case SDL_MOUSEBUTTONUP:
        if (auto button = button_of(e.button.button))
            deliver(PointerUp{{double(e.button.x), double(e.button.y)}, *button, current_modifiers()});
        return;
    case SDL_MOUSEWHEEL: {
        double flip = e.wheel.direction == SDL_MOUSEWHEEL_FLIPPED ? -1.0 : 1.0;
        deliver(Wheel{{double(e.wheel.mouseX), double(e.wheel.mouseY)},
                      flip * e.wheel.preciseX,
                      flip * e.wheel.preciseY,
                      WheelUnit::Lines,
                      current_modifiers()});
        return;
    }
    default:
        if (e.type == wake_event_type)
            m_frame_wanted = true;
        return;
    }
}

bool Host::ensure_buffers()
{
    int pixel_width = 0, pixel_height = 0, width = 0, height = 0;
    SDL_GetRendererOutputSize(m_renderer.get(), &pixel_width, &pixel_height);
    SDL_GetWindowSize(m_window.get(), &width, &height);
    if (pixel_width <= 0 || pixel_height <= 0 || width <= 0 || height <= 0)
        return false;
    double scale = double(pixel_width) / width;
    if (scale != m_scale) {
        m_scale = scale;
        if (m_descriptor.on_scale_changed)
            m_descriptor.on_scale_changed(scale);
        deliver(ScaleChange{scale});
    }
    if (pixel_width == m_pixel_width && pixel_height == m_pixel_height && m_surface)
        return true;
    m_texture.reset(SDL_CreateTexture(m_renderer.get(), SDL_PIXELFORMAT_ARGB8888, SDL_TEXTUREACCESS_STREAMING,
                                      pixel_width, pixel_height));
    m_surface.reset(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, pixel_width, pixel_height));
    if (!m_texture || cairo_surface_status(m_surface.get()) != CAIRO_STATUS_SUCCESS) {
        spdlog::error("cannot allocate a {}x{} frame: {}", pixel_width, pixel_height, SDL_GetError());
        m_texture.reset();
        m_surface.reset();
        return false;
    }
    m_pixel_width = pixel_width;
    m_pixel_height = pixel_height;
    m_layout_wanted = true;
    return true;
}

void Host::frame()
{
    m_frame_wanted = false;
    m_widget->sync(*m_document);
    save_document();
    if (!ensure_buffers())
        return;

    Size logical{m_pixel_width / m_scale, m_pixel_height / m_scale};
    // The widget may ask to be laid out again in response to its own layout; a few rounds settle it.
    for (int round = 0; round < 4 && (m_layout_wanted || m_widget->take_layout_dirty()); ++round) {
        m_layout_wanted = false;
        m_widget->build_layout();
        m_widget->apply_layout(Rect{0, 0, logical.width, logical.height});
        if (m_log.enabled())
            m_log.write(fmt::format("layout {}x{} scale={}", logical.width, logical.height, m_scale));
    }

    cairo_t* cr = cairo_create(m_surface.get());
    cairo_scale(cr, m_scale, m_scale);
    const auto& surface = m_theme.window_surface;
    cairo_set_source_rgba(cr, surface.r, surface.g, surface.b, 1.0);
    cairo_paint(cr);
    Scene scene(cr, logical, m_scale, 1.0f);
    m_widget->draw(scene, m_theme, *m_text, 1.0f);
    cairo_destroy(cr);
    cairo_surface_flush(m_surface.get());

    SDL_UpdateTexture(m_texture.get(), nullptr, cairo_image_surface_get_data(m_surface.get()),
                      cairo_image_surface_get_stride(m_surface.get()));
    SDL_RenderClear(m_renderer.get());
    SDL_RenderCopy(m_renderer.get(), m_texture.get(), nullptr, nullptr);
    SDL_RenderPresent(m_renderer.get());

    update_text_input();
    update_cursor();
}

void Host::update_text_input()
{
    bool wanted = m_widget->wants_text_input();
    if (wanted != m_text_input_on) {
        m_text_input_on = wanted;
        wanted ? SDL_StartTextInput() : SDL_StopTextInput();
    }
    if (auto rect = m_widget->text_input_rect()) {
        SDL_Rect r{int(rect->x0), int(rect->y0), int(rect->width()), int(rect->height())};
        SDL_SetTextInputRect(&r);
    }
}

void Host::update_cursor()
{
    auto shape = m_widget->cursor_shape();
    if (shape == m_cursor)
        return;
    m_cursor = shape;
    if (auto& cursor = m_cursors[static_cast<std::size_t>(shape)])
        SDL_SetCursor(cursor.get());
}

void Host::open_document()
{
    if (!m_descriptor.persist_document || !m_descriptor.open_persistence)
        return;
    auto data_home = identity::xdg::dirs().effective_data_home();
    if (!data_home) {
        spdlog::warn("no data folder (neither XDG_DATA_HOME nor HOME is set): the document is kept in memory only");
        return;
    }
    auto store = m_descriptor.open_persistence(*data_home / "ruvo" / m_descriptor.application_id, "document");
    if (!store) {
        spdlog::error("{}; the document is kept in memory only", store.error().message);
        return;
    }
    m_store = std::move(*store);
    m_document = &m_store->document();
}

// Commits what the widget wrote and hands it to the store, which writes it on its own thread.
void Host::save_document()
{
    if (!m_store) {
        if (m_document->pending_ops() > 0)
            m_document->commit();
        return;
    }
    m_store->save_committed();
    if (Clock::now() - m_last_compaction_check > std::chrono::minutes(1)) {
        m_last_compaction_check = Clock::now();
        m_store->maybe_compact();
    }
}

double Host::refresh_interval_seconds() const
{
    SDL_DisplayMode mode;
    if (SDL_GetWindowDisplayMode(m_window.get(), &mode) == 0 && mode.refresh_rate > 0)
        return 1.0 / mode.refresh_rate;
    return 1.0 / 60;
}

// Vsync normally holds each present to the display's rate; where it does not (virtual displays,
// software renderers) sleep out the rest of the interval so an animating window never spins.
void Host::pace(Clock::time_point frame_start)
{
    auto interval = std::chrono::duration<double>(refresh_interval_seconds());
    auto spent = Clock::now() - frame_start;
    if (spent < interval)
        std::this_thread::sleep_for(interval - spent);
}

} // namespace

int run_window(const launch::Descriptor& descriptor, ThemeMode theme)
{
    Host host(descriptor, theme);
    return host.run();
}

void request_frame()
{
    Uint32 type = wake_event_type;
    if (type == 0 || type == Uint32(-1))
        return;
    SDL_Event event{};
    event.type = type;
    SDL_PushEvent(&event);
}

} // namespace ruvo_ui
