#include "platform/crdt/doc_state.h"

#include "platform/util/fatal.h"

namespace crdt {

OpId DocState::next_id(std::uint64_t width)
{
    if (!m_txn_open) {
        m_txn_open = true;
        m_txn_ops_begin = log.ops().size();
        m_txn_start_op = log.max_op() + 1;
        m_next_counter = m_txn_start_op;
    }
    OpId id{m_next_counter, m_actor};
    m_next_counter += width;
    return id;
}

std::optional<ChangeHash> DocState::commit(std::int64_t time, std::string_view message)
{
    if (!m_txn_open)
        return std::nullopt;
    m_txn_open = false;
    undo.clear();
    if (log.ops().size() == m_txn_ops_begin)
        return std::nullopt;
    ChangeMeta meta;
    meta.actor = m_actor;
    meta.seq = log.last_seq(m_actor) + 1;
    meta.start_op = m_txn_start_op;
    meta.time = time;
    meta.ops_begin = static_cast<std::uint32_t>(m_txn_ops_begin);
    std::vector<std::uint32_t> deps = log.head_indices();
    auto index = log.seal(meta, deps, message);
    return log.hash(index);
}

void DocState::rollback()
{
    if (!m_txn_open)
        return;
    m_txn_open = false;
    if (log.ops().size() == m_txn_ops_begin)
        return;
    for (auto it = undo.rbegin(); it != undo.rend(); ++it)
        undo_step(*it);
    undo.clear();
    log.truncate_ops(m_txn_ops_begin);
    ++version;
}

void DocState::remember_range(UndoStep::Kind kind, OpId obj, OpId first, std::uint32_t count)
{
    // Text inserted by this transaction disappears with its insertion; deleting it needs no step.
    if (kind == UndoStep::Kind::TextRevive && first.actor == m_actor && first.counter >= m_txn_start_op)
        return;
    if (!undo.empty()) {
        UndoStep& last = undo.back();
        if (last.kind == kind && last.obj == obj && last.elem.actor == first.actor) {
            if (last.elem.counter + last.count == first.counter) {
                last.count += count;
                return;
            }
            // Only revivals may run backwards; erasing stays in insertion order.
            if (kind == UndoStep::Kind::TextRevive && first.counter + count == last.elem.counter) {
                last.elem.counter = first.counter;
                last.count += count;
                return;
            }
        }
    }
    UndoStep step;
    step.kind = kind;
    step.obj = obj;
    step.elem = first;
    step.count = count;
    undo.push_back(std::move(step));
}

void DocState::undo_step(const UndoStep& step)
{
    if (step.kind == UndoStep::Kind::RemoveObject) {
        store.remove(step.obj);
        return;
    }
    Object* o = store.find(step.obj);
    if (!o)
        util::fatal("crdt: rollback lost an object");
    switch (step.kind) {
    case UndoStep::Kind::MapSlot:
        if (step.existed)
            o->map()->keys.insert_or_assign(step.key, step.previous);
        else
            o->map()->keys.erase(step.key);
        break;
    case UndoStep::Kind::ListSlot: {
        auto loc = o->list()->find(step.elem);
        if (!loc)
            util::fatal("crdt: rollback lost a list element");
        o->list()->item(*loc) = step.previous;
        o->list()->mark(*loc, 1, step.previous.empty());
        break;
    }
    case UndoStep::Kind::SeqErase: {
        bool erased = o->type == ObjType::Text ? o->text()->erase(step.elem, step.count)
                                               : o->list()->erase(step.elem, step.count);
        if (!erased)
            util::fatal("crdt: rollback lost a sequence element");
        break;
    }
    case UndoStep::Kind::TextRevive: {
        std::uint64_t c = step.elem.counter;
        std::uint64_t end = c + step.count;
        while (c < end) {
            auto loc = o->text()->find(OpId{c, step.elem.actor});
            if (!loc)
                util::fatal("crdt: rollback lost a text element");
            c += o->text()->mark(*loc, static_cast<std::uint32_t>(end - c), false);
        }
        break;
    }
    case UndoStep::Kind::RemoveObject: break;
    }
}

util::Result<void> DocState::apply_change(std::uint32_t index)
{
    const ChangeMeta& m = log.meta(index);
    std::uint64_t counter = m.start_op;
    for (std::uint32_t k = 0; k < m.ops_count; ++k) {
        std::uint32_t op_index = m.ops_begin + k;
        if (auto r = store.apply(log, op_index, OpId{counter, m.actor}); !r)
            return r;
        counter += log.ops()[op_index].width();
    }
    return {};
}

void DocState::rebuild()
{
    store.clear();
    for (std::uint32_t i = 0; i < log.size(); ++i)
        if (!apply_change(i))
            util::fatal("crdt: stored change no longer applies");
}

util::Result<void> DocState::drain_queue()
{
    bool progress = true;
    while (progress) {
        progress = false;
        for (std::size_t i = 0; i < queue.size();) {
            QueuedChange& q = queue[i];
            auto actor = log.actors().find(q.header.actor);
            std::uint64_t last = actor ? log.last_seq(*actor) : 0;
            if (q.header.seq <= last) {
                queue.erase(queue.begin() + static_cast<std::ptrdiff_t>(i));
                return util::fail("change conflicts with another change of the same actor and sequence number");
            }
            bool ready = q.header.seq == last + 1;
            for (const auto& d : q.header.deps)
                if (ready && !log.find(d))
                    ready = false;
            if (!ready) {
                ++i;
                continue;
            }
            QueuedChange taken = std::move(q);
            queue.erase(queue.begin() + static_cast<std::ptrdiff_t>(i));
            auto index = log.decode_append(taken.body, taken.hash);
            if (!index)
                return std::unexpected(index.error());
            if (auto r = apply_change(*index); !r) {
                log.truncate_changes(*index);
                rebuild();
                ++version;
                return r;
            }
            ++version;
            progress = true;
        }
    }
    return {};
}

} // namespace crdt
