#include "platform/ui/accessibility.h"

namespace ruvo_ui {

const AccessNode* AccessNode::find(std::string_view node_id) const
{
    if (id == node_id)
        return this;
    for (const auto& child : children)
        if (const auto* hit = child.find(node_id))
            return hit;
    return nullptr;
}

} // namespace ruvo_ui
