#pragma once
// The ordered elements of a list or text: a replicated growable array (RGA).
//
// Every element is named by the id of the operation that inserted it and stays in place when
// deleted (a tombstone), so later operations can still refer to it. A new element goes right
// after its reference element, past any elements with greater ids; runs typed by one replica
// therefore never interleave with runs typed concurrently elsewhere.
//
// Storage: elements with consecutive ids of one actor and one deleted flag form a run; runs
// live in chunks of bounded size, each knowing its visible length. A cursor remembers the last
// chunk touched, so the local edits of a typing user and the references of a replayed change
// are found without scanning.

#include <algorithm>
#include <cstdint>
#include <optional>
#include <span>
#include <utility>
#include <vector>

#include "platform/crdt/actor_table.h"
#include "platform/crdt/ids.h"

namespace crdt {

struct SeqRun {
    OpId id; // of the first element; the others follow with counters +1, +2, ...
    std::uint32_t len = 0;
    bool deleted = false;
};

// Where an element sits: the chunk, its offset among the chunk's elements, and the number of
// visible elements before the chunk.
struct SeqLoc {
    std::size_t chunk = 0;
    std::uint32_t offset = 0;
    std::size_t visible_before = 0;
};

template <typename Item>
class Sequence {
public:
    struct Chunk {
        std::vector<SeqRun> runs;
        std::vector<Item> items;
        std::uint32_t visible = 0;
        std::uint64_t min_counter = UINT64_MAX;
        std::uint64_t max_counter = 0;
    };

    Sequence() { m_chunks.emplace_back(); }

    std::size_t length() const { return m_length; }
    std::size_t total() const { return m_total; }

    // The `pos`-th visible element; pos < length().
    SeqLoc locate(std::size_t pos)
    {
        seek_visible(pos);
        SeqLoc loc{m_cursor, 0, m_cursor_visible};
        const Chunk& c = m_chunks[m_cursor];
        std::size_t left = pos - m_cursor_visible;
        std::uint32_t offset = 0;
        for (const SeqRun& r : c.runs) {
            if (!r.deleted) {
                if (left < r.len) {
                    loc.offset = offset + static_cast<std::uint32_t>(left);
                    return loc;
                }
                left -= r.len;
            }
            offset += r.len;
        }
        return loc; // unreachable while pos < length()
    }

    std::optional<SeqLoc> find(OpId id)
    {
        std::size_t n = m_chunks.size();
        std::size_t at = std::min(m_cursor, n - 1);
        std::size_t vis_at = m_cursor_visible;
        // Search outwards from the cursor: references are nearly always close to the last edit.
        std::size_t lo = at, hi = at;
        std::size_t vis_lo = vis_at, vis_hi = vis_at;
        if (auto off = find_in(m_chunks[at], id))
            return remember(SeqLoc{at, *off, vis_at});
        while (lo > 0 || hi + 1 < n) {
            if (hi + 1 < n) {
                vis_hi += m_chunks[hi].visible;
                ++hi;
                if (auto off = find_in(m_chunks[hi], id))
                    return remember(SeqLoc{hi, *off, vis_hi});
            }
            if (lo > 0) {
                --lo;
                vis_lo -= m_chunks[lo].visible;
                if (auto off = find_in(m_chunks[lo], id))
                    return remember(SeqLoc{lo, *off, vis_lo});
            }
        }
        return std::nullopt;
    }

    bool contains(OpId id) { return find(id).has_value(); }

    OpId id_at(const SeqLoc& loc) const
    {
        auto [ri, off] = run_at(m_chunks[loc.chunk], loc.offset);
        const SeqRun& r = m_chunks[loc.chunk].runs[ri];
        return OpId{r.id.counter + off, r.id.actor};
    }
    bool deleted_at(const SeqLoc& loc) const
    {
        return m_chunks[loc.chunk].runs[run_at(m_chunks[loc.chunk], loc.offset).first].deleted;
    }
    Item& item(const SeqLoc& loc) { return m_chunks[loc.chunk].items[loc.offset]; }
    const Item& item(const SeqLoc& loc) const { return m_chunks[loc.chunk].items[loc.offset]; }
    // Visible position of an element.
    std::size_t position(const SeqLoc& loc) const
    {
        std::size_t pos = loc.visible_before;
        const Chunk& c = m_chunks[loc.chunk];
        std::uint32_t offset = 0;
        for (const SeqRun& r : c.runs) {
            if (offset + r.len > loc.offset) {
                if (!r.deleted)
                    pos += loc.offset - offset;
                break;
            }
            if (!r.deleted)
                pos += r.len;
            offset += r.len;
        }
        return pos;
    }

    // Inserts elements with ids first, first+1, ... at visible position `pos` (<= length()) by a
    // local writer, whose ids exceed every id present. Returns the reference element (head
    // when inserting at the front).
    OpId insert_local(std::size_t pos, OpId first, std::span<const Item> items)
    {
        if (pos == 0) {
            insert_at(SeqLoc{0, 0, 0}, first, items);
            return OpId{};
        }
        SeqLoc ref = locate(pos - 1);
        OpId ref_id = id_at(ref);
        ++ref.offset;
        insert_at(ref, first, items);
        return ref_id;
    }

