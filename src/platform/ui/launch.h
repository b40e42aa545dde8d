#pragma once
// Starting an application under the framework. The application fills a Descriptor and calls
// run_or_exit, which reads the process arguments and either opens the window or renders
// screenshot scenes, then ends the process.
//
//   (no arguments)                                   a window
//   --shot NAME --out PATH [--size WxH] [--theme T]  one scene into PATH
//   --out PATH [...]                                 the default scene into PATH
//   --shots-dir DIR [--size WxH] [--theme T]         every scene into DIR/NAME.png
//
// Bad arguments print the usage and exit with status 2.

#include <cstdint>
#include <expected>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <variant>
#include <vector>

#include "platform/ui/app.h"
#include "platform/ui/persist/document_store.h"
#include "platform/ui/theme.h"
#include "platform/ui/widget.h"
#include "platform/util/result.h"

namespace ruvo_ui::launch {

struct ShotRequest {
    std::optional<std::filesystem::path> output;
    std::optional<std::string> scene;
    bool has_size = false;
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    ThemeMode theme = ThemeMode::Dark;

    bool operator==(const ShotRequest&) const = default;
};

struct WindowSize {
    int width = 0;
    int height = 0;
};

struct Descriptor {
    std::string application_id;
    // Font files registered with fontconfig before the first frame.
    std::vector<std::string> font_files;
    // "NAME=value": environment defaults applied when NAME is unset.
    std::vector<std::string> env_defaults;
    // "logger=level" (or just "level" for every logger), applied to the log.
    std::vector<std::string> log_levels;
    // PNG files; the first one that loads becomes the window icon.
    std::vector<std::string> window_icons;
    // The scenes the shot renderer knows, in the order --shots-dir renders them.
    std::vector<std::string> shot_names;
    // The window title; the application id when absent.
    std::optional<std::string> window_title;

    std::function<std::unique_ptr<Widget>()> create_app;
    std::function<std::expected<void, std::string>(const ShotRequest&)> render_shot;
    std::function<void(App&)> register_actions;

    // Called after the first frame is on screen, and when the window loop ends.
    std::function<void(App&)> on_start;
    std::function<void(App&)> on_exit;
    std::function<void(bool focused)> on_focus_changed;
    std::function<void(double scale)> on_scale_changed;

    std::function<WindowSize()> default_window_size;
    // Whether closing the window ends the program; when false the root widget receives a
    // CloseRequest instead.
    std::function<bool()> quit_on_close;
    // Opens the document store, given the framework's data folder for this application and the
    // document's name. Without it, or when it fails, the document lives in memory only.
    std::function<util::Result<persist::Handle>(const std::filesystem::path& dir, std::string_view name)>
        open_persistence;

    bool start_fullscreen = false;
    bool start_maximized = false;
    bool persist_document = true;
    bool vsync = true;
};

struct WindowCommand {
    ThemeMode theme = ThemeMode::Dark;
};
struct ShotCommand {
    ShotRequest request;
};
struct ShotsDirCommand {
    std::filesystem::path dir;
    ShotRequest base; // size and theme for every scene
};
struct HelpCommand {};

using Command = std::variant<WindowCommand, ShotCommand, ShotsDirCommand, HelpCommand>;

// Parses the arguments after the program name. The error message says what is wrong.
util::Result<Command> parse_command_line(std::span<const std::string> args);

std::string usage(std::string_view program);

// The theme a shot is to be drawn in.
Theme shot_theme(const ShotRequest& request);

// Runs the command line against the descriptor; returns the process exit status.
int run(const Descriptor& descriptor, std::span<const std::string> args);

// Reads the process arguments, runs, and exits the process with run's status.
[[noreturn]] void run_or_exit(const Descriptor& descriptor);

} // namespace ruvo_ui::launch
