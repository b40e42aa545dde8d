#pragma once
// Everything a Document owns: the change log, the object state, the open transaction and the
// queue of changes waiting for their dependencies.

#include <cstdint>
#include <string>
#include <vector>

#include "platform/crdt/change_log.h"
#include "platform/crdt/object_store.h"

namespace crdt {

// Changes waiting for dependencies are bounded, so a peer cannot grow the queue without end.
inline constexpr std::size_t max_queued_changes = 100000;

struct QueuedChange {
    Bytes body;
    ChangeHash hash;
    ChangeHeader header;
};

// How to take back one local write of the open transaction.
struct UndoStep {
    enum class Kind : std::uint8_t { MapSlot, ListSlot, SeqErase, TextRevive, RemoveObject };
    Kind kind = Kind::MapSlot;
    OpId obj;
    std::string key;     // MapSlot
    OpId elem;           // ListSlot: the element; SeqErase, TextRevive: the first id
    std::uint32_t count = 0;
    bool existed = false; // MapSlot: whether the key had values
    Slot previous;        // MapSlot, ListSlot
};

class DocState {
public:
    explicit DocState(const ActorId& actor) { m_actor = log.actors().intern(actor); }

    ChangeLog log;
    ObjectStore store;
    std::vector<QueuedChange> queue;
    std::uint64_t version = 0;
    std::size_t saved_changes = 0;
    std::u32string scratch_chars; // reused by text splices
    std::vector<UndoStep> undo;   // of the open transaction, oldest first

    std::uint32_t actor() const { return m_actor; }
    void set_actor(const ActorId& actor) { m_actor = log.actors().intern(actor); }

    // The id for a local operation of `width` counters, opening the transaction if needed.
    OpId next_id(std::uint64_t width);
    bool in_transaction() const { return m_txn_open; }
    std::uint64_t transaction_start() const { return m_txn_start_op; }
    // Records how to take back a sequence insertion or a text deletion, merging it into the
    // previous step when the ids continue it (typing and backspacing make long runs).
    void remember_range(UndoStep::Kind kind, OpId obj, OpId first, std::uint32_t count);
    std::size_t pending_ops() const { return m_txn_open ? log.ops().size() - m_txn_ops_begin : 0; }
    std::optional<ChangeHash> commit(std::int64_t time, std::string_view message);
    void rollback();

    // Applies the operations of change `index` to the object state.
    util::Result<void> apply_change(std::uint32_t index);
    // Recomputes the object state from the change log.
    void rebuild();
    // Applies the queued changes whose dependencies are present, until none is left to apply.
    util::Result<void> drain_queue();

private:
    void undo_step(const UndoStep& step);

    std::uint32_t m_actor = 0;
    bool m_txn_open = false;
    std::size_t m_txn_ops_begin = 0;
    std::uint64_t m_txn_start_op = 0;
    std::uint64_t m_next_counter = 0;
};

} // namespace crdt