    // Inserts after `ref` (head when its counter is 0) in RGA order. False when `ref` is unknown.
    bool insert_after(OpId ref, OpId first, std::span<const Item> items, const ActorTable& actors)
    {
        SeqLoc loc{0, 0, 0};
        if (!ref.is_head()) {
            auto found = find(ref);
            if (!found)
                return false;
            loc = *found;
            ++loc.offset;
        }
        // Skip the elements with greater ids: they, and everything inserted after them, come first.
        while (true) {
            Chunk& c = m_chunks[loc.chunk];
            if (loc.offset >= c.items.size()) {
                if (loc.chunk + 1 >= m_chunks.size())
                    break;
                loc.visible_before += c.visible;
                ++loc.chunk;
                loc.offset = 0;
                continue;
            }
            auto [ri, off] = run_at(c, loc.offset);
            const SeqRun& r = c.runs[ri];
            if (!actors.greater(OpId{r.id.counter + off, r.id.actor}, first))
                break;
            loc.offset += r.len - off;
        }
        if (loc.offset == 0 && loc.chunk > 0) {
            --loc.chunk;
            loc.visible_before -= m_chunks[loc.chunk].visible;
            loc.offset = static_cast<std::uint32_t>(m_chunks[loc.chunk].items.size());
        }
        insert_at(loc, first, items);
        return true;
    }

    // Sets the deleted flag of up to `count` elements from `loc` within its run; returns how many
    // elements were covered (the rest of the run at most).
    std::uint32_t mark(const SeqLoc& loc, std::uint32_t count, bool deleted)
    {
        Chunk& c = m_chunks[loc.chunk];
        auto [ri, off] = run_at(c, loc.offset);
        std::uint32_t n = std::min(count, c.runs[ri].len - off);
        remember(SeqLoc{loc.chunk, loc.offset, loc.visible_before});
        if (c.runs[ri].deleted == deleted)
            return n;
        if (off > 0) {
            split_run(c, ri, off);
            ++ri;
        }
        if (n < c.runs[ri].len)
            split_run(c, ri, n);
        c.runs[ri].deleted = deleted;
        if (deleted) {
            c.visible -= n;
            m_length -= n;
        } else {
            c.visible += n;
            m_length += n;
        }
        if (ri + 1 < c.runs.size())
            try_merge(c, ri);
        if (ri > 0)
            try_merge(c, ri - 1);
        return n;
    }

    // Removes the elements with ids first .. first + count - 1 altogether, as if never inserted
    // (an abandoned local insertion). False when one of them is missing.
    bool erase(OpId first, std::uint32_t count)
    {
        std::uint64_t c = first.counter;
        std::uint64_t end = first.counter + count;
        while (c < end) {
            auto loc = find(OpId{c, first.actor});
            if (!loc)
                return false;
            Chunk& ch = m_chunks[loc->chunk];
            auto [ri, off] = run_at(ch, loc->offset);
            auto n = static_cast<std::uint32_t>(std::min<std::uint64_t>(end - c, ch.runs[ri].len - off));
            bool deleted = ch.runs[ri].deleted;
            if (off > 0) {
                split_run(ch, ri, off);
                ++ri;
            }
            if (n < ch.runs[ri].len)
                split_run(ch, ri, n);
            ch.runs.erase(ch.runs.begin() + static_cast<std::ptrdiff_t>(ri));
            ch.items.erase(ch.items.begin() + loc->offset, ch.items.begin() + loc->offset + n);
            if (!deleted) {
                ch.visible -= n;
                m_length -= n;
            }
            m_total -= n;
            if (ri > 0 && ri < ch.runs.size())
                try_merge(ch, ri - 1);
            c += n;
        }
        return true;
    }

    // Visits the visible elements in order: f(OpId, Item&).
    template <typename F>
    void for_each_visible(F&& f) const
    {
        for (const Chunk& c : m_chunks) {
            std::uint32_t offset = 0;
            for (const SeqRun& r : c.runs) {
                if (!r.deleted)
                    for (std::uint32_t i = 0; i < r.len; ++i)
                        f(OpId{r.id.counter + i, r.id.actor}, c.items[offset + i]);
                offset += r.len;
            }
        }
    }

    const std::vector<Chunk>& chunks() const { return m_chunks; }

private:
    static constexpr std::size_t max_runs = 64;
    static constexpr std::size_t max_items = 512;

    SeqLoc remember(const SeqLoc& loc)
    {
        m_cursor = loc.chunk;
        m_cursor_visible = loc.visible_before;
        return loc;
    }

