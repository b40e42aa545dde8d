#pragma once
// Read queries: the document turned into plain, sorted records. A value of the wrong kind reads
// as missing (empty string, 0, false); a record whose map is missing is skipped. Ids, names and
// emoji compare byte-wise. Pure reads on the caller's thread.

#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "doc/records.h"
#include "platform/crdt/document.h"

namespace chat::doc {

// Sorted by order ascending; equal orders keep key order.
std::vector<WorkspaceRecord> list_workspaces(const crdt::Document& doc);
std::vector<CategoryRecord> list_categories(const crdt::Document& doc);
// Unread counts are 0 here; the projection fills them.
std::vector<ChannelRecord> list_channels(const crdt::Document& doc);
// In key order.
std::vector<PersonRecord> list_people(const crdt::Document& doc);

// Talking participants first, then by person id.
std::vector<VoiceParticipant> voice_participants(const crdt::Document& doc, std::string_view channel);
// Every voice channel that has participants.
std::map<std::string, std::vector<VoiceParticipant>> all_voice_participants(const crdt::Document& doc);

// Every message of the channel, in list order.
std::vector<MessageRecord> load_messages(const crdt::Document& doc, std::string_view channel);
MessageRecord load_message(const crdt::Document& doc, const crdt::ObjId& message, std::string_view channel);

std::uint64_t read_count(const crdt::Document& doc, std::string_view person, std::string_view channel);
// Messages of the channel that start a conversation (no parent).
std::uint64_t top_level_count(const crdt::Document& doc, std::string_view channel);
// Top-level count minus read count, never below 0.
std::uint64_t unread_count(const crdt::Document& doc, std::string_view person, std::string_view channel);

std::string draft(const crdt::Document& doc, std::string_view key);

} // namespace chat::doc
