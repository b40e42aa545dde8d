#include "platform/ui/launch.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>

#include <fontconfig/fontconfig.h>
#include <spdlog/spdlog.h>

#include "platform/ui/window_host.h"

namespace ruvo_ui::launch {

namespace {

void apply_settings(const Descriptor& descriptor)
{
    for (const auto& entry : descriptor.env_defaults) {
        auto eq = entry.find('=');
        if (eq == std::string::npos || eq == 0)
            continue;
        ::setenv(entry.substr(0, eq).c_str(), entry.substr(eq + 1).c_str(), 0);
    }
    for (const auto& entry : descriptor.log_levels) {
        auto eq = entry.find('=');
        if (eq == std::string::npos) {
            spdlog::set_level(spdlog::level::from_str(entry));
        } else if (auto logger = spdlog::get(entry.substr(0, eq))) {
            logger->set_level(spdlog::level::from_str(entry.substr(eq + 1)));
        }
    }
    for (const auto& file : descriptor.font_files) {
        if (!FcConfigAppFontAddFile(FcConfigGetCurrent(), reinterpret_cast<const FcChar8*>(file.c_str())))
            spdlog::warn("cannot load font file {}", file);
    }
}

int render_one(const Descriptor& descriptor, const ShotRequest& request)
{
    if (!descriptor.render_shot) {
        std::fprintf(stderr, "this application renders no screenshots\n");
        return 1;
    }
    auto rendered = descriptor.render_shot(request);
    if (!rendered) {
        std::fprintf(stderr, "%s\n", rendered.error().c_str());
        return 1;
    }
    return 0;
}

int render_all(const Descriptor& descriptor, const ShotsDirCommand& command)
{
    std::error_code ec;
    std::filesystem::create_directories(command.dir, ec);
    if (ec) {
        std::fprintf(stderr, "cannot create %s: %s\n", command.dir.c_str(), ec.message().c_str());
        return 1;
    }
    int status = 0;
    for (const auto& name : descriptor.shot_names) {
        auto request = command.base;
        request.scene = name;
        request.output = command.dir / (name + ".png");
        if (render_one(descriptor, request) != 0)
            status = 1;
    }
    return status;
}

std::vector<std::string> process_arguments()
{
    std::ifstream file("/proc/self/cmdline", std::ios::binary);
    std::string all((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    std::vector<std::string> args;
    std::size_t start = 0;
    while (start < all.size()) {
        auto end = all.find('\0', start);
        if (end == std::string::npos)
            end = all.size();
        args.push_back(all.substr(start, end - start));
        start = end + 1;
    }
    return args;
}

} // namespace

Theme shot_theme(const ShotRequest& request)
{
    return Theme::for_mode(request.theme);
}

int run(const Descriptor& descriptor, std::span<const std::string> args)
{
    std::string program = program_invocation_short_name;
    auto command = parse_command_line(args);
    if (!command) {
        std::fprintf(stderr, "%s\n%s", command.error().message.c_str(), usage(program).c_str());
        return 2;
    }
    apply_settings(descriptor);

    if (std::holds_alternative<HelpCommand>(*command)) {
        std::fputs(usage(program).c_str(), stdout);
        return 0;
    }
    if (auto* window = std::get_if<WindowCommand>(&*command))
        return run_window(descriptor, window->theme);
    if (auto* shot = std::get_if<ShotCommand>(&*command))
        return render_one(descriptor, shot->request);
    return render_all(descriptor, std::get<ShotsDirCommand>(*command));
}

void run_or_exit(const Descriptor& descriptor)
{
    auto args = process_arguments();
    std::span<const std::string> rest(args);
    if (!rest.empty())
        rest = rest.subspan(1);
    int status = run(descriptor, rest);
    std::fflush(stdout);
    std::exit(status);
}

} // namespace ruvo_ui::launch
