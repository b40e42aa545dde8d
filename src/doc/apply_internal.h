#pragma once
// The appliers of each group of chat actions, called by ActionApplier.

#include "actions/chat_action.h"
#include "doc/access.h"
#include "doc/message_lookup.h"

namespace chat::doc::detail {

// channels[id], when it is a map.
std::optional<ObjId> channel_map(const Document& doc, std::string_view id);
std::optional<ObjId> category_map(const Document& doc, std::string_view id);

void apply(Document& doc, const actions::SendMessage& action, MessageIdIndex& ids);
void apply(Document& doc, const actions::EditMessage& action);
void apply(Document& doc, const actions::DeleteMessage& action);
void apply(Document& doc, const actions::AddReaction& action);
void apply(Document& doc, const actions::RemoveReaction& action);
void apply(Document& doc, const actions::PinMessage& action);
void apply(Document& doc, const actions::SetAgentWork& action);

void apply(Document& doc, const actions::CreateChannel& action);
void apply(Document& doc, const actions::CreateCategory& action);
void apply(Document& doc, const actions::RenameCategory& action);
void apply(Document& doc, const actions::DeleteCategory& action);
void apply(Document& doc, const actions::SetCategoryCollapsed& action);
void apply(Document& doc, const actions::ReorderChannel& action);
void apply(Document& doc, const actions::RenameChannel& action);
void apply(Document& doc, const actions::DeleteChannel& action);
void apply(Document& doc, const actions::ArchiveChannel& action);

void apply(Document& doc, const actions::MarkRead& action);
void apply(Document& doc, const actions::JoinCall& action);
void apply(Document& doc, const actions::LeaveCall& action);
void apply(Document& doc, const actions::SetCallState& action);
void apply(Document& doc, const actions::SetScreenShare& action);
void apply(Document& doc, const actions::SetCallTicket& action);

} // namespace chat::doc::detail
