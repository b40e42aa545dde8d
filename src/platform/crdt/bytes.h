#pragma once
// Little building blocks of the binary formats: LEB128 integers, raw bytes, UTF-8.

#include <cstdint>
#include <cstring>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace crdt {

using Bytes = std::vector<std::uint8_t>;

class ByteWriter {
public:
    void u8(std::uint8_t v) { m_out.push_back(v); }
    void uleb(std::uint64_t v)
    {
        while (v >= 0x80) {
            m_out.push_back(static_cast<std::uint8_t>(v | 0x80));
            v >>= 7;
        }
        m_out.push_back(static_cast<std::uint8_t>(v));
    }
    void sleb(std::int64_t v) { uleb((static_cast<std::uint64_t>(v) << 1) ^ static_cast<std::uint64_t>(v >> 63)); }
    void f64(double d)
    {
        std::uint64_t bits;
        std::memcpy(&bits, &d, 8);
        for (int i = 0; i < 8; ++i)
            m_out.push_back(static_cast<std::uint8_t>(bits >> (8 * i)));
    }
    void raw(std::span<const std::uint8_t> bytes) { m_out.insert(m_out.end(), bytes.begin(), bytes.end()); }
    void raw(std::string_view s) { raw(std::span(reinterpret_cast<const std::uint8_t*>(s.data()), s.size())); }
    void str(std::string_view s)
    {
        uleb(s.size());
        raw(s);
    }
    void bytes(std::span<const std::uint8_t> b)
    {
        uleb(b.size());
        raw(b);
    }

    std::vector<std::uint8_t>& out() { return m_out; }
    std::vector<std::uint8_t> take() { return std::move(m_out); }
    std::size_t size() const { return m_out.size(); }

private:
    std::vector<std::uint8_t> m_out;
};

// Reads from untrusted bytes: every read checks the bounds and a failed read leaves `ok()` false
// for good, so a decoder may read on and check once.
class ByteReader {
public:
    explicit ByteReader(std::span<const std::uint8_t> bytes) : m_bytes(bytes) { }

    bool ok() const { return m_ok; }
    bool at_end() const { return m_pos == m_bytes.size(); }
    std::size_t remaining() const { return m_bytes.size() - m_pos; }
    std::size_t position() const { return m_pos; }

    std::uint8_t u8()
    {
        if (m_pos >= m_bytes.size())
            return fail();
        return m_bytes[m_pos++];
    }
    std::uint64_t uleb()
    {
        std::uint64_t v = 0;
        for (int shift = 0; shift < 64; shift += 7) {
            if (m_pos >= m_bytes.size())
                return fail();
            std::uint8_t b = m_bytes[m_pos++];
            if (shift == 63 && b > 1)
                return fail();
            v |= static_cast<std::uint64_t>(b & 0x7f) << shift;
            if (!(b & 0x80))
                return v;
        }
        return fail();
    }
    std::int64_t sleb()
    {
        std::uint64_t u = uleb();
        return static_cast<std::int64_t>((u >> 1) ^ (~(u & 1) + 1));
    }
    double f64()
    {
        auto b = raw(8);
        if (b.empty())
            return 0;
        std::uint64_t bits = 0;
        for (int i = 0; i < 8; ++i)
            bits |= static_cast<std::uint64_t>(b[i]) << (8 * i);
        double d;
        std::memcpy(&d, &bits, 8);
        return d;
    }
    std::span<const std::uint8_t> raw(std::size_t n)
    {
        if (n > remaining()) {
            fail();
            return {};
        }
        auto s = m_bytes.subspan(m_pos, n);
        m_pos += n;
        return s;
    }
    std::string_view str()
    {
        auto n = uleb();
        auto b = raw(n);
        return {reinterpret_cast<const char*>(b.data()), b.size()};
    }
    // A count of items that each take at least `min_bytes`: failing early stops hostile counts
    // from reserving memory they cannot fill.
    std::uint64_t count(std::size_t min_bytes = 1)
    {
        auto n = uleb();
        if (min_bytes && n > remaining() / min_bytes)
            return fail();
        return n;
    }
    std::uint8_t fail()
    {
        m_ok = false;
        m_pos = m_bytes.size();
        return 0;
    }

private:
    std::span<const std::uint8_t> m_bytes;
    std::size_t m_pos = 0;
    bool m_ok = true;
};

// Decodes UTF-8 into scalar values; nothing when the bytes are not valid UTF-8 (overlong forms,
// surrogates and values above U+10FFFF are invalid).
std::optional<std::u32string> decode_utf8(std::string_view text);
void append_utf8(std::string& out, char32_t c);
std::string encode_utf8(std::u32string_view text);

} // namespace crdt
