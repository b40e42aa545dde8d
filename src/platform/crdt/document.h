#pragma once
// A replicated JSON-like document: nested maps, lists and texts that merge without conflicts.
//
// Writes open an automatic transaction; `commit` closes it into one change, named by the
// SHA-256 of its canonical bytes. Reads see uncommitted writes. Changes travel as bytes
// (`get_changes` / `apply_changes`) and whole documents as a compact checksummed file (`save` /
// `load`). Every call that can fail on input returns an error value; none aborts on input.
//
// Thread: a Document belongs to one thread (the UI thread in the application); it has no
// internal locking. Distinct documents are independent.

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/crdt/ids.h"
#include "platform/crdt/value.h"
#include "platform/util/result.h"
#include "platform/util/sha256.h"

namespace crdt {

using ChangeHash = util::Sha256;
using Bytes = std::vector<std::uint8_t>;

class DocState;

class Document {
public:
    // A new empty document with a random actor.
    Document();
    explicit Document(const ActorId& actor);
    ~Document();
    Document(Document&&) noexcept;
    Document& operator=(Document&&) noexcept;
    Document(const Document&) = delete;
    Document& operator=(const Document&) = delete;

    static constexpr ObjId root() { return crdt::root; }

    // Writes. Each opens the automatic transaction. Errors: unknown object, wrong object type,
    // index out of range, text that is not valid UTF-8, increment of a value that is no counter.
    util::Result<void> put(const ObjId& map, std::string_view key, const Scalar& value);
    util::Result<ObjId> put_object(const ObjId& map, std::string_view key, ObjType type);
    util::Result<void> delete_key(const ObjId& map, std::string_view key);
    util::Result<void> insert(const ObjId& list, std::size_t index, const Scalar& value);
    util::Result<ObjId> insert_object(const ObjId& list, std::size_t index, ObjType type);
    util::Result<void> set(const ObjId& list, std::size_t index, const Scalar& value);
    util::Result<ObjId> set_object(const ObjId& list, std::size_t index, ObjType type);
    util::Result<void> delete_index(const ObjId& list, std::size_t index);
    // Adds `by` to the counter under a map key or at a list index.
    util::Result<void> increment(const ObjId& map, std::string_view key, std::int64_t by);
    util::Result<void> increment(const ObjId& list, std::size_t index, std::int64_t by);
    // Deletes `delete_count` characters at `pos` and inserts `text` there; positions and counts
    // are in Unicode scalar values. A deletion that runs past the end is an error.
    util::Result<void> splice_text(const ObjId& text, std::size_t pos, std::size_t delete_count,
                                   std::string_view insert_text);

    // Reads. A missing key or index gives nothing; an unknown object gives nothing too.
    std::optional<Value> get(const ObjId& obj, std::string_view key) const;
    std::optional<Value> get(const ObjId& obj, std::size_t index) const;
    // Every concurrently written value, the winner (greatest op id) last.
    std::vector<Value> get_all(const ObjId& obj, std::string_view key) const;
    std::vector<Value> get_all(const ObjId& obj, std::size_t index) const;
    // Map keys in ascending byte order.
    std::vector<std::string> keys(const ObjId& map) const;
    // Number of keys of a map, elements of a list, scalar values of a text.
    std::size_t length(const ObjId& obj) const;
    // The content of a text object as UTF-8; nothing for another kind of object.
    std::optional<std::string> text(const ObjId& obj) const;
    std::optional<ObjType> object_type(const ObjId& obj) const;

    // Transactions.
    // Closes the open transaction into a change; returns its hash, nothing when no write is
    // pending. `time` is seconds since the Unix epoch (0 when not given).
    std::optional<ChangeHash> commit();
    std::optional<ChangeHash> commit(std::int64_t time, std::string_view message = {});
    // Undoes the writes of the open transaction.
    void rollback();
    std::size_t pending_ops() const;

    std::vector<ChangeHash> get_heads() const;
    const ActorId& get_actor() const;
    void set_actor(const ActorId& actor);
    // Increases whenever the content changes (local writes, rollback, applied changes, merge).
    std::uint64_t version() const;

    // Exchange. Each commits the open transaction first.
    // The changes not reachable from `since` (all of them when empty), as one byte string.
    Bytes get_changes(std::span<const ChangeHash> since = {});
    // Applies changes produced by get_changes, save_incremental or change bytes concatenated.
    // Changes whose dependencies are missing wait until they arrive; known ones are ignored.
    // On error, the changes before the faulty one stay applied.
    util::Result<void> apply_changes(std::span<const std::uint8_t> bytes);
    util::Result<void> merge(Document& other);
    // A copy with a new random actor (or the given one).
    Document fork();
    Document fork(const ActorId& actor);
    // Changes still waiting for dependencies.
    std::size_t queued_changes() const;

    // Whole-document snapshot, and the changes since the previous save or save_incremental.
    Bytes save();
    static util::Result<Document> load(std::span<const std::uint8_t> bytes);
    Bytes save_incremental();
    util::Result<void> load_incremental(std::span<const std::uint8_t> bytes);

    // Every visible value, nested, in a fixed textual form: equal documents give equal dumps.
    std::string canonical_dump() const;

private:
    explicit Document(std::unique_ptr<DocState> state);
    std::unique_ptr<DocState> m_state;
};

// The smallest single splice (common prefix and suffix, counted in scalar values) that turns the
// text of `text` into `new_text`; nothing is written when they are equal.
util::Result<void> splice_text_diffed(Document& doc, const ObjId& text, std::string_view new_text);

} // namespace crdt
