#include "platform/crdt/object_store.h"

#include <algorithm>
#include <utility>

namespace crdt {

namespace {

bool in_pred(std::span<const OpId> pred, OpId id)
{
    return std::find(pred.begin(), pred.end(), id) != pred.end();
}

std::optional<ObjType> made_type(OpKind kind)
{
    switch (kind) {
    case OpKind::MakeMap: return ObjType::Map;
    case OpKind::MakeList: return ObjType::List;
    case OpKind::MakeText: return ObjType::Text;
    default: return std::nullopt;
    }
}

} // namespace

void insert_sorted(Slot& slot, const Entry& entry, const ActorTable& actors)
{
    auto it = slot.end();
    while (it != slot.begin() && actors.greater((it - 1)->id, entry.id))
        --it;
    slot.insert(it, entry);
}

ObjectStore::ObjectStore()
{
    clear();
}

void ObjectStore::clear()
{
    m_objects.clear();
    m_index.clear();
    m_cached = nullptr;
    create(OpId{}, ObjType::Map);
}

void ObjectStore::create(OpId id, ObjType type)
{
    auto [number, inserted] = m_index.insert(id);
    if (!inserted && m_objects[number].alive)
        return;
    // Numbers follow the deque's order; a removed object's slot is reused for its id.
    Object& o = inserted ? m_objects.emplace_back() : m_objects[number];
    o.alive = true;
    o.type = type;
    switch (type) {
    case ObjType::Map: o.data.emplace<MapObject>(); break;
    case ObjType::List: o.data.emplace<ListObject>(); break;
    case ObjType::Text: o.data.emplace<TextObject>(); break;
    }
}

void ObjectStore::remove(OpId id)
{
    if (auto number = m_index.find(id)) {
        Object& o = m_objects[*number];
        o.alive = false;
        o.data.emplace<MapObject>();
    }
    m_cached = nullptr;
}

Object* ObjectStore::find(OpId id)
{
    return const_cast<Object*>(std::as_const(*this).find(id));
}

const Object* ObjectStore::find(OpId id) const
{
    // Writes and reads come in runs on one object; objects never move inside the deque.
    if (m_cached && m_cached_id == id)
        return m_cached;
    auto number = m_index.find(id);
    if (!number || !m_objects[*number].alive)
        return nullptr;
    m_cached_id = id;
    m_cached = &m_objects[*number];
    return m_cached;
}

Value ObjectStore::value_of(const ChangeLog& log, const Entry& entry) const
{
    const Op& op = log.ops()[entry.op];
    if (auto type = made_type(op.kind))
        return Value{ObjectRef{*type, log.actors().to_public(entry.id)}};
    Scalar s = log.scalar(op);
    if (auto* c = std::get_if<Counter>(&s))
        c->value = static_cast<std::int64_t>(static_cast<std::uint64_t>(c->value) + static_cast<std::uint64_t>(entry.increments));
    return Value{std::move(s)};
}

util::Result<void> ObjectStore::check(const Op& op)
{
    Object* o = find(op.obj);
    if (!o)
        return util::fail("operation on an unknown object");
    if (o->type == ObjType::Map) {
        if (op.seq)
            return util::fail("sequence operation on a map");
        return {};
    }
    if (!op.seq)
        return util::fail("map operation on a {}", obj_type_name(o->type));
    bool text_op = op.kind == OpKind::TextInsert || op.kind == OpKind::TextDelete;
    if (text_op != (o->type == ObjType::Text))
        return util::fail("operation does not fit a {}", obj_type_name(o->type));
    if (op.kind == OpKind::TextDelete) {
        TextObject& t = *o->text();
        std::uint64_t c = op.elem.counter;
        std::uint64_t end = c + op.len;
        while (c < end) {
            auto loc = t.find(OpId{c, op.elem.actor});
            if (!loc)
                return util::fail("deletion of an unknown text element");
            // Everything up to the end of the run holding `c` exists as well.
            auto& chunk = t.chunks()[loc->chunk];
            std::uint32_t offset = 0;
            for (const SeqRun& r : chunk.runs) {
                if (offset + r.len > loc->offset) {
                    c = r.id.counter + r.len;
                    break;
                }
                offset += r.len;
            }
        }
        return {};
    }
    if (op.elem.counter == 0)
        return op.insert ? util::Result<void>{} : util::fail("operation addresses the head of a list");
    bool known = o->type == ObjType::Text ? o->text()->contains(op.elem) : o->list()->contains(op.elem);
    if (!known)
        return util::fail("operation refers to an unknown element");
    return {};
}

void ObjectStore::apply_to_slot(ChangeLog& log, Slot& slot, const Op& op, std::uint32_t op_index, OpId id)
{
    auto pred = log.pred(op);
    if (op.kind == OpKind::Increment) {
        for (Entry& e : slot)
            if (in_pred(pred, e.id) && log.ops()[e.op].kind == OpKind::Put && log.ops()[e.op].tag == ValueTag::Counter)
                e.increments = static_cast<std::int64_t>(static_cast<std::uint64_t>(e.increments) + op.bits);
        return;
    }
    if (!pred.empty())
        std::erase_if(slot, [&](const Entry& e) { return in_pred(pred, e.id); });
    if (op.kind != OpKind::Delete)
        insert_sorted(slot, Entry{id, op_index, 0}, log.actors());
}

util::Result<void> ObjectStore::apply(ChangeLog& log, std::uint32_t op_index, OpId id)
{
    const Op op = log.ops()[op_index];
    if (auto r = check(op); !r)
        return r;
    Object& o = *find(op.obj);
    if (auto type = made_type(op.kind))
        create(id, *type);
    // `create` may have grown the deque; references into it stay valid.
    switch (o.type) {
    case ObjType::Map: {
        auto& keys = o.map()->keys;
        const std::string& key = log.key(op.key);
        auto it = keys.find(key);
        if (it == keys.end()) {
            if (op.kind == OpKind::Delete || op.kind == OpKind::Increment)
                return {};
            it = keys.emplace(key, Slot{}).first;
        }
        apply_to_slot(log, it->second, op, op_index, id);
        if (it->second.empty())
            keys.erase(it);
        return {};
    }
    case ObjType::List: {
        ListObject& list = *o.list();
        if (op.insert) {
            Slot slot{Entry{id, op_index, 0}};
            list.insert_after(op.elem, id, std::span(&slot, 1), log.actors());
            return {};
        }
        auto loc = list.find(op.elem);
        Slot& slot = list.item(*loc);
        apply_to_slot(log, slot, op, op_index, id);
        list.mark(*loc, 1, slot.empty());
        return {};
    }
    case ObjType::Text: {
        TextObject& text = *o.text();
        if (op.kind == OpKind::TextInsert) {
            std::string_view bytes = log.op_text(op);
            m_chars.clear();
            if (bytes.size() == op.len)
                m_chars.assign(bytes.begin(), bytes.end()); // ASCII: one byte per scalar value
            else
                m_chars = *decode_utf8(bytes);
            text.insert_after(op.elem, id, m_chars, log.actors());
            return {};
        }
        std::uint64_t c = op.elem.counter;
        std::uint64_t end = c + op.len;
        while (c < end) {
            auto loc = text.find(OpId{c, op.elem.actor});
            c += text.mark(*loc, static_cast<std::uint32_t>(end - c), true);
        }
        return {};
    }
    }
    return {};
}

OpId ObjectStore::insert_list_local(ListObject& list, std::size_t pos, OpId id, std::uint32_t op_index)
{
    Slot slot{Entry{id, op_index, 0}};
    return list.insert_local(pos, id, std::span(&slot, 1));
}

OpId ObjectStore::insert_text_local(TextObject& text, std::size_t pos, OpId id, std::u32string_view chars)
{
    return text.insert_local(pos, id, std::span(chars.data(), chars.size()));
}

std::vector<DeletedRun> ObjectStore::delete_text_local(TextObject& text, std::size_t pos, std::size_t count)
{
    std::vector<DeletedRun> out;
    while (count > 0) {
        SeqLoc loc = text.locate(pos);
        OpId first = text.id_at(loc);
        std::uint32_t n = text.mark(loc, static_cast<std::uint32_t>(std::min<std::size_t>(count, UINT32_MAX)), true);
        if (!out.empty() && out.back().first.actor == first.actor && out.back().first.counter + out.back().count == first.counter)
            out.back().count += n;
        else
            out.push_back(DeletedRun{first, n});
        count -= n;
    }
    return out;
}

} // namespace crdt
