#include "platform/ui/permission.h"

namespace ruvo_ui {

PermissionContext PermissionContext::permissive()
{
    PermissionContext context;
    context.grant(Capability::ReadWorkspace);
    context.grant(Capability::ChangeWorkspace);
    context.grant(Capability::UseMedia);
    return context;
}

PermissionContext PermissionContext::denied()
{
    return {};
}

} // namespace ruvo_ui
