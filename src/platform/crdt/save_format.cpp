#include "platform/crdt/save_format.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>

#include "platform/crdt/columns.h"
#include "platform/crdt/compress.h"
#include "platform/crdt/lz.h"

namespace crdt {

namespace {

constexpr std::array<std::uint8_t, 4> magic{'R', 'V', 'C', 'D'};
constexpr std::uint8_t format_version = 1;
constexpr std::uint8_t compression_none = 0;
constexpr std::uint8_t compression_model = 1;
constexpr std::uint8_t compression_lz = 2;
// Above this body size the context model would dominate load time; the dictionary coder takes over.
constexpr std::size_t model_limit = 512 * 1024;
constexpr std::uint64_t max_counter = std::uint64_t{1} << 62;
constexpr std::uint8_t flag_seq = 0x10;
constexpr std::uint8_t flag_insert = 0x20;

enum Col : std::size_t {
    ChActor,
    ChStart,
    ChTime,
    ChMsgLen,
    ChDepCount,
    ChDep,
    ChOpCount,
    OpHead,
    OpObjCounter,
    OpObjActor,
    OpKey,
    OpElemCounter,
    OpElemActor,
    OpPredCount,
    OpPredCounter,
    OpPredActor,
    OpTag,
    OpInt,
    OpLen,
    ColCount
};

std::optional<std::uint32_t> utf8_scalars(std::string_view s)
{
    auto decoded = decode_utf8(s);
    if (!decoded)
        return std::nullopt;
    return static_cast<std::uint32_t>(decoded->size());
}

bool ascii(std::string_view s)
{
    for (char c : s)
        if (static_cast<unsigned char>(c) >= 0x80)
            return false;
    return true;
}

} // namespace

Bytes encode_document(ChangeLog& log)
{
    std::array<ColumnWriter, ColCount> col;
    ByteWriter messages, strings, doubles;
    std::vector<std::uint32_t> key_ids;
    std::vector<std::int64_t> key_slot(0);

    // Keys are renumbered in order of first use, so a save holds only the keys it needs.
    std::vector<std::int64_t> key_map;
    auto map_key = [&](std::uint32_t key) {
        if (key >= key_map.size())
            key_map.resize(key + 1, -1);
        if (key_map[key] < 0) {
            key_map[key] = static_cast<std::int64_t>(key_ids.size());
            key_ids.push_back(key);
        }
        return key_map[key];
    };

    std::uint64_t prev_end = 0;
    std::int64_t prev_time = 0;
    std::uint64_t prev_obj = 0;
    std::uint64_t prev_elem = 0;
    for (std::size_t i = 0; i < log.size(); ++i) {
        const ChangeMeta& m = log.meta(i);
        col[ChActor].push(m.actor);
        col[ChStart].push(static_cast<std::int64_t>(m.start_op - (prev_end + 1)));
        prev_end = m.max_op;
        col[ChTime].push(m.time - prev_time);
        prev_time = m.time;
        col[ChMsgLen].push(m.message_len);
        messages.raw(log.message(i));
        auto deps = log.deps_of(i);
        col[ChDepCount].push(static_cast<std::int64_t>(deps.size()));
        for (auto d : deps)
            col[ChDep].push(static_cast<std::int64_t>(i - d));
        col[ChOpCount].push(m.ops_count);
        std::uint64_t counter = m.start_op;
        for (const Op& op : log.ops_of(i)) {
            auto own = static_cast<std::int64_t>(counter);
            col[OpHead].push(static_cast<std::uint8_t>(op.kind) | (op.seq ? flag_seq : 0) | (op.insert ? flag_insert : 0));
            col[OpObjCounter].push(static_cast<std::int64_t>(op.obj.counter - prev_obj));
            prev_obj = op.obj.counter;
            col[OpObjActor].push(op.obj.actor);
            if (op.seq) {
                col[OpElemCounter].push(static_cast<std::int64_t>(op.elem.counter - prev_elem));
                prev_elem = op.elem.counter;
                col[OpElemActor].push(op.elem.counter ? op.elem.actor : 0);
            } else {
                col[OpKey].push(map_key(op.key));
            }
            col[OpPredCount].push(op.pred_count);
            for (OpId p : log.pred(op)) {
                col[OpPredCounter].push(own - static_cast<std::int64_t>(p.counter));
                col[OpPredActor].push(p.actor);
            }
            switch (op.kind) {
            case OpKind::Put:
                col[OpTag].push(static_cast<std::int64_t>(op.tag));
                switch (op.tag) {
                case ValueTag::String:
                    col[OpLen].push(op.len);
                    strings.raw(log.stored(op.bits, op.len));
                    break;
                case ValueTag::Double: doubles.f64(std::bit_cast<double>(op.bits)); break;
                case ValueTag::None: break;
                default: col[OpInt].push(static_cast<std::int64_t>(op.bits)); break;
                }
                break;
            case OpKind::Increment: col[OpInt].push(static_cast<std::int64_t>(op.bits)); break;
            case OpKind::TextInsert:
                col[OpLen].push(op.text_bytes);
                strings.raw(log.op_text(op));
                break;
            case OpKind::TextDelete: col[OpLen].push(op.len); break;
            default: break;
            }
            counter += op.width();
        }
    }

    ByteWriter body;
    body.uleb(log.actors().size());
    for (std::uint32_t a = 0; a < log.actors().size(); ++a)
        body.raw(log.actors()[a]);
    body.uleb(key_ids.size());
    for (auto k : key_ids)
        body.str(log.key(k));
    body.uleb(log.size());
    for (auto& c : col)
        c.write_to(body);
    body.bytes(messages.out());
    body.bytes(strings.out());
    body.bytes(doubles.out());

    std::uint8_t method = body.size() <= model_limit ? compression_model : compression_lz;
    Bytes packed = method == compression_model ? compress(body.out()) : lz_compress(body.out());
    ByteWriter out;
    out.raw(magic);
    out.u8(format_version);
    bool use_packed = packed.size() < body.size();
    out.u8(use_packed ? method : compression_none);
    out.uleb(body.size());
    out.bytes(use_packed ? packed : body.out());
    out.raw(util::sha256(out.out()));
    return out.take();
}

util::Result<void> decode_document(std::span<const std::uint8_t> bytes, ChangeLog& log)
{
    if (bytes.size() < magic.size() + 2 + 32 || !std::equal(magic.begin(), magic.end(), bytes.begin()))
        return util::fail("not a saved document");
    auto content = bytes.first(bytes.size() - 32);
    if (util::sha256(content) != *reinterpret_cast<const util::Sha256*>(bytes.data() + content.size()))
        return util::fail("saved document is corrupt (checksum mismatch)");
    ByteReader head(content.subspan(magic.size()));
    if (head.u8() != format_version)
        return util::fail("saved document has an unsupported version");
    auto compression = head.u8();
    auto body_len = head.uleb();
    auto stored_body = head.raw(head.count(0));
    if (!head.ok() || !head.at_end())
        return util::fail("saved document is truncated");
    Bytes unpacked;
    std::span<const std::uint8_t> body_bytes;
    if (compression == compression_none) {
        body_bytes = stored_body;
    } else if (compression == compression_model || compression == compression_lz) {
        auto u = compression == compression_model ? decompress(stored_body, body_len) : lz_decompress(stored_body, body_len);
        if (!u)
            return std::unexpected(u.error());
        unpacked = std::move(*u);
        body_bytes = unpacked;
    } else {
        return util::fail("saved document uses an unknown compression");
    }
    if (body_bytes.size() != body_len)
        return util::fail("saved document has a wrong length");

    ByteReader r(body_bytes);
    auto bad = [](std::string_view what) { return util::fail("saved document is malformed: {}", what); };
    auto nactors = r.count(16);
    std::vector<std::uint32_t> actor_map;
    for (std::uint64_t a = 0; a < nactors && r.ok(); ++a) {
        ActorId id;
        auto b = r.raw(16);
        if (!r.ok())
            break;
        std::memcpy(id.data(), b.data(), 16);
        if (log.actors().find(id))
            return bad("duplicate actor");
        actor_map.push_back(log.actors().intern(id));
    }
    auto nkeys = r.count(1);
    std::vector<std::uint32_t> keys;
    for (std::uint64_t k = 0; k < nkeys && r.ok(); ++k)
        keys.push_back(log.intern_key(r.str()));
    auto nchanges = r.count(0);
    std::array<ColumnReader, ColCount> col;
    for (auto& c : col) {
        auto n = r.count(0);
        c = ColumnReader(r.raw(n));
    }
    ByteReader messages(r.raw(r.count(0)));
    ByteReader strings(r.raw(r.count(0)));
    ByteReader doubles(r.raw(r.count(0)));
    if (!r.ok() || !r.at_end())
        return bad("truncated body");
    const std::uint64_t max_items = std::max<std::uint64_t>(std::uint64_t{1} << 20, body_bytes.size() * 64);
    if (nchanges > max_items)
        return bad("too many changes");
    {
        // One pass over the operation counts rejects hostile totals before anything is built.
        ColumnReader counts = col[ChOpCount];
        std::uint64_t total = 0;
        for (std::uint64_t i = 0; i < nchanges && counts.ok() && total <= max_items; ++i)
            total += counts.next_u();
        if (!counts.ok() || total > max_items)
            return bad("operation count");
        log.reserve(nchanges);
    }

    auto actor_at = [&](std::uint64_t a, bool& ok) -> std::uint32_t {
        if (a >= actor_map.size()) {
            ok = false;
            return 0;
        }
        return actor_map[a];
    };

    std::vector<std::uint32_t> deps;
    std::vector<OpId> preds;
    std::uint64_t prev_end = 0;
    std::int64_t prev_time = 0;
    std::uint64_t prev_obj = 0;
    std::uint64_t prev_elem = 0;
    bool ok = true;
    for (std::uint64_t i = 0; i < nchanges; ++i) {
        ChangeMeta meta;
        meta.actor = actor_at(col[ChActor].next_u(), ok);
        meta.seq = log.last_seq(meta.actor) + 1;
        meta.start_op = prev_end + 1 + col[ChStart].next_u();
        meta.time = static_cast<std::int64_t>(static_cast<std::uint64_t>(prev_time) + col[ChTime].next_u());
        prev_time = meta.time;
        auto msg_len = col[ChMsgLen].next_u();
        auto message = messages.raw(msg_len);
        auto ndeps = col[ChDepCount].next_u();
        if (!ok || !messages.ok() || ndeps > i)
            return bad("change table");
        if (meta.start_op == 0 || meta.start_op >= max_counter || meta.start_op <= log.actor_max_op(meta.actor))
            return bad("op counters");
        deps.clear();
        for (std::uint64_t d = 0; d < ndeps; ++d) {
            auto delta = col[ChDep].next_u();
            if (delta == 0 || delta > i)
                return bad("dependency");
            auto dep = static_cast<std::uint32_t>(i - delta);
            if (log.meta(dep).max_op >= meta.start_op)
                return bad("dependency counters");
            deps.push_back(dep);
        }
        auto nops = col[ChOpCount].next_u();
        // Runs let a few bytes stand for many operations; the bound keeps hostile counts from
        // exhausting memory while leaving room for any document a replica can produce.
        if (nops == 0 || log.ops().size() + nops > max_items)
            return bad("operation count");
        meta.ops_begin = static_cast<std::uint32_t>(log.ops().size());
        std::uint64_t counter = meta.start_op;
        for (std::uint64_t k = 0; k < nops; ++k) {
            Op op;
            auto head_byte = col[OpHead].next_u();
            auto kind = head_byte & 0x0f;
            if ((head_byte & ~std::uint64_t{flag_seq | flag_insert | 0x0f}) != 0 || kind >= op_kind_count)
                return bad("operation kind");
            op.kind = static_cast<OpKind>(kind);
            op.seq = (head_byte & flag_seq) != 0;
            op.insert = (head_byte & flag_insert) != 0;
            bool text_op = op.kind == OpKind::TextInsert || op.kind == OpKind::TextDelete;
            bool insertable = op.kind == OpKind::Put || is_make(op.kind) || op.kind == OpKind::TextInsert;
            if (((text_op || op.insert) && !op.seq) || (op.kind == OpKind::TextInsert && !op.insert) ||
                (op.insert && !insertable))
                return bad("operation flags");
            prev_obj += col[OpObjCounter].next_u();
            op.obj.counter = prev_obj;
            op.obj.actor = actor_at(col[OpObjActor].next_u(), ok);
            if (op.obj.counter == 0)
                op.obj.actor = 0;
            if (op.obj.counter >= counter)
                return bad("object reference");
            if (op.seq) {
                prev_elem += col[OpElemCounter].next_u();
                op.elem.counter = prev_elem;
                auto ea = col[OpElemActor].next_u();
                op.elem.actor = op.elem.counter ? actor_at(ea, ok) : 0;
                if (op.elem.counter >= counter || (!op.insert && op.elem.counter == 0))
                    return bad("element reference");
            } else {
                auto key = col[OpKey].next_u();
                if (key >= keys.size())
                    return bad("key");
                op.key = keys[key];
            }
            auto npred = col[OpPredCount].next_u();
            if (npred > 0xffff)
                return bad("predecessors");
            preds.clear();
            for (std::uint64_t p = 0; p < npred; ++p) {
                OpId pid{counter - col[OpPredCounter].next_u(), 0};
                pid.actor = actor_at(col[OpPredActor].next_u(), ok);
                if (pid.counter == 0 || pid.counter >= counter)
                    return bad("predecessor");
                preds.push_back(pid);
            }
            log.set_pred(op, preds);
            switch (op.kind) {
            case OpKind::Put: {
                auto tag = col[OpTag].next_u();
                if (tag >= value_tag_count)
                    return bad("value type");
                op.tag = static_cast<ValueTag>(tag);
                switch (op.tag) {
                case ValueTag::String: {
                    auto len = col[OpLen].next_u();
                    auto s = strings.raw(len);
                    op.bits = log.store({reinterpret_cast<const char*>(s.data()), s.size()});
                    op.len = static_cast<std::uint32_t>(s.size());
                    break;
                }
                case ValueTag::Double: op.bits = std::bit_cast<std::uint64_t>(doubles.f64()); break;
                case ValueTag::None: break;
                case ValueTag::Bool:
                    op.bits = col[OpInt].next_u();
                    if (op.bits > 1)
                        return bad("boolean");
                    break;
                default: op.bits = col[OpInt].next_u(); break;
                }
                break;
            }
            case OpKind::Increment: op.bits = col[OpInt].next_u(); break;
            case OpKind::TextInsert: {
                auto len = col[OpLen].next_u();
                auto b = strings.raw(len);
                std::string_view s{reinterpret_cast<const char*>(b.data()), b.size()};
                auto scalars = ascii(s) ? std::optional<std::uint32_t>(static_cast<std::uint32_t>(s.size())) : utf8_scalars(s);
                if (!strings.ok() || !scalars || *scalars == 0)
                    return bad("text");
                op.bits = log.store(s);
                op.text_bytes = static_cast<std::uint32_t>(s.size());
                op.len = *scalars;
                break;
            }
            case OpKind::TextDelete: {
                auto n = col[OpLen].next_u();
                if (n == 0 || n > 0xffffffffu || op.elem.counter + n >= max_counter)
                    return bad("deletion");
                op.len = static_cast<std::uint32_t>(n);
                break;
            }
            default: break;
            }
            if (!ok || !strings.ok() || !doubles.ok())
                return bad("operation");
            counter += op.width();
            if (counter >= max_counter)
                return bad("op counters");
            log.ops().push_back(op);
        }
        for (auto& c : col)
            if (!c.ok())
                return bad("columns");
        std::string_view msg{reinterpret_cast<const char*>(message.data()), message.size()};
        auto index = log.seal_unhashed(meta, deps, msg);
        prev_end = log.meta(index).max_op;
    }
    for (auto& c : col)
        if (!c.ok() || !c.done())
            return bad("columns have extra values");
    if (!messages.at_end() || !strings.at_end() || !doubles.at_end())
        return bad("extra bytes");
    return {};
}

} // namespace crdt
