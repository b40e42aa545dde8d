#include "doc/apply.h"

#include "doc/apply_internal.h"
#include "doc/schema.h"

namespace chat::doc {

namespace detail {

std::optional<ObjId> channel_map(const Document& doc, std::string_view id)
{
    auto channels = get_map(doc, Document::root(), key::channels);
    return channels ? get_map(doc, *channels, id) : std::nullopt;
}

std::optional<ObjId> category_map(const Document& doc, std::string_view id)
{
    auto categories = get_map(doc, Document::root(), key::categories);
    return categories ? get_map(doc, *categories, id) : std::nullopt;
}

} // namespace detail

void ActionApplier::apply(Document& doc, const actions::ChatAction& action)
{
    const bool ids_current = m_ids.is_current(doc);
    std::visit(
        [&](const auto& alternative) {
            using T = std::decay_t<decltype(alternative)>;
            if constexpr (std::is_same_v<T, actions::SendMessage>)
                detail::apply(doc, alternative, m_ids);
            else
                detail::apply(doc, alternative);
        },
        action);
    // Only sending (which announces its id itself) and the deletions change which ids exist.
    const bool removes_ids = std::holds_alternative<actions::DeleteMessage>(action) ||
                             std::holds_alternative<actions::DeleteChannel>(action);
    if (removes_ids)
        m_ids.invalidate();
    else if (ids_current && !std::holds_alternative<actions::SendMessage>(action))
        m_ids.keep_current(doc);
}

void apply_action(Document& doc, const actions::ChatAction& action)
{
    ActionApplier applier;
    applier.apply(doc, action);
}

} // namespace chat::doc
