#include "app/chat_app.h"

namespace chat::app {

ChatApp::ChatApp() = default;

std::unique_ptr<ChatApp> ChatApp::create_runtime()
{
    auto app = std::make_unique<ChatApp>();
    app->m_live = true;
    return app;
}

void ChatApp::sync(crdt::Document&) {}

void ChatApp::apply_layout(const ruvo_ui::Rect& rect)
{
    m_rect = rect;
}

// The framework has already painted the window surface; the panes draw over it.
void ChatApp::draw(ruvo_ui::Scene&, const ruvo_ui::Theme&, ruvo_ui::TextRenderer&, float) {}

bool ChatApp::handle_event(const ruvo_ui::Event&)
{
    return false;
}

} // namespace chat::app
