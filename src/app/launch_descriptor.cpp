#include "app/launch_descriptor.h"

#include "app/chat_action_handler.h"
#include "app/chat_app.h"
#include "app/shot_renderer.h"
#include "doc/chat_data_dir.h"

namespace chat::app {

ruvo_ui::launch::Descriptor build_descriptor()
{
    ruvo_ui::launch::Descriptor d;
    d.application_id = application_id;
    d.shot_names.assign(shot_names.begin(), shot_names.end());
    d.create_app = [] { return std::unique_ptr<ruvo_ui::Widget>(ChatApp::create_runtime()); };
    d.render_shot = render_shot;
    d.register_actions = register_actions;
    d.default_window_size = [] { return ruvo_ui::launch::WindowSize{1280, 800}; };
    d.quit_on_close = [] { return true; };
    d.open_persistence = doc::open_persistence;
    d.start_fullscreen = false;
    d.start_maximized = false;
    d.persist_document = true;
    d.vsync = true;
    return d;
}

void register_actions(ruvo_ui::App& app)
{
    app.action_registry_mut().register_handler("chat.action", std::make_unique<ChatActionHandler>());
}

} // namespace chat::app
