#include "platform/crdt/change_log.h"

#include <algorithm>
#include <bit>
#include <cstring>

#include "platform/util/fatal.h"

namespace crdt {

namespace {

constexpr std::uint64_t max_counter = std::uint64_t{1} << 62;
constexpr std::uint8_t flag_seq = 0x10;
constexpr std::uint8_t flag_insert = 0x20;

} // namespace

std::uint64_t ChangeLog::store(std::string_view bytes)
{
    std::uint64_t offset = m_arena.size();
    m_arena.append(bytes);
    return offset;
}

std::uint32_t ChangeLog::intern_key(std::string_view key)
{
    auto it = m_key_index.find(std::string(key));
    if (it != m_key_index.end())
        return it->second;
    auto id = static_cast<std::uint32_t>(m_keys.size());
    m_keys.emplace_back(key);
    m_key_index.emplace(m_keys.back(), id);
    return id;
}

Scalar ChangeLog::scalar(const Op& op) const
{
    switch (op.tag) {
    case ValueTag::None: return Null{};
    case ValueTag::String: return std::string(stored(op.bits, op.len));
    case ValueTag::Int: return static_cast<std::int64_t>(op.bits);
    case ValueTag::Uint: return op.bits;
    case ValueTag::Double: return std::bit_cast<double>(op.bits);
    case ValueTag::Bool: return op.bits != 0;
    case ValueTag::Counter: return Counter{static_cast<std::int64_t>(op.bits)};
    case ValueTag::Timestamp: return Timestamp{static_cast<std::int64_t>(op.bits)};
    }
    return Null{};
}

void ChangeLog::set_scalar(Op& op, const Scalar& value)
{
    struct Visitor {
        ChangeLog& log;
        Op& op;
        void operator()(Null) { op.tag = ValueTag::None; }
        void operator()(const std::string& s)
        {
            op.tag = ValueTag::String;
            op.bits = log.store(s);
            op.len = static_cast<std::uint32_t>(s.size());
        }
        void operator()(std::int64_t i) { op.tag = ValueTag::Int, op.bits = static_cast<std::uint64_t>(i); }
        void operator()(std::uint64_t u) { op.tag = ValueTag::Uint, op.bits = u; }
        void operator()(double d) { op.tag = ValueTag::Double, op.bits = std::bit_cast<std::uint64_t>(d); }
        void operator()(bool b) { op.tag = ValueTag::Bool, op.bits = b ? 1 : 0; }
        void operator()(Counter c) { op.tag = ValueTag::Counter, op.bits = static_cast<std::uint64_t>(c.value); }
        void operator()(Timestamp t) { op.tag = ValueTag::Timestamp, op.bits = static_cast<std::uint64_t>(t.millis); }
    };
    std::visit(Visitor{*this, op}, value);
}

void ChangeLog::set_pred(Op& op, std::span<const OpId> pred)
{
    op.pred_begin = static_cast<std::uint32_t>(m_preds.size());
    op.pred_count = static_cast<std::uint32_t>(pred.size());
    m_preds.insert(m_preds.end(), pred.begin(), pred.end());
}

const ChangeHash& ChangeLog::hash(std::size_t i)
{
    if (i >= m_hashes.size())
        compute_hashes();
    return m_hashes[i];
}

std::optional<std::uint32_t> ChangeLog::find(const ChangeHash& h)
{
    compute_hashes();
    return m_by_hash.find(m_hashes, h);
}

std::uint64_t ChangeLog::last_seq(std::uint32_t actor) const
{
    return actor < m_last_seq.size() ? m_last_seq[actor] : 0;
}

std::uint64_t ChangeLog::actor_max_op(std::uint32_t actor) const
{
    return actor < m_actor_max_op.size() ? m_actor_max_op[actor] : 0;
}

std::vector<ChangeHash> ChangeLog::heads()
{
    std::vector<ChangeHash> out;
    for (auto i : m_heads)
        out.push_back(hash(i));
    std::sort(out.begin(), out.end());
    return out;
}

void ChangeLog::note_change(std::uint32_t index)
{
    for (auto d : deps_of(index))
        std::erase(m_heads, d);
    m_heads.push_back(index);
    const ChangeMeta& m = m_changes[index];
    if (m_last_seq.size() <= m.actor) {
        m_last_seq.resize(m.actor + 1, 0);
        m_actor_max_op.resize(m.actor + 1, 0);
    }
    m_last_seq[m.actor] = m.seq;
    m_actor_max_op[m.actor] = std::max(m_actor_max_op[m.actor], m.max_op);
    m_max_op = std::max(m_max_op, m.max_op);
}

std::uint32_t ChangeLog::seal_unhashed(ChangeMeta meta, std::span<const std::uint32_t> deps, std::string_view message)
{
    meta.ops_count = static_cast<std::uint32_t>(m_ops.size() - meta.ops_begin);
    std::uint64_t width = 0;
    for (std::size_t i = meta.ops_begin; i < m_ops.size(); ++i)
        width += m_ops[i].width();
    meta.max_op = meta.start_op + width - 1;
    meta.deps_begin = static_cast<std::uint32_t>(m_deps.size());
    meta.deps_count = static_cast<std::uint32_t>(deps.size());
    m_deps.insert(m_deps.end(), deps.begin(), deps.end());
    meta.message_off = store(message);
    meta.message_len = static_cast<std::uint32_t>(message.size());
    auto index = static_cast<std::uint32_t>(m_changes.size());
    m_changes.push_back(meta);
    note_change(index);
    return index;
}

std::uint32_t ChangeLog::seal(ChangeMeta meta, std::span<const std::uint32_t> deps, std::string_view message)
{
    compute_hashes();
    auto index = seal_unhashed(meta, deps, message);
    compute_hashes();
    return index;
}

void ChangeLog::compute_hashes()
{
    while (m_hashes.size() < m_changes.size()) {
        std::size_t i = m_hashes.size();
        m_scratch.out().clear();
        encode_into(m_scratch, i);
        m_hashes.push_back(util::sha256(m_scratch.out()));
        m_by_hash.insert(m_hashes, static_cast<std::uint32_t>(i));
    }
}

void ChangeLog::truncate_ops(std::size_t ops_size)
{
    if (ops_size >= m_ops.size())
        return;
    auto preds = static_cast<std::uint32_t>(m_preds.size());
    for (std::size_t i = ops_size; i < m_ops.size(); ++i)
        if (m_ops[i].pred_count > 0)
            preds = std::min(preds, m_ops[i].pred_begin);
    m_ops.resize(ops_size);
    m_preds.resize(preds);
}

void ChangeLog::truncate_changes(std::size_t count)
{
    if (count >= m_changes.size())
        return;
    truncate_ops(m_changes[count].ops_begin);
    m_deps.resize(m_changes[count].deps_begin);
    if (m_hashes.size() > count)
        m_hashes.resize(count);
    m_by_hash.reset(m_hashes, m_hashes.size());
    m_changes.resize(count);
    m_heads.clear();
    m_last_seq.clear();
    m_actor_max_op.clear();
    m_max_op = 0;
    for (std::uint32_t i = 0; i < count; ++i)
        note_change(i);
}

Bytes ChangeLog::encode(std::size_t i)
{
    compute_hashes();
    ByteWriter w;
    encode_into(w, i);
    return w.take();
}

void ChangeLog::encode_into(ByteWriter& w, std::size_t i)
{
    const ChangeMeta& m = m_changes[i];
    auto ops = ops_of(i);
    std::vector<std::uint32_t>& others = m_others;
    others.clear();
    auto note = [&](OpId id) {
        if (id.counter != 0 && id.actor != m.actor)
            others.push_back(id.actor);
    };
    for (const Op& op : ops) {
        note(op.obj);
        if (op.seq)
            note(op.elem);
        for (OpId p : pred(op))
            note(p);
    }
    std::sort(others.begin(), others.end(), [&](std::uint32_t a, std::uint32_t b) { return m_actors[a] < m_actors[b]; });
    others.erase(std::unique(others.begin(), others.end()), others.end());
    // Refs are written as positions in `others`, which is sorted by actor bytes; look them up by
    // index through a small sorted copy of the indices.
    std::vector<std::uint32_t>& by_index = m_by_index;
    by_index.assign(others.begin(), others.end());
    std::sort(by_index.begin(), by_index.end());
    std::vector<std::uint32_t>& position = m_position;
    position.assign(by_index.size(), 0);
    for (std::size_t k = 0; k < others.size(); ++k) {
        auto it = std::lower_bound(by_index.begin(), by_index.end(), others[k]);
        position[static_cast<std::size_t>(it - by_index.begin())] = static_cast<std::uint32_t>(k);
    }
    auto ref = [&](OpId id) {
        w.uleb(id.counter);
        if (id.counter == 0)
            return;
        if (id.actor == m.actor) {
            w.uleb(0);
            return;
        }
        auto it = std::lower_bound(by_index.begin(), by_index.end(), id.actor);
        w.uleb(position[static_cast<std::size_t>(it - by_index.begin())] + 1);
    };

    w.u8(change_format);
    w.raw(m_actors[m.actor]);
    w.uleb(m.seq);
    w.uleb(m.start_op);
    w.sleb(m.time);
    w.str(stored(m.message_off, m.message_len));
    std::vector<ChangeHash>& deps = m_dep_hashes;
    deps.clear();
    for (auto d : deps_of(i))
        deps.push_back(m_hashes[d]);
    std::sort(deps.begin(), deps.end());
    w.uleb(deps.size());
    for (const auto& d : deps)
        w.raw(d);
    w.uleb(others.size());
    for (auto a : others)
        w.raw(m_actors[a]);
    w.uleb(ops.size());
    for (const Op& op : ops) {
        w.u8(static_cast<std::uint8_t>(static_cast<std::uint8_t>(op.kind) | (op.seq ? flag_seq : 0) |
                                       (op.insert ? flag_insert : 0)));
        ref(op.obj);
        if (op.seq)
            ref(op.elem);
        else
            w.str(m_keys[op.key]);
        w.uleb(op.pred_count);
        for (OpId p : pred(op))
            ref(p);
        switch (op.kind) {
        case OpKind::Put:
            w.u8(static_cast<std::uint8_t>(op.tag));
            switch (op.tag) {
            case ValueTag::None: break;
            case ValueTag::String: w.str(stored(op.bits, op.len)); break;
            case ValueTag::Int:
            case ValueTag::Counter:
            case ValueTag::Timestamp: w.sleb(static_cast<std::int64_t>(op.bits)); break;
            case ValueTag::Uint: w.uleb(op.bits); break;
            case ValueTag::Double: w.f64(std::bit_cast<double>(op.bits)); break;
            case ValueTag::Bool: w.u8(op.bits ? 1 : 0); break;
            }
            break;
        case OpKind::Increment: w.sleb(static_cast<std::int64_t>(op.bits)); break;
        case OpKind::TextInsert: w.str(op_text(op)); break;
        case OpKind::TextDelete: w.uleb(op.len); break;
        default: break;
        }
    }
}

util::Result<ChangeHeader> ChangeLog::read_header(std::span<const std::uint8_t> body)
{
    ByteReader r(body);
    ChangeHeader h;
    if (r.u8() != change_format)
        return util::fail("unknown change format");
    auto actor = r.raw(16);
    if (!r.ok())
        return util::fail("change is truncated");
    std::memcpy(h.actor.data(), actor.data(), 16);
    h.seq = r.uleb();
    r.uleb();
    r.sleb();
    r.str();
    auto n = r.count(32);
    for (std::uint64_t k = 0; k < n && r.ok(); ++k) {
        auto d = r.raw(32);
        if (r.ok()) {
            ChangeHash hash;
            std::memcpy(hash.data(), d.data(), 32);
            h.deps.push_back(hash);
        }
    }
    if (!r.ok())
        return util::fail("change is truncated");
    return h;
}

util::Result<std::uint32_t> ChangeLog::decode_append(std::span<const std::uint8_t> body, const ChangeHash& expected)
{
    compute_hashes();
    ByteReader r(body);
    if (r.u8() != change_format)
        return util::fail("unknown change format");
    ActorId author;
    auto a = r.raw(16);
    if (!r.ok())
        return util::fail("change is truncated");
    std::memcpy(author.data(), a.data(), 16);
    ChangeMeta meta;
    meta.seq = r.uleb();
    meta.start_op = r.uleb();
    meta.time = r.sleb();
    std::string message(r.str());
    std::vector<std::uint32_t> deps;
    auto ndeps = r.count(32);
    for (std::uint64_t k = 0; k < ndeps && r.ok(); ++k) {
        ChangeHash h;
        auto d = r.raw(32);
        if (!r.ok())
            break;
        std::memcpy(h.data(), d.data(), 32);
        auto idx = find(h);
        if (!idx)
            return util::fail("change depends on an unknown change");
        deps.push_back(*idx);
    }
    std::vector<std::uint32_t> actor_of_ref;
    auto nothers = r.count(16);
    if (!r.ok())
        return util::fail("change is truncated");
    meta.actor = m_actors.intern(author);
    actor_of_ref.push_back(meta.actor);
    for (std::uint64_t k = 0; k < nothers && r.ok(); ++k) {
        ActorId other;
        auto o = r.raw(16);
        if (!r.ok())
            break;
        std::memcpy(other.data(), o.data(), 16);
        if (other == author)
            return util::fail("change lists its own actor twice");
        actor_of_ref.push_back(m_actors.intern(other));
    }
    if (!r.ok())
        return util::fail("change is truncated");
    if (meta.seq != last_seq(meta.actor) + 1)
        return util::fail("change has sequence number {} where {} was expected", meta.seq, last_seq(meta.actor) + 1);
    if (meta.start_op == 0 || meta.start_op <= actor_max_op(meta.actor) || meta.start_op >= max_counter)
        return util::fail("change starts at an invalid op counter");
    for (auto d : deps)
        if (meta.start_op <= m_changes[d].max_op)
            return util::fail("change starts below the op counters of its dependencies");

    auto read_ref = [&](OpId& out) -> bool {
        out.counter = r.uleb();
        if (out.counter == 0) {
            out.actor = 0;
            return true;
        }
        auto k = r.uleb();
        if (k >= actor_of_ref.size())
            return false;
        out.actor = actor_of_ref[k];
        return true;
    };

    std::size_t ops_begin = m_ops.size();
    auto abandon = [&](std::string_view why) {
        truncate_ops(ops_begin);
        return util::fail("{}", why);
    };
    auto nops = r.count(4);
    if (!r.ok() || nops == 0)
        return abandon("change has no operations");
    std::uint64_t counter = meta.start_op;
    for (std::uint64_t k = 0; k < nops; ++k) {
        Op op;
        std::uint8_t head = r.u8();
        std::uint8_t kind = head & 0x0f;
        if ((head & ~(flag_seq | flag_insert | 0x0f)) != 0 || kind >= op_kind_count)
            return abandon("change has an unknown operation");
        op.kind = static_cast<OpKind>(kind);
        op.seq = (head & flag_seq) != 0;
        op.insert = (head & flag_insert) != 0;
        bool text_op = op.kind == OpKind::TextInsert || op.kind == OpKind::TextDelete;
        bool insertable = op.kind == OpKind::Put || is_make(op.kind) || op.kind == OpKind::TextInsert;
        if (((text_op || op.insert) && !op.seq) || (op.kind == OpKind::TextInsert && !op.insert) ||
            (op.insert && !insertable))
            return abandon("change has a malformed operation");
        if (!read_ref(op.obj))
            return abandon("change refers to an unlisted actor");
        if (op.seq) {
            if (!read_ref(op.elem))
                return abandon("change refers to an unlisted actor");
            if (!op.insert && op.elem.counter == 0)
                return abandon("change addresses the head of a sequence");
        } else {
            op.key = intern_key(r.str());
        }
        auto npred = r.count(2);
        if (npred > 0xffff)
            return abandon("change has too many predecessors");
        std::vector<OpId> pred(npred);
        for (auto& p : pred)
            if (!read_ref(p) || p.counter == 0)
                return abandon("change has a malformed predecessor");
        // Operations refer only to earlier operations.
        bool earlier = op.obj.counter < counter && (!op.seq || op.elem.counter < counter);
        for (const OpId& p : pred)
            earlier = earlier && p.counter < counter;
        if (!earlier)
            return abandon("change refers to a later operation");
        set_pred(op, pred);
        switch (op.kind) {
        case OpKind::Put: {
            auto tag = r.u8();
            if (tag >= value_tag_count)
                return abandon("change has an unknown value type");
            op.tag = static_cast<ValueTag>(tag);
            switch (op.tag) {
            case ValueTag::None: break;
            case ValueTag::String: {
                auto s = r.str();
                op.bits = store(s);
                op.len = static_cast<std::uint32_t>(s.size());
                break;
            }
            case ValueTag::Int:
            case ValueTag::Counter:
            case ValueTag::Timestamp: op.bits = static_cast<std::uint64_t>(r.sleb()); break;
            case ValueTag::Uint: op.bits = r.uleb(); break;
            case ValueTag::Double: op.bits = std::bit_cast<std::uint64_t>(r.f64()); break;
            case ValueTag::Bool: {
                auto b = r.u8();
                if (b > 1)
                    return abandon("change has a malformed boolean");
                op.bits = b;
                break;
            }
            }
            break;
        }
        case OpKind::Increment: op.bits = static_cast<std::uint64_t>(r.sleb()); break;
        case OpKind::TextInsert: {
            auto s = r.str();
            auto chars = decode_utf8(s);
            if (!chars || chars->empty() || s.size() > 0xffffffffu)
                return abandon("change inserts text that is not UTF-8");
            op.bits = store(s);
            op.text_bytes = static_cast<std::uint32_t>(s.size());
            op.len = static_cast<std::uint32_t>(chars->size());
            break;
        }
        case OpKind::TextDelete: {
            auto n = r.uleb();
            if (n == 0 || n > 0xffffffffu || op.elem.counter + n >= max_counter)
                return abandon("change deletes an invalid range");
            op.len = static_cast<std::uint32_t>(n);
            break;
        }
        default: break;
        }
        if (!r.ok())
            return abandon("change is truncated");
        counter += op.width();
        if (counter >= max_counter)
            return abandon("change overflows the op counter");
        m_ops.push_back(op);
    }
    if (!r.ok() || !r.at_end())
        return abandon("change has trailing bytes");
    meta.ops_begin = static_cast<std::uint32_t>(ops_begin);
    auto index = seal(meta, deps, message);
    if (m_hashes[index] != expected) {
        truncate_changes(index);
        return util::fail("change is not in canonical form");
    }
    return index;
}

} // namespace crdt
