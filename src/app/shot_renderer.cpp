#include "app/shot_renderer.h"

#include <cstdio>

#include "app/chat_app.h"
#include "platform/ui/shot_frame.h"

namespace chat::app {

std::expected<void, std::string> render_shot(const ruvo_ui::launch::ShotRequest& request)
{
    if (!request.output)
        return std::unexpected("missing screenshot output");

    ChatApp app;
    auto theme = ruvo_ui::launch::shot_theme(request);
    std::uint32_t width = request.has_size ? request.width : 1280;
    std::uint32_t height = request.has_size ? request.height : 800;
    auto frame = ruvo_ui::ShotFrame::create(width, height, theme);
    if (!frame)
        return std::unexpected(frame.error().message);

    (*frame)->sync(app);
    if (auto laid_out = (*frame)->layout(app); !laid_out)
        return std::unexpected(laid_out.error().message);
    (*frame)->draw(app);
    (*frame)->draw_floating_surfaces(app);
    if (auto written = (*frame)->write_png(*request.output); !written)
        return std::unexpected(written.error().message);

    std::printf("chat: wrote shot to %s\n", request.output->c_str());
    std::fflush(stdout);
    return {};
}

} // namespace chat::app
