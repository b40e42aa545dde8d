#include "platform/crdt/lz.h"

#include <cstring>

#include "platform/crdt/bytes.h"

namespace crdt {

namespace {

constexpr int hash_bits = 16;
constexpr std::size_t min_match = 4;
constexpr std::size_t max_distance = std::size_t{1} << 22;

std::uint32_t read32(const std::uint8_t* p)
{
    std::uint32_t v;
    std::memcpy(&v, p, 4);
    return v;
}

std::uint32_t hash(std::uint32_t v)
{
    return (v * 2654435761u) >> (32 - hash_bits);
}

} // namespace

std::vector<std::uint8_t> lz_compress(std::span<const std::uint8_t> input)
{
    ByteWriter w;
    std::vector<std::uint32_t> table(std::size_t{1} << hash_bits, UINT32_MAX);
    const std::uint8_t* data = input.data();
    std::size_t n = input.size();
    std::size_t literal_start = 0;
    std::size_t i = 0;
    while (i + min_match <= n) {
        std::uint32_t v = read32(data + i);
        std::uint32_t h = hash(v);
        std::uint32_t candidate = table[h];
        table[h] = static_cast<std::uint32_t>(i);
        if (candidate != UINT32_MAX && i - candidate <= max_distance && read32(data + candidate) == v) {
            std::size_t len = min_match;
            while (i + len < n && data[candidate + len] == data[i + len])
                ++len;
            w.uleb(i - literal_start);
            w.raw(input.subspan(literal_start, i - literal_start));
            w.uleb(len);
            w.uleb(i - candidate);
            // Index a few positions inside the match so later repeats find it.
            for (std::size_t k = i + 1; k < i + len && k + min_match <= n; k += 3)
                table[hash(read32(data + k))] = static_cast<std::uint32_t>(k);
            i += len;
            literal_start = i;
        } else {
            ++i;
        }
    }
    w.uleb(n - literal_start);
    w.raw(input.subspan(literal_start));
    w.uleb(0);
    return w.take();
}

util::Result<std::vector<std::uint8_t>> lz_decompress(std::span<const std::uint8_t> packed, std::uint64_t size)
{
    // A match token takes at least 3 bytes and yields at most what was produced so far doubled;
    // claims beyond this are refused before anything is reserved.
    if (size > packed.size() * 4096 + 4096)
        return util::fail("compressed body is malformed");
    std::vector<std::uint8_t> out;
    out.reserve(size);
    ByteReader r(packed);
    while (true) {
        auto literals = r.uleb();
        auto bytes = r.raw(literals);
        if (!r.ok() || literals > size - out.size())
            return util::fail("compressed body is malformed");
        out.insert(out.end(), bytes.begin(), bytes.end());
        auto len = r.uleb();
        if (!r.ok())
            return util::fail("compressed body is malformed");
        if (len == 0)
            break;
        auto distance = r.uleb();
        if (!r.ok() || distance == 0 || distance > out.size() || len > size - out.size())
            return util::fail("compressed body is malformed");
        std::size_t from = out.size() - distance;
        for (std::uint64_t k = 0; k < len; ++k)
            out.push_back(out[from + k]);
    }
    if (out.size() != size || !r.at_end())
        return util::fail("compressed body has a wrong length");
    return out;
}

} // namespace crdt
