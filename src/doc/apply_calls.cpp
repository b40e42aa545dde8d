// Read positions and the participants of voice-channel calls.

#include "doc/apply_internal.h"
#include "doc/record_writers.h"
#include "doc/schema.h"

namespace chat::doc::detail {

namespace {

// The participant map, created when missing; nothing when the channel does not exist, so that
// call state for a deleted channel does not bring back a stray entry.
std::optional<ObjId> ensure_participant(Document& doc, std::string_view channel,
                                        std::string_view user)
{
    if (!channel_map(doc, channel))
        return std::nullopt;
    return ensure_map(doc, ensure_map(doc, ensure_map(doc, Document::root(), key::voice), channel),
                      user);
}

} // namespace

void apply(Document& doc, const actions::MarkRead& action)
{
    if (!channel_map(doc, action.channel))
        return;
    const auto person = ensure_map(doc, ensure_map(doc, Document::root(), key::read), action.user);
    update_i64(doc, person, action.channel, action.count);
}

void apply(Document& doc, const actions::JoinCall& action)
{
    if (channel_map(doc, action.channel))
        join_call(doc, action.channel, action.user);
}

void apply(Document& doc, const actions::LeaveCall& action)
{
    auto voice = get_map(doc, Document::root(), key::voice);
    if (!voice)
        return;
    auto participants = get_map(doc, *voice, action.channel);
    if (participants && doc.get(*participants, action.user))
        (void)delete_key(doc, *participants, action.user);
}

void apply(Document& doc, const actions::SetCallState& action)
{
    if (channel_map(doc, action.channel))
        set_call_state(doc, action.channel, action.user, action.talking, action.muted,
                       action.deafened, action.audio_only);
}

void apply(Document& doc, const actions::SetScreenShare& action)
{
    auto participant = ensure_participant(doc, action.channel, action.user);
    if (participant && get_bool(doc, *participant, "sharing").value_or(false) != action.sharing)
        (void)put_bool(doc, *participant, "sharing", action.sharing);
}

void apply(Document& doc, const actions::SetCallTicket& action)
{
    auto participant = ensure_participant(doc, action.channel, action.user);
    if (participant && get_str(doc, *participant, "ticket").value_or("") != action.ticket)
        (void)put_str(doc, *participant, "ticket", action.ticket);
}

} // namespace chat::doc::detail
