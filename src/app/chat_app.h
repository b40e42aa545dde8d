#pragma once
// The application's root widget. Owns every piece of per-window state; never owns the document,
// which the framework hands to sync each frame. Lives on the UI thread.

#include "platform/ui/widget.h"

namespace chat::app {

class ChatApp final : public ruvo_ui::Widget {
public:
    // The base state: what the screenshot scenes start from.
    ChatApp();

    // The running application's state, built by the launch descriptor's factory.
    static std::unique_ptr<ChatApp> create_runtime();

    void sync(crdt::Document& doc) override;
    void apply_layout(const ruvo_ui::Rect& rect) override;
    void draw(ruvo_ui::Scene& scene, const ruvo_ui::Theme& theme, ruvo_ui::TextRenderer& text, float zoom) override;
    bool handle_event(const ruvo_ui::Event& event) override;

    bool live() const { return m_live; }
    const ruvo_ui::Rect& rect() const { return m_rect; }

private:
    bool m_live = false;
    ruvo_ui::Rect m_rect;
};

} // namespace chat::app
