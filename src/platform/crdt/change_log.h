#pragma once
// Every change a document holds, with its operations, hash and place in the causal graph.
//
// Storage is flat so that long histories stay small: one vector of change records, one of
// operations, one of predecessor ids, and one byte arena for strings. A change's canonical
// bytes are produced on demand; its hash is the SHA-256 of those bytes. Changes are stored in
// a causal order (every change after its dependencies), which is the order of `save` and of
// `changes_since`.

#include <cstdint>
#include <deque>
#include <ranges>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "platform/crdt/actor_table.h"
#include "platform/crdt/bytes.h"
#include "platform/crdt/hash_index.h"
#include "platform/crdt/op.h"
#include "platform/crdt/value.h"
#include "platform/util/result.h"
#include "platform/util/sha256.h"

namespace crdt {

using ChangeHash = util::Sha256;

struct ChangeMeta {
    std::uint32_t actor = 0;
    std::uint32_t deps_begin = 0;
    std::uint32_t deps_count = 0;
    std::uint32_t ops_begin = 0;
    std::uint32_t ops_count = 0;
    std::uint32_t message_len = 0;
    std::uint64_t message_off = 0;
    std::uint64_t seq = 0;
    std::uint64_t start_op = 0;
    std::uint64_t max_op = 0;
    std::int64_t time = 0;
};

// What a change's bytes say about where it belongs, read without decoding its operations.
struct ChangeHeader {
    ActorId actor{};
    std::uint64_t seq = 0;
    std::vector<ChangeHash> deps;
};

// The first byte of a change's canonical bytes.
inline constexpr std::uint8_t change_format = 1;

// Long histories grow by blocks rather than by reallocation, which would copy everything.
using OpStore = std::deque<Op>;

class ChangeLog {
public:
    ActorTable& actors() { return m_actors; }
    const ActorTable& actors() const { return m_actors; }

    // Strings and keys.
    std::uint64_t store(std::string_view bytes);
    std::string_view stored(std::uint64_t offset, std::size_t len) const { return std::string_view(m_arena).substr(offset, len); }
    std::uint32_t intern_key(std::string_view key);
    const std::string& key(std::uint32_t id) const { return m_keys[id]; }

    // Operation values.
    Scalar scalar(const Op& op) const;
    void set_scalar(Op& op, const Scalar& value);
    std::string_view op_text(const Op& op) const { return stored(op.bits, op.text_bytes); }
    std::span<const OpId> pred(const Op& op) const { return {m_preds.data() + op.pred_begin, op.pred_count}; }
    void set_pred(Op& op, std::span<const OpId> pred);

    // Operations: committed ones first, then those of the open transaction or staged change.
    OpStore& ops() { return m_ops; }
    const OpStore& ops() const { return m_ops; }
    std::ranges::subrange<OpStore::const_iterator> ops_of(std::size_t change) const
    {
        auto begin = m_ops.begin() + m_changes[change].ops_begin;
        return {begin, begin + m_changes[change].ops_count};
    }

    // Changes.
    std::size_t size() const { return m_changes.size(); }
    const ChangeMeta& meta(std::size_t i) const { return m_changes[i]; }
    std::span<const std::uint32_t> deps_of(std::size_t i) const
    {
        return {m_deps.data() + m_changes[i].deps_begin, m_changes[i].deps_count};
    }
    std::string_view message(std::size_t i) const { return stored(m_changes[i].message_off, m_changes[i].message_len); }
    const ChangeHash& hash(std::size_t i);
    std::optional<std::uint32_t> find(const ChangeHash& hash);
    std::uint64_t max_op() const { return m_max_op; }
    std::uint64_t last_seq(std::uint32_t actor) const;
    std::uint64_t actor_max_op(std::uint32_t actor) const;
    // Hashes of the changes no other change depends on, ascending.
    std::vector<ChangeHash> heads();
    const std::vector<std::uint32_t>& head_indices() const { return m_heads; }

    // Seals the operations from `meta.ops_begin` to the end of the operation vector into a
    // change depending on `deps`; fills in actor-dependent fields of `meta` the caller left
    // out (ops_count, max_op). Returns its index.
    std::uint32_t seal(ChangeMeta meta, std::span<const std::uint32_t> deps, std::string_view message);
    // Appends a change whose hash is not computed yet (load). Causal order is the caller's duty.
    std::uint32_t seal_unhashed(ChangeMeta meta, std::span<const std::uint32_t> deps, std::string_view message);
    // Sizes the dependency vector for `changes` more changes (the others grow by blocks).
    void reserve(std::size_t changes) { m_deps.reserve(m_deps.size() + changes); }
    // Removes the operations and predecessors from `ops_size` on (an abandoned transaction).
    void truncate_ops(std::size_t ops_size);
    // Removes the changes from `count` on, with their operations (a change that failed to apply).
    void truncate_changes(std::size_t count);

    // The canonical bytes of a change.
    Bytes encode(std::size_t i);
    static util::Result<ChangeHeader> read_header(std::span<const std::uint8_t> body);
    // Decodes a change whose dependencies are all present and appends it; checks that the bytes
    // are canonical and that sequence numbers and op counters are consistent.
    util::Result<std::uint32_t> decode_append(std::span<const std::uint8_t> body, const ChangeHash& hash);

private:
    void encode_into(ByteWriter& w, std::size_t i);
    void compute_hashes();
    void note_change(std::uint32_t index);

    ActorTable m_actors;
    std::deque<ChangeMeta> m_changes;
    std::deque<ChangeHash> m_hashes; // may lag behind m_changes after a load
    HashIndex<std::deque<ChangeHash>> m_by_hash;
    ByteWriter m_scratch;
    std::vector<std::uint32_t> m_others;
    std::vector<std::uint32_t> m_by_index;
    std::vector<std::uint32_t> m_position;
    std::vector<ChangeHash> m_dep_hashes;
    std::vector<std::uint32_t> m_deps;
    OpStore m_ops;
    std::vector<OpId> m_preds;
    std::string m_arena;
    std::vector<std::string> m_keys;
    std::unordered_map<std::string, std::uint32_t> m_key_index;
    std::vector<std::uint32_t> m_heads;
    std::vector<std::uint64_t> m_last_seq;    // by actor
    std::vector<std::uint64_t> m_actor_max_op; // by actor
    std::uint64_t m_max_op = 0;
};

} // namespace crdt
