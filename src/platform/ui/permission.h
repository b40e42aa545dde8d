#pragma once
// What the local user may do, as the framework's permission context answers it. The
// application asks before every change; the context is a plain value set up by the host
// (or by tests and screenshot scenes). UI thread.

#include <set>
#include <string>
#include <string_view>

namespace ruvo_ui {

enum class Capability {
    ReadWorkspace,   // see the workspace's content (attachments included)
    ChangeWorkspace, // post, edit, react, rename, reorder
    UseMedia,        // microphone, camera, screen
};

class PermissionContext {
  public:
    // Everything granted.
    static PermissionContext permissive();
    // Nothing granted.
    static PermissionContext denied();

    bool check(Capability capability) const { return m_granted.contains(capability); }
    void grant(Capability capability) { m_granted.insert(capability); }
    void revoke(Capability capability) { m_granted.erase(capability); }

  private:
    std::set<Capability> m_granted;
};

} // namespace ruvo_ui
