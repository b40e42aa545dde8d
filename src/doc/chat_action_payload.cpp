#include "doc/chat_action_payload.h"

#include "actions/record_codec.h"

namespace chat::doc {

util::Result<void> apply_chat_action_payload(Document& doc, std::string_view json,
                                             ActionApplier& applier, std::int64_t time)
{
    auto action = actions::from_json<actions::ChatAction>(json);
    if (!action)
        return std::unexpected(action.error());
    applier.apply(doc, *action);
    doc.commit(time);
    return {};
}

} // namespace chat::doc
