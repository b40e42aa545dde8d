#pragma once
// Applying chat actions to the workspace document. An action that fails its checks, or that
// names a channel, message or category the document does not hold, changes nothing; no action
// reports an error. Call-state writes create the participant's map in an existing channel. Writes join the document's open transaction; the caller
// commits. Reads tolerate documents merged from other peers: values of the wrong kind read as
// missing. Thread: the document's owner; one action at a time.

#include "actions/chat_action.h"
#include "doc/access.h"
#include "doc/message_lookup.h"

namespace chat::doc {

// Limits of a sent message.
inline constexpr std::size_t max_message_id_bytes = 128;
inline constexpr std::size_t max_message_text_bytes = 65'536;
inline constexpr std::size_t max_attachment_name_bytes = 255;
inline constexpr std::uint32_t max_picture_side = 16'384;
inline constexpr std::uint64_t max_attachment_bytes = 32ull * 1024 * 1024;

// Applies actions one after another to documents of one owner, remembering the message ids
// between actions so that sending stays cheap in long channels.
class ActionApplier {
  public:
    void apply(Document& doc, const actions::ChatAction& action);

  private:
    MessageIdIndex m_ids;
};

// Applies one action with no memory of earlier ones.
void apply_action(Document& doc, const actions::ChatAction& action);

// Whether a SendMessage passes the id, text, attachment and thread checks against `doc`
// (existence of the channel and uniqueness of the id included).
bool send_message_acceptable(const Document& doc, const actions::SendMessage& send,
                             MessageIdIndex& ids);

} // namespace chat::doc
