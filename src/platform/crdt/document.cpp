#include "platform/crdt/document.h"

#include <algorithm>

#include "platform/crdt/doc_state.h"
#include "platform/crdt/save_format.h"
#include "platform/util/fatal.h"

namespace crdt {

namespace {

Object* resolve(DocState& s, const ObjId& id)
{
    auto internal = s.log.actors().to_internal(id);
    return internal ? s.store.find(*internal) : nullptr;
}

const Object* resolve(const DocState& s, const ObjId& id)
{
    auto internal = s.log.actors().to_internal(id);
    return internal ? s.store.find(*internal) : nullptr;
}

util::Result<Object*> resolve_as(DocState& s, const ObjId& id, ObjType type)
{
    Object* o = resolve(s, id);
    if (!o)
        return util::fail("unknown object");
    if (o->type != type)
        return util::fail("object is a {}, not a {}", obj_type_name(o->type), obj_type_name(type));
    return o;
}

OpKind make_kind(ObjType type)
{
    switch (type) {
    case ObjType::Map: return OpKind::MakeMap;
    case ObjType::List: return OpKind::MakeList;
    case ObjType::Text: return OpKind::MakeText;
    }
    return OpKind::MakeMap;
}

std::vector<OpId> ids_of(const Slot& slot)
{
    std::vector<OpId> out;
    out.reserve(slot.size());
    for (const Entry& e : slot)
        out.push_back(e.id);
    return out;
}

const Slot* map_slot(const Object& o, std::string_view key)
{
    auto it = o.map()->keys.find(key);
    return it == o.map()->keys.end() ? nullptr : &it->second;
}

UndoStep undo_step(UndoStep::Kind kind, OpId obj, OpId elem = {}, std::uint32_t count = 0)
{
    UndoStep step;
    step.kind = kind;
    step.obj = obj;
    step.elem = elem;
    step.count = count;
    return step;
}

void remember_map_slot(DocState& s, OpId obj, std::string_view key, const Slot* slot)
{
    UndoStep step = undo_step(UndoStep::Kind::MapSlot, obj);
    step.key = std::string(key);
    step.existed = slot != nullptr;
    if (slot)
        step.previous = *slot;
    s.undo.push_back(std::move(step));
}

void remember_list_slot(DocState& s, OpId obj, OpId elem, const Slot& slot)
{
    UndoStep step = undo_step(UndoStep::Kind::ListSlot, obj, elem);
    step.previous = slot;
    s.undo.push_back(std::move(step));
}

// Applies a locally built operation; local operations always refer to what exists.
void apply_local(DocState& s, Op op, OpId id)
{
    s.log.ops().push_back(op);
    if (!s.store.apply(s.log, static_cast<std::uint32_t>(s.log.ops().size() - 1), id))
        util::fatal("crdt: local operation failed to apply");
    ++s.version;
}

util::Result<OpId> write_map(DocState& s, const ObjId& map, std::string_view key, OpKind kind, const Scalar* value)
{
    auto o = resolve_as(s, map, ObjType::Map);
    if (!o)
        return std::unexpected(o.error());
    const Slot* slot = map_slot(**o, key);
    if (kind == OpKind::Delete && !slot)
        return OpId{};
    Op op;
    op.obj = *s.log.actors().to_internal(map);
    op.kind = kind;
    op.key = s.log.intern_key(key);
    if (slot)
        s.log.set_pred(op, ids_of(*slot));
    if (value)
        s.log.set_scalar(op, *value);
    OpId id = s.next_id(1);
    remember_map_slot(s, op.obj, key, slot);
    apply_local(s, op, id);
    if (is_make(kind))
        s.undo.push_back(undo_step(UndoStep::Kind::RemoveObject, id));
    return id;
}

util::Result<SeqLoc> locate_list(Object& o, std::size_t index)
{
    ListObject& list = *o.list();
    if (index >= list.length())
        return util::fail("index {} is out of range for a list of {}", index, list.length());
    return list.locate(index);
}

util::Result<OpId> write_list_at(DocState& s, const ObjId& list_id, std::size_t index, OpKind kind, const Scalar* value)
{
    auto o = resolve_as(s, list_id, ObjType::List);
    if (!o)
        return std::unexpected(o.error());
    auto loc = locate_list(**o, index);
    if (!loc)
        return std::unexpected(loc.error());
    ListObject& list = *(*o)->list();
    Op op;
    op.obj = *s.log.actors().to_internal(list_id);
    op.kind = kind;
    op.seq = true;
    op.elem = list.id_at(*loc);
    s.log.set_pred(op, ids_of(list.item(*loc)));
    if (value)
        s.log.set_scalar(op, *value);
    OpId id = s.next_id(1);
    remember_list_slot(s, op.obj, op.elem, list.item(*loc));
    apply_local(s, op, id);
    if (is_make(kind))
        s.undo.push_back(undo_step(UndoStep::Kind::RemoveObject, id));
    return id;
}

util::Result<OpId> insert_list(DocState& s, const ObjId& list_id, std::size_t index, OpKind kind, const Scalar* value)
{
    auto o = resolve_as(s, list_id, ObjType::List);
    if (!o)
        return std::unexpected(o.error());
    ListObject& list = *(*o)->list();
    if (index > list.length())
        return util::fail("index {} is out of range for a list of {}", index, list.length());
    Op op;
    op.obj = *s.log.actors().to_internal(list_id);
    op.kind = kind;
    op.seq = true;
    op.insert = true;
    if (value)
        s.log.set_scalar(op, *value);
    OpId id = s.next_id(1);
    auto op_index = static_cast<std::uint32_t>(s.log.ops().size());
    op.elem = s.store.insert_list_local(list, index, id, op_index);
    s.log.ops().push_back(op);
    s.remember_range(UndoStep::Kind::SeqErase, op.obj, id, 1);
    if (is_make(kind)) {
        s.store.create(id, kind == OpKind::MakeMap ? ObjType::Map : kind == OpKind::MakeList ? ObjType::List : ObjType::Text);
        s.undo.push_back(undo_step(UndoStep::Kind::RemoveObject, id));
    }
    ++s.version;
    return id;
}

util::Result<void> check_counter(const DocState& s, const Slot* slot)
{
    if (!slot || slot->empty())
        return util::fail("no value to increment");
    const Op& winner = s.log.ops()[slot->back().op];
    if (winner.kind != OpKind::Put || winner.tag != ValueTag::Counter)
        return util::fail("value is not a counter");
    return {};
}

std::vector<Value> values_of(const DocState& s, const Slot* slot)
{
    std::vector<Value> out;
    if (slot)
        for (const Entry& e : *slot)
            out.push_back(s.store.value_of(s.log, e));
    return out;
}

const Slot* list_slot(const DocState& s, const ObjId& id, std::size_t index)
{
    const Object* o = resolve(s, id);
    if (!o || o->type != ObjType::List || index >= o->list()->length())
        return nullptr;
    // Locating moves the sequence's cursor, which is no visible state.
    auto& list = const_cast<ListObject&>(*o->list());
    return &list.item(list.locate(index));
}

void dump_value(const DocState& s, const Entry& e, std::string& out);

void dump_object(const DocState& s, const Object& o, std::string& out)
{
    switch (o.type) {
    case ObjType::Map: {
        out += '{';
        for (const auto& [key, slot] : o.map()->keys) {
            out += fmt::format("\"{}\":", key);
            if (slot.size() > 1)
                out += '<';
            for (std::size_t i = 0; i < slot.size(); ++i) {
                if (i)
                    out += '|';
                dump_value(s, slot[i], out);
            }
            if (slot.size() > 1)
                out += '>';
            out += ',';
        }
        out += '}';
        break;
    }
    case ObjType::List: {
        out += '[';
        o.list()->for_each_visible([&](OpId, const Slot& slot) {
            for (std::size_t i = 0; i < slot.size(); ++i) {
                if (i)
                    out += '|';
                dump_value(s, slot[i], out);
            }
            out += ',';
        });
        out += ']';
        break;
    }
    case ObjType::Text: {
        out += "text\"";
        o.text()->for_each_visible([&](OpId, char32_t c) { append_utf8(out, c); });
        out += '"';
        break;
    }
    }
}

void dump_value(const DocState& s, const Entry& e, std::string& out)
{
    Value v = s.store.value_of(s.log, e);
    if (auto* ref = v.object()) {
        auto internal = s.log.actors().to_internal(ref->id);
        const Object* o = internal ? s.store.find(*internal) : nullptr;
        if (o)
            dump_object(s, *o, out);
        return;
    }
    out += describe(*v.scalar());
}

} // namespace

Document::Document() : Document(random_actor()) { }
Document::Document(const ActorId& actor) : m_state(std::make_unique<DocState>(actor)) { }
Document::Document(std::unique_ptr<DocState> state) : m_state(std::move(state)) { }
Document::~Document() = default;
Document::Document(Document&&) noexcept = default;
Document& Document::operator=(Document&&) noexcept = default;

util::Result<void> Document::put(const ObjId& map, std::string_view key, const Scalar& value)
{
    auto r = write_map(*m_state, map, key, OpKind::Put, &value);
    if (!r)
        return std::unexpected(r.error());
    return {};
}

util::Result<ObjId> Document::put_object(const ObjId& map, std::string_view key, ObjType type)
{
    auto r = write_map(*m_state, map, key, make_kind(type), nullptr);
    if (!r)
        return std::unexpected(r.error());
    return m_state->log.actors().to_public(*r);
}

util::Result<void> Document::delete_key(const ObjId& map, std::string_view key)
{
    auto r = write_map(*m_state, map, key, OpKind::Delete, nullptr);
    if (!r)
        return std::unexpected(r.error());
    return {};
}

util::Result<void> Document::insert(const ObjId& list, std::size_t index, const Scalar& value)
{
    auto r = insert_list(*m_state, list, index, OpKind::Put, &value);
    if (!r)
        return std::unexpected(r.error());
    return {};
}

util::Result<ObjId> Document::insert_object(const ObjId& list, std::size_t index, ObjType type)
{
    auto r = insert_list(*m_state, list, index, make_kind(type), nullptr);
    if (!r)
        return std::unexpected(r.error());
    return m_state->log.actors().to_public(*r);
}

util::Result<void> Document::set(const ObjId& list, std::size_t index, const Scalar& value)
{
    auto r = write_list_at(*m_state, list, index, OpKind::Put, &value);
    if (!r)
        return std::unexpected(r.error());
    return {};
}

util::Result<ObjId> Document::set_object(const ObjId& list, std::size_t index, ObjType type)
{
    auto r = write_list_at(*m_state, list, index, make_kind(type), nullptr);
    if (!r)
        return std::unexpected(r.error());
    return m_state->log.actors().to_public(*r);
}

util::Result<void> Document::delete_index(const ObjId& list, std::size_t index)
{
    auto r = write_list_at(*m_state, list, index, OpKind::Delete, nullptr);
    if (!r)
        return std::unexpected(r.error());
    return {};
}

util::Result<void> Document::increment(const ObjId& map, std::string_view key, std::int64_t by)
{
    auto o = resolve_as(*m_state, map, ObjType::Map);
    if (!o)
        return std::unexpected(o.error());
    if (auto c = check_counter(*m_state, map_slot(**o, key)); !c)
        return c;
    Scalar amount{by};
    DocState& s = *m_state;
    const Slot& slot = *map_slot(**o, key);
    Op op;
    op.obj = *s.log.actors().to_internal(map);
    op.kind = OpKind::Increment;
    op.key = s.log.intern_key(key);
    op.bits = static_cast<std::uint64_t>(by);
    std::vector<OpId> pred{slot.back().id};
    s.log.set_pred(op, pred);
    OpId id = s.next_id(1);
    remember_map_slot(s, op.obj, key, &slot);
    apply_local(s, op, id);
    return {};
}

util::Result<void> Document::increment(const ObjId& list_id, std::size_t index, std::int64_t by)
{
    DocState& s = *m_state;
    auto o = resolve_as(s, list_id, ObjType::List);
    if (!o)
        return std::unexpected(o.error());
    auto loc = locate_list(**o, index);
    if (!loc)
        return std::unexpected(loc.error());
    ListObject& list = *(*o)->list();
    if (auto c = check_counter(s, &list.item(*loc)); !c)
        return c;
    Op op;
    op.obj = *s.log.actors().to_internal(list_id);
    op.kind = OpKind::Increment;
    op.seq = true;
    op.elem = list.id_at(*loc);
    op.bits = static_cast<std::uint64_t>(by);
    std::vector<OpId> pred{list.item(*loc).back().id};
    s.log.set_pred(op, pred);
    OpId id = s.next_id(1);
    remember_list_slot(s, op.obj, op.elem, list.item(*loc));
    apply_local(s, op, id);
    return {};
}

util::Result<void> Document::splice_text(const ObjId& text_id, std::size_t pos, std::size_t delete_count,
                                         std::string_view insert_text)
{
    DocState& s = *m_state;
    auto o = resolve_as(s, text_id, ObjType::Text);
    if (!o)
        return std::unexpected(o.error());
    TextObject& text = *(*o)->text();
    if (pos > text.length() || delete_count > text.length() - pos)
        return util::fail("splice at {} deleting {} is out of range for a text of {}", pos, delete_count, text.length());
    std::u32string& chars = s.scratch_chars;
    chars.clear();
    bool ascii = std::all_of(insert_text.begin(), insert_text.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
    if (ascii) {
        chars.assign(insert_text.begin(), insert_text.end());
    } else {
        auto decoded = decode_utf8(insert_text);
        if (!decoded)
            return util::fail("inserted text is not valid UTF-8");
        chars = std::move(*decoded);
    }
    OpId obj = *s.log.actors().to_internal(text_id);
    if (delete_count > 0) {
        for (const DeletedRun& run : s.store.delete_text_local(text, pos, delete_count)) {
            Op op;
            op.obj = obj;
            op.kind = OpKind::TextDelete;
            op.seq = true;
            op.elem = run.first;
            op.len = run.count;
            s.next_id(1);
            s.log.ops().push_back(op);
            s.remember_range(UndoStep::Kind::TextRevive, obj, run.first, run.count);
        }
        ++s.version;
    }
    if (!chars.empty()) {
        Op op;
        op.obj = obj;
        op.kind = OpKind::TextInsert;
        op.seq = true;
        op.insert = true;
        op.bits = s.log.store(insert_text);
        op.text_bytes = static_cast<std::uint32_t>(insert_text.size());
        op.len = static_cast<std::uint32_t>(chars.size());
        OpId id = s.next_id(chars.size());
        op.elem = s.store.insert_text_local(text, pos, id, chars);
        s.log.ops().push_back(op);
        s.remember_range(UndoStep::Kind::SeqErase, obj, id, op.len);
        ++s.version;
    }
    return {};
}

std::optional<Value> Document::get(const ObjId& obj, std::string_view key) const
{
    const Object* o = resolve(*m_state, obj);
    if (!o || o->type != ObjType::Map)
        return std::nullopt;
    const Slot* slot = map_slot(*o, key);
    if (!slot)
        return std::nullopt;
    return m_state->store.value_of(m_state->log, slot->back());
}

std::optional<Value> Document::get(const ObjId& obj, std::size_t index) const
{
    const Slot* slot = list_slot(*m_state, obj, index);
    if (!slot || slot->empty())
        return std::nullopt;
    return m_state->store.value_of(m_state->log, slot->back());
}

std::vector<Value> Document::get_all(const ObjId& obj, std::string_view key) const
{
    const Object* o = resolve(*m_state, obj);
    if (!o || o->type != ObjType::Map)
        return {};
    return values_of(*m_state, map_slot(*o, key));
}

std::vector<Value> Document::get_all(const ObjId& obj, std::size_t index) const
{
    return values_of(*m_state, list_slot(*m_state, obj, index));
}

std::vector<std::string> Document::keys(const ObjId& map) const
{
    const Object* o = resolve(*m_state, map);
    std::vector<std::string> out;
    if (!o || o->type != ObjType::Map)
        return out;
    out.reserve(o->map()->keys.size());
    for (const auto& [key, slot] : o->map()->keys)
        out.push_back(key);
    return out;
}

std::size_t Document::length(const ObjId& obj) const
{
    const Object* o = resolve(*m_state, obj);
    if (!o)
        return 0;
    switch (o->type) {
    case ObjType::Map: return o->map()->keys.size();
    case ObjType::List: return o->list()->length();
    case ObjType::Text: return o->text()->length();
    }
    return 0;
}

std::optional<std::string> Document::text(const ObjId& obj) const
{
    const Object* o = resolve(*m_state, obj);
    if (!o || o->type != ObjType::Text)
        return std::nullopt;
    std::string out;
    out.reserve(o->text()->length());
    o->text()->for_each_visible([&](OpId, char32_t c) { append_utf8(out, c); });
    return out;
}

std::optional<ObjType> Document::object_type(const ObjId& obj) const
{
    const Object* o = resolve(*m_state, obj);
    if (!o)
        return std::nullopt;
    return o->type;
}

std::optional<ChangeHash> Document::commit()
{
    return m_state->commit(0, {});
}

std::optional<ChangeHash> Document::commit(std::int64_t time, std::string_view message)
{
    return m_state->commit(time, message);
}

void Document::rollback()
{
    m_state->rollback();
}

std::size_t Document::pending_ops() const
{
    return m_state->pending_ops();
}

std::vector<ChangeHash> Document::get_heads() const
{
    return m_state->log.heads();
}

const ActorId& Document::get_actor() const
{
    return m_state->log.actors()[m_state->actor()];
}

void Document::set_actor(const ActorId& actor)
{
    m_state->commit(0, {});
    m_state->set_actor(actor);
}

std::uint64_t Document::version() const
{
    return m_state->version;
}

Bytes Document::get_changes(std::span<const ChangeHash> since)
{
    DocState& s = *m_state;
    s.commit(0, {});
    std::vector<bool> known(s.log.size(), false);
    std::vector<std::uint32_t> stack;
    for (const auto& h : since)
        if (auto i = s.log.find(h))
            stack.push_back(*i);
    while (!stack.empty()) {
        auto i = stack.back();
        stack.pop_back();
        if (known[i])
            continue;
        known[i] = true;
        for (auto d : s.log.deps_of(i))
            stack.push_back(d);
    }
    ByteWriter w;
    for (std::size_t i = 0; i < s.log.size(); ++i)
        if (!known[i])
            w.bytes(s.log.encode(i));
    return w.take();
}

util::Result<void> Document::apply_changes(std::span<const std::uint8_t> bytes)
{
    DocState& s = *m_state;
    s.commit(0, {});
    ByteReader r(bytes);
    while (!r.at_end()) {
        auto len = r.uleb();
        auto body = r.raw(len);
        if (!r.ok())
            return util::fail("change bytes are truncated");
        ChangeHash hash = util::sha256(body);
        if (s.log.find(hash))
            continue;
        bool queued = std::any_of(s.queue.begin(), s.queue.end(), [&](const QueuedChange& q) { return q.hash == hash; });
        if (queued)
            continue;
        auto header = ChangeLog::read_header(body);
        if (!header)
            return std::unexpected(header.error());
        if (s.queue.size() >= max_queued_changes)
            return util::fail("too many changes are waiting for their dependencies");
        s.queue.push_back(QueuedChange{Bytes(body.begin(), body.end()), hash, std::move(*header)});
        if (auto d = s.drain_queue(); !d)
            return d;
    }
    return {};
}

util::Result<void> Document::merge(Document& other)
{
    if (&other == this)
        return {};
    other.m_state->commit(0, {});
    auto heads = get_heads();
    return apply_changes(other.get_changes(heads));
}

Document Document::fork()
{
    return fork(random_actor());
}

Document Document::fork(const ActorId& actor)
{
    m_state->commit(0, {});
    auto copy = std::make_unique<DocState>(*m_state);
    copy->set_actor(actor);
    copy->saved_changes = 0;
    return Document(std::move(copy));
}

std::size_t Document::queued_changes() const
{
    return m_state->queue.size();
}

Bytes Document::save()
{
    m_state->commit(0, {});
    m_state->saved_changes = m_state->log.size();
    return encode_document(m_state->log);
}

util::Result<Document> Document::load(std::span<const std::uint8_t> bytes)
{
    auto state = std::make_unique<DocState>(random_actor());
    if (auto r = decode_document(bytes, state->log); !r)
        return std::unexpected(r.error());
    for (std::uint32_t i = 0; i < state->log.size(); ++i)
        if (auto r = state->apply_change(i); !r)
            return util::fail("saved document is inconsistent: {}", r.error().message);
    state->saved_changes = state->log.size();
    state->version = 1;
    return Document(std::move(state));
}

Bytes Document::save_incremental()
{
    DocState& s = *m_state;
    s.commit(0, {});
    ByteWriter w;
    for (std::size_t i = s.saved_changes; i < s.log.size(); ++i)
        w.bytes(s.log.encode(i));
    s.saved_changes = s.log.size();
    return w.take();
}

util::Result<void> Document::load_incremental(std::span<const std::uint8_t> bytes)
{
    return apply_changes(bytes);
}

std::string Document::canonical_dump() const
{
    std::string out;
    dump_object(*m_state, *m_state->store.find(OpId{}), out);
    return out;
}

} // namespace crdt
