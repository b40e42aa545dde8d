// Sending, editing, deleting, reacting to, pinning and annotating messages.

#include "doc/agent_work_store.h"
#include "doc/apply.h"
#include "doc/apply_internal.h"
#include "doc/record_writers.h"
#include "platform/util/fatal.h"

#include <algorithm>

namespace chat::doc {

namespace {

bool is_id_char(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' ||
           c == '_';
}

bool is_hex_digit(char c)
{
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

enum class Controls : bool { Allowed, Refused };

// Well-formed UTF-8, optionally also without C0 or C1 control characters or DEL.
bool is_utf8(std::string_view name, Controls controls)
{
    std::size_t i = 0;
    while (i < name.size()) {
        const auto lead = static_cast<unsigned char>(name[i]);
        std::size_t length = 0;
        char32_t code = 0;
        if (lead < 0x80) {
            length = 1;
            code = lead;
        } else if ((lead & 0xE0) == 0xC0) {
            length = 2;
            code = lead & 0x1F;
        } else if ((lead & 0xF0) == 0xE0) {
            length = 3;
            code = lead & 0x0F;
        } else if ((lead & 0xF8) == 0xF0) {
            length = 4;
            code = lead & 0x07;
        } else {
            return false;
        }
        if (i + length > name.size())
            return false;
        for (std::size_t k = 1; k < length; ++k) {
            const auto next = static_cast<unsigned char>(name[i + k]);
            if ((next & 0xC0) != 0x80)
                return false;
            code = (code << 6) | (next & 0x3F);
        }
        constexpr char32_t smallest[] = {0, 0, 0x80, 0x800, 0x10000};
        if (code < smallest[length] || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF))
            return false;
        if (controls == Controls::Refused && (code < 32 || (code >= 127 && code <= 159)))
            return false;
        i += length;
    }
    return true;
}

bool name_and_blob_acceptable(const std::string& name, const std::string& blob)
{
    return !name.empty() && name.size() <= max_attachment_name_bytes &&
           is_utf8(name, Controls::Refused) && blob.size() == 64 &&
           std::all_of(blob.begin(), blob.end(), is_hex_digit);
}

struct AttachmentCheck {
    bool operator()(const actions::attachment::Image& image) const
    {
        return name_and_blob_acceptable(image.name, image.blob) && image.w >= 1 &&
               image.w <= max_picture_side && image.h >= 1 && image.h <= max_picture_side;
    }
    bool operator()(const actions::attachment::Video& video) const
    {
        return name_and_blob_acceptable(video.name, video.blob) && video.size >= 1 &&
               video.size <= max_attachment_bytes && video.w <= max_picture_side &&
               video.h <= max_picture_side;
    }
    bool operator()(const actions::attachment::File& file) const
    {
        return name_and_blob_acceptable(file.name, file.blob) && file.size >= 1 &&
               file.size <= max_attachment_bytes;
    }
};

bool is_top_level(const Document& doc, const ObjId& message)
{
    return get_str(doc, message, "parent").value_or("").empty();
}

std::optional<ObjId> find_entry(const Document& doc, const ObjId& list, std::string_view emoji,
                                std::string_view user, std::size_t* index = nullptr)
{
    const std::size_t length = doc.length(list);
    for (std::size_t i = 0; i < length; ++i) {
        auto entry = get_map_at(doc, list, i);
        if (entry && get_str(doc, *entry, "emoji") == emoji &&
            get_str(doc, *entry, "user") == user) {
            if (index)
                *index = i;
            return entry;
        }
    }
    return std::nullopt;
}

} // namespace

bool send_message_acceptable(const Document& doc, const actions::SendMessage& send,
                             MessageIdIndex& ids)
{
    if (send.id.empty() || send.id.size() > max_message_id_bytes ||
        !std::all_of(send.id.begin(), send.id.end(), is_id_char))
        return false;
    // Decoded payloads are always UTF-8; a record built in code may not be, and the document
    // would refuse its text halfway through writing the message.
    if (send.text.size() > max_message_text_bytes || !is_utf8(send.text, Controls::Allowed))
        return false;
    if (send.attachment && !std::visit(AttachmentCheck{}, *send.attachment))
        return false;
    if (!detail::channel_map(doc, send.channel))
        return false;
    if (send.parent && !send.parent->empty()) {
        auto parent = find_message(doc, send.channel, *send.parent);
        if (parent && !is_top_level(doc, parent->map))
            return false;
    }
    return !ids.contains(doc, send.id);
}

namespace detail {

void apply(Document& doc, const actions::SendMessage& action, MessageIdIndex& ids)
{
    if (!send_message_acceptable(doc, action, ids))
        return;
    MessageRecord message;
    message.id = action.id;
    message.channel = action.channel;
    message.author = action.author;
    message.ts = action.ts;
    message.text = action.text;
    if (action.parent && !action.parent->empty())
        message.parent = action.parent;
    message.mentions = action.mentions;
    message.reference = action.reference;
    message.attachment = action.attachment;
    write_message(doc, action.channel, message, ids);
}

void apply(Document& doc, const actions::EditMessage& action)
{
    // The sending limit holds for edits too, or an edit would be a way around it.
    if (action.text.size() > max_message_text_bytes || !is_utf8(action.text, Controls::Allowed))
        return;
    auto slot = find_message(doc, action.channel, action.id);
    if (!slot)
        return;
    const std::string previous = get_text(doc, slot->map, "text").value_or("");
    if (previous == action.text)
        return;
    const auto history = ensure_list(doc, slot->map, "history");
    auto entry = append_map(doc, history);
    if (!entry)
        util::fatal("hrec");
    (void)put_i64(doc, *entry, "ts", action.ts);
    (void)put_str(doc, *entry, "text", previous);
    (void)replace_text(doc, ensure_text(doc, slot->map, "text"), action.text);
    update_bool(doc, slot->map, "edited", true);
}

void apply(Document& doc, const actions::DeleteMessage& action)
{
    if (auto slot = find_message(doc, action.channel, action.id))
        (void)delete_index(doc, slot->list, slot->index);
}

void apply(Document& doc, const actions::AddReaction& action)
{
    auto slot = find_message(doc, action.channel, action.msg);
    if (!slot)
        return;
    const auto reactions = ensure_list(doc, slot->map, "reactions");
    if (find_entry(doc, reactions, action.emoji, action.user))
        return;
    auto entry = append_map(doc, reactions);
    if (!entry)
        util::fatal("rxentry");
    (void)put_str(doc, *entry, "emoji", action.emoji);
    (void)put_str(doc, *entry, "user", action.user);
}

void apply(Document& doc, const actions::RemoveReaction& action)
{
    auto slot = find_message(doc, action.channel, action.msg);
    if (!slot)
        return;
    auto reactions = get_list(doc, slot->map, "reactions");
    if (!reactions)
        return;
    std::size_t index = 0;
    if (find_entry(doc, *reactions, action.emoji, action.user, &index))
        (void)delete_index(doc, *reactions, index);
}

void apply(Document& doc, const actions::PinMessage& action)
{
    auto slot = find_message(doc, action.channel, action.msg);
    if (slot && get_bool(doc, slot->map, "pinned").value_or(false) != action.pinned)
        (void)put_bool(doc, slot->map, "pinned", action.pinned);
}

void apply(Document& doc, const actions::SetAgentWork& action)
{
    auto slot = find_message(doc, action.channel, action.msg);
    if (!slot)
        return;
    if (read_agent_work(doc, slot->map) != action.work)
        write_agent_work(doc, slot->map, action.work);
    if (!action.say || action.say->empty() || action.say->size() > max_message_text_bytes)
        return;
    if (!get_text(doc, slot->map, "text").value_or("").empty())
        return;
    (void)replace_text(doc, ensure_text(doc, slot->map, "text"), *action.say);
}

} // namespace detail

} // namespace chat::doc
