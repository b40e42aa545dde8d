#pragma once
// The writers of the workspace document's records, shared by the chat actions and the seeds.
// They do not validate their input; refreshing writers compare first and write only what
// differs. Creating an object that the document refuses is fatal, with the object's name as
// the message. Thread: the document's owner.

#include "doc/access.h"
#include "doc/message_lookup.h"
#include "doc/records.h"

#include <optional>
#include <string>
#include <string_view>

namespace chat::doc {

// users[id]: name, initials, colour index and presence ("agent" is never written here).
void write_person(Document& doc, const PersonRecord& person);
// workspaces[id]: name, glyph, colour index, order.
void write_workspace(Document& doc, const WorkspaceRecord& workspace);
// categories[id]: workspace, name, order, collapsed.
void write_category(Document& doc, const CategoryRecord& category);
// channels[id]: workspace, category, name, topic, kind, order ("archived" is left alone); also
// ensures messages[id], and voice[id] for a voice channel.
void write_channel(Document& doc, const ChannelRecord& channel);

// Ensures voice[channel][user]; a new participant gets all five flags false, one already
// present keeps its flags. Returns the participant map.
ObjId join_call(Document& doc, std::string_view channel, std::string_view user);
// Ensures the participant map and puts the four flags, each even when unchanged.
void set_call_state(Document& doc, std::string_view channel, std::string_view user, bool talking,
                    bool muted, bool deafened, bool audio_only);

// Appends the message to messages[channel] with every part of the record (its `channel` field
// is not used). Writes nothing and returns false when any message of the document already has
// this id.
bool write_message(Document& doc, std::string_view channel, const MessageRecord& message,
                   MessageIdIndex& ids);
// Writes the message under a new id, "m_" followed by a random version-4 UUID's 32 hex digits;
// returns the id.
std::string insert_message_with_new_id(Document& doc, std::string_view channel,
                                       MessageRecord message, MessageIdIndex& ids);

// The attachment as its stored map keys, under `key` of `map`. Fatal "att" when the map cannot
// be created.
void write_attachment(Document& doc, const ObjId& map, std::string_view key,
                      const actions::Attachment& attachment);

} // namespace chat::doc