    void seek_visible(std::size_t pos)
    {
        if (m_cursor >= m_chunks.size()) {
            m_cursor = 0;
            m_cursor_visible = 0;
        }
        while (pos < m_cursor_visible) {
            --m_cursor;
            m_cursor_visible -= m_chunks[m_cursor].visible;
        }
        while (pos >= m_cursor_visible + m_chunks[m_cursor].visible && m_cursor + 1 < m_chunks.size()) {
            m_cursor_visible += m_chunks[m_cursor].visible;
            ++m_cursor;
        }
    }

    static std::optional<std::uint32_t> find_in(const Chunk& c, OpId id)
    {
        if (id.counter < c.min_counter || id.counter > c.max_counter)
            return std::nullopt;
        std::uint32_t offset = 0;
        for (const SeqRun& r : c.runs) {
            if (r.id.actor == id.actor && id.counter >= r.id.counter && id.counter < r.id.counter + r.len)
                return offset + static_cast<std::uint32_t>(id.counter - r.id.counter);
            offset += r.len;
        }
        return std::nullopt;
    }

    // The run holding element `offset` of a chunk and the offset inside that run.
    static std::pair<std::size_t, std::uint32_t> run_at(const Chunk& c, std::uint32_t offset)
    {
        for (std::size_t i = 0; i < c.runs.size(); ++i) {
            if (offset < c.runs[i].len)
                return {i, offset};
            offset -= c.runs[i].len;
        }
        return {c.runs.size(), 0};
    }

    static void split_run(Chunk& c, std::size_t ri, std::uint32_t at)
    {
        SeqRun tail = c.runs[ri];
        tail.id.counter += at;
        tail.len -= at;
        c.runs[ri].len = at;
        c.runs.insert(c.runs.begin() + static_cast<std::ptrdiff_t>(ri) + 1, tail);
    }

    static bool can_join(const SeqRun& a, const SeqRun& b)
    {
        return a.deleted == b.deleted && a.id.actor == b.id.actor && a.id.counter + a.len == b.id.counter;
    }

    static void try_merge(Chunk& c, std::size_t ri)
    {
        if (can_join(c.runs[ri], c.runs[ri + 1])) {
            c.runs[ri].len += c.runs[ri + 1].len;
            c.runs.erase(c.runs.begin() + static_cast<std::ptrdiff_t>(ri) + 1);
        }
    }

    // Inserts before element `loc.offset` of chunk `loc.chunk` (at its end when offset == size).
    void insert_at(const SeqLoc& loc, OpId first, std::span<const Item> items)
    {
        Chunk& c = m_chunks[loc.chunk];
        auto n = static_cast<std::uint32_t>(items.size());
        SeqRun run{first, n, false};
        auto [ri, off] = run_at(c, loc.offset);
        if (off > 0) {
            split_run(c, ri, off);
            ++ri;
        }
        if (ri > 0 && can_join(c.runs[ri - 1], run)) {
            c.runs[ri - 1].len += n;
        } else {
            c.runs.insert(c.runs.begin() + static_cast<std::ptrdiff_t>(ri), run);
        }
        c.items.insert(c.items.begin() + loc.offset, items.begin(), items.end());
        c.visible += n;
        c.min_counter = std::min(c.min_counter, first.counter);
        c.max_counter = std::max(c.max_counter, first.counter + n - 1);
        m_length += n;
        m_total += n;
        remember(loc);
        if (c.runs.size() > max_runs || c.items.size() > max_items)
            split_chunk(loc.chunk);
    }

    static void refresh_bounds(Chunk& c)
    {
        c.min_counter = UINT64_MAX;
        c.max_counter = 0;
        c.visible = 0;
        for (const SeqRun& r : c.runs) {
            c.min_counter = std::min(c.min_counter, r.id.counter);
            c.max_counter = std::max(c.max_counter, r.id.counter + r.len - 1);
            if (!r.deleted)
                c.visible += r.len;
        }
    }

    void split_chunk(std::size_t index)
    {
        Chunk& c = m_chunks[index];
        std::uint32_t half = static_cast<std::uint32_t>(c.items.size() / 2);
        auto [ri, off] = run_at(c, half);
        if (c.runs.size() > max_runs) {
            ri = c.runs.size() / 2;
            off = 0;
            half = 0;
            for (std::size_t i = 0; i < ri; ++i)
                half += c.runs[i].len;
        }
        if (off > 0) {
            split_run(c, ri, off);
            ++ri;
        }
        Chunk tail;
        tail.runs.assign(c.runs.begin() + static_cast<std::ptrdiff_t>(ri), c.runs.end());
        tail.items.assign(c.items.begin() + half, c.items.end());
        c.runs.resize(ri);
        c.items.resize(half);
        refresh_bounds(c);
        refresh_bounds(tail);
        m_chunks.insert(m_chunks.begin() + static_cast<std::ptrdiff_t>(index) + 1, std::move(tail));
        // The cursor stays on `index`, whose visible_before is unchanged.
    }

    std::vector<Chunk> m_chunks;
    std::size_t m_length = 0;
    std::size_t m_total = 0;
    std::size_t m_cursor = 0;
    std::size_t m_cursor_visible = 0;
};

} // namespace crdt
