#pragma once
// The payload of a "chat.action": a ChatAction as JSON text. Thread: the document's owner.

#include "doc/apply.h"
#include "platform/util/result.h"

#include <cstdint>
#include <string_view>

namespace chat::doc {

// Decodes `json` (nothing may follow the value) and applies the action through `applier`, then
// commits the document's open transaction at `time` (seconds since the Unix epoch), so the
// action is one change; an action the document refuses commits nothing new. A payload that does
// not decode is an error, with the decoder's message, and leaves the document untouched.
util::Result<void> apply_chat_action_payload(Document& doc, std::string_view json,
                                             ActionApplier& applier, std::int64_t time);

} // namespace chat::doc
