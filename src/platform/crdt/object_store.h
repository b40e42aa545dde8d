#pragma once
// The current state of every object: maps of multi-value registers, lists and texts.
//
// Values are not copied out of the change log: a register entry names the operation that
// wrote it, so the state stays small and a string is stored once.

#include <cstdint>
#include <deque>
#include <map>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>
#include <variant>
#include <vector>

#include "platform/crdt/change_log.h"
#include "platform/crdt/object_index.h"
#include "platform/crdt/sequence.h"
#include "platform/crdt/value.h"
#include "platform/util/result.h"

namespace crdt {

struct Entry {
    OpId id;
    std::uint32_t op = 0;         // index in the change log's operations
    std::int64_t increments = 0; // counters: the sum of applied increments
};

// The values of one map key or list element, ascending by op id: the winner is last.
using Slot = std::vector<Entry>;

struct MapObject {
    std::map<std::string, Slot, std::less<>> keys;
};
using ListObject = Sequence<Slot>;
using TextObject = Sequence<char32_t>;

struct Object {
    ObjType type = ObjType::Map;
    bool alive = true; // false once the transaction that created it was rolled back
    std::variant<MapObject, ListObject, TextObject> data;

    MapObject* map() { return std::get_if<MapObject>(&data); }
    ListObject* list() { return std::get_if<ListObject>(&data); }
    TextObject* text() { return std::get_if<TextObject>(&data); }
    const MapObject* map() const { return std::get_if<MapObject>(&data); }
    const ListObject* list() const { return std::get_if<ListObject>(&data); }
    const TextObject* text() const { return std::get_if<TextObject>(&data); }
};

// A piece of a text deletion: `count` elements with consecutive ids from `first`.
struct DeletedRun {
    OpId first;
    std::uint32_t count = 0;
};

class ObjectStore {
public:
    ObjectStore();
    // Copies and moves drop the lookup cache, which points into the source's storage.
    ObjectStore(const ObjectStore& other) : m_objects(other.m_objects), m_index(other.m_index) { }
    ObjectStore(ObjectStore&& other) noexcept : m_objects(std::move(other.m_objects)), m_index(std::move(other.m_index))
    {
        other.m_cached = nullptr;
    }
    ObjectStore& operator=(const ObjectStore& other)
    {
        m_objects = other.m_objects;
        m_index = other.m_index;
        m_cached = nullptr;
        return *this;
    }
    ObjectStore& operator=(ObjectStore&& other) noexcept
    {
        m_objects = std::move(other.m_objects);
        m_index = std::move(other.m_index);
        m_cached = nullptr;
        other.m_cached = nullptr;
        return *this;
    }

    Object* find(OpId id);
    const Object* find(OpId id) const;

    // Applies operation `op_index` of the log, whose id is `id`. Checks what the operation
    // refers to first: on error nothing has changed.
    util::Result<void> apply(ChangeLog& log, std::uint32_t op_index, OpId id);

    // Local edits by position; the returned reference goes into the operation's `elem`.
    OpId insert_list_local(ListObject& list, std::size_t pos, OpId id, std::uint32_t op_index);
    OpId insert_text_local(TextObject& text, std::size_t pos, OpId id, std::u32string_view chars);
    std::vector<DeletedRun> delete_text_local(TextObject& text, std::size_t pos, std::size_t count);
    // Registers the object an operation created (again, if a rollback had removed it).
    void create(OpId id, ObjType type);
    // Forgets an object whose creation was rolled back.
    void remove(OpId id);

    Value value_of(const ChangeLog& log, const Entry& entry) const;

    // Back to a document holding only an empty root map.
    void clear();

private:
    util::Result<void> check(const Op& op);
    void apply_to_slot(ChangeLog& log, Slot& slot, const Op& op, std::uint32_t op_index, OpId id);

    std::deque<Object> m_objects;
    std::u32string m_chars; // scratch for decoding inserted text
    ObjectIndex m_index;
    mutable OpId m_cached_id;
    mutable const Object* m_cached = nullptr;
};

// Lamport-ordered insertion of an entry into a slot.
void insert_sorted(Slot& slot, const Entry& entry, const ActorTable& actors);

} // namespace crdt
