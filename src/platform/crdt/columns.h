#pragma once
// Run-length encoded integer columns, the unit of the saved-document format.

#include <cstdint>
#include <span>
#include <vector>

#include "platform/crdt/bytes.h"

namespace crdt {

// Collects signed integers and writes them as (run length, zig-zag value) pairs.
class ColumnWriter {
public:
    void push(std::int64_t v)
    {
        if (m_run > 0 && v == m_value) {
            ++m_run;
            return;
        }
        flush();
        m_value = v;
        m_run = 1;
    }
    // The column's bytes, prefixed by their length.
    void write_to(ByteWriter& w)
    {
        flush();
        w.bytes(m_out.out());
    }

private:
    void flush()
    {
        if (m_run == 0)
            return;
        m_out.uleb(m_run);
        m_out.sleb(m_value);
        m_run = 0;
    }
    ByteWriter m_out;
    std::int64_t m_value = 0;
    std::uint64_t m_run = 0;
};

// Reads a column written by ColumnWriter; reading past its end or malformed runs clear `ok()`.
class ColumnReader {
public:
    ColumnReader() : m_in(std::span<const std::uint8_t>{}) { }
    explicit ColumnReader(std::span<const std::uint8_t> bytes) : m_in(bytes) { }

    std::int64_t next()
    {
        if (m_run == 0) {
            if (m_in.at_end()) {
                m_ok = false;
                return 0;
            }
            m_run = m_in.uleb();
            m_value = m_in.sleb();
            if (!m_in.ok() || m_run == 0) {
                m_ok = false;
                m_run = 0;
                return 0;
            }
        }
        --m_run;
        return m_value;
    }
    std::uint64_t next_u() { return static_cast<std::uint64_t>(next()); }
    bool ok() const { return m_ok && m_in.ok(); }
    // True when every value has been read.
    bool done() const { return m_run == 0 && m_in.at_end(); }

private:
    ByteReader m_in;
    std::int64_t m_value = 0;
    std::uint64_t m_run = 0;
    bool m_ok = true;
};

} // namespace crdt
