#include <charconv>

#include <CLI/CLI.hpp>

#include "platform/ui/launch.h"

namespace ruvo_ui::launch {

namespace {

constexpr std::uint32_t max_shot_side = 16'384;

util::Result<std::pair<std::uint32_t, std::uint32_t>> parse_size(std::string_view text)
{
    auto x = text.find('x');
    if (x == std::string_view::npos)
        return util::fail("--size must look like 1280x800, not \"{}\"", text);
    auto number = [](std::string_view digits, std::uint32_t& out) {
        auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), out);
        return ec == std::errc() && end == digits.data() + digits.size() && !digits.empty();
    };
    std::uint32_t width = 0, height = 0;
    if (!number(text.substr(0, x), width) || !number(text.substr(x + 1), height))
        return util::fail("--size must look like 1280x800, not \"{}\"", text);
    if (width == 0 || height == 0 || width > max_shot_side || height > max_shot_side)
        return util::fail("--size must be between 1x1 and {0}x{0}, not \"{1}\"", max_shot_side, text);
    return std::pair{width, height};
}

} // namespace

util::Result<Command> parse_command_line(std::span<const std::string> args)
{
    CLI::App cli;
    cli.set_help_flag(); // help is handled below so that it never exits the process from inside
    bool help = false;
    std::optional<std::string> shot, out, size, theme, shots_dir;
    cli.add_flag("-h,--help", help);
    cli.add_option("--shot", shot);
    cli.add_option("--out", out);
    cli.add_option("--size", size);
    cli.add_option("--theme", theme);
    cli.add_option("--shots-dir", shots_dir);

    std::vector<std::string> reversed(args.rbegin(), args.rend());
    try {
        cli.parse(reversed);
    } catch (const CLI::ParseError& error) {
        return util::fail("{}", error.what());
    }
    if (help)
        return HelpCommand{};

    ThemeMode mode = ThemeMode::Dark;
    if (theme) {
        if (*theme == "light")
            mode = ThemeMode::Light;
        else if (*theme != "dark")
            return util::fail("--theme must be dark or light, not \"{}\"", *theme);
    }

    ShotRequest request;
    request.theme = mode;
    request.scene = shot;
    if (out)
        request.output = std::filesystem::path(*out);
    if (size) {
        auto parsed = parse_size(*size);
        if (!parsed)
            return std::unexpected(parsed.error());
        request.has_size = true;
        request.width = parsed->first;
        request.height = parsed->second;
    }

    if (shots_dir) {
        if (shot || out)
            return util::fail("--shots-dir renders every scene and cannot be combined with --shot or --out");
        if (shots_dir->empty())
            return util::fail("--shots-dir needs a directory");
        return ShotsDirCommand{*shots_dir, request};
    }
    if (shot || out)
        return ShotCommand{request};
    if (size)
        return util::fail("--size applies only to screenshots (--shot, --out or --shots-dir)");
    return WindowCommand{mode};
}

std::string usage(std::string_view program)
{
    return fmt::format("usage: {0}                                  open the window\n"
                       "       {0} --shot NAME --out PATH [--size WxH] [--theme dark|light]\n"
                       "       {0} --shots-dir DIR [--size WxH] [--theme dark|light]\n",
                       program);
}

} // namespace ruvo_ui::launch
