#pragma once
// Run-length encoded integer columns, the unit of the saved-document format.
//
// A column is a series of groups, each opened by a signed LEB128 count: n > 0 is a run of n
// copies of the one value that follows; n < 0 is followed by -n distinct values. Values are
// zig-zag LEB128.

#include <cstdint>
#include <span>
#include <vector>

#include "platform/crdt/bytes.h"

namespace crdt {

class ColumnWriter {
public:
    void push(std::int64_t v)
    {
        if (m_count > 0 && v == m_value) {
            ++m_count;
            return;
        }
        close_value();
        m_value = v;
        m_count = 1;
    }
    // The column's bytes, prefixed by their length.
    void write_to(ByteWriter& w)
    {
        close_value();
        flush_literals();
        w.bytes(m_out.out());
    }

private:
    void close_value()
    {
        if (m_count == 0)
            return;
        if (m_count == 1) {
            m_literals.push_back(m_value);
        } else {
            flush_literals();
            m_out.sleb(static_cast<std::int64_t>(m_count));
            m_out.sleb(m_value);
        }
        m_count = 0;
    }
    void flush_literals()
    {
        if (m_literals.empty())
            return;
        m_out.sleb(-static_cast<std::int64_t>(m_literals.size()));
        for (auto v : m_literals)
            m_out.sleb(v);
        m_literals.clear();
    }

    ByteWriter m_out;
    std::vector<std::int64_t> m_literals;
    std::int64_t m_value = 0;
    std::uint64_t m_count = 0;
};

// Reads a column written by ColumnWriter; reading past its end or a malformed group clears `ok()`.
class ColumnReader {
public:
    ColumnReader() : m_in(std::span<const std::uint8_t>{}) { }
    explicit ColumnReader(std::span<const std::uint8_t> bytes) : m_in(bytes) { }

    std::int64_t next()
    {
        if (m_run > 0) {
            --m_run;
            return m_value;
        }
        if (m_literals == 0) {
            if (m_in.at_end())
                return fail();
            std::int64_t n = m_in.sleb();
            if (!m_in.ok() || n == 0 || n == INT64_MIN)
                return fail();
            if (n > 0) {
                m_value = m_in.sleb();
                m_run = static_cast<std::uint64_t>(n) - 1;
                return m_in.ok() ? m_value : fail();
            }
            m_literals = static_cast<std::uint64_t>(-n);
        }
        --m_literals;
        std::int64_t v = m_in.sleb();
        return m_in.ok() ? v : fail();
    }
    std::uint64_t next_u() { return static_cast<std::uint64_t>(next()); }
    bool ok() const { return m_ok && m_in.ok(); }
    // True when every value has been read.
    bool done() const { return m_run == 0 && m_literals == 0 && m_in.at_end(); }

private:
    std::int64_t fail()
    {
        m_ok = false;
        m_run = 0;
        m_literals = 0;
        return 0;
    }

    ByteReader m_in;
    std::int64_t m_value = 0;
    std::uint64_t m_run = 0;
    std::uint64_t m_literals = 0;
    bool m_ok = true;
};

} // namespace crdt
