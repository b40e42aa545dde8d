#include "platform/crdt/compress.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <vector>

namespace crdt {

namespace {

// Probabilities are 12-bit (of a one bit); models adapt by a fixed fraction of the error.
constexpr int prob_bits = 12;
constexpr int prob_one = 1 << prob_bits;
constexpr int max_order2_bits = 12;

// Small inputs get small tables: the model is rebuilt for every body, and both sides derive the
// size from the body length.
int order2_bits_for(std::uint64_t size)
{
    int bits = 6;
    while (bits < max_order2_bits && (std::uint64_t{1} << (bits + 5)) < size)
        ++bits;
    return bits;
}

struct Tables {
    std::array<std::int16_t, prob_one> stretch{};
    std::array<std::int16_t, 4096> squash{}; // indexed by stretch value + 2048

    Tables()
    {
        for (int i = 0; i < 4096; ++i) {
            double x = (i - 2048) / 256.0;
            int v = static_cast<int>(prob_one / (1.0 + std::exp(-x)));
            squash[static_cast<std::size_t>(i)] = static_cast<std::int16_t>(std::clamp(v, 1, prob_one - 1));
        }
        for (int p = 0; p < prob_one; ++p) {
            double q = std::clamp(p, 1, prob_one - 1) / double(prob_one);
            int v = static_cast<int>(std::lround(std::log(q / (1 - q)) * 256.0));
            stretch[static_cast<std::size_t>(p)] = static_cast<std::int16_t>(std::clamp(v, -2047, 2047));
        }
    }
};

const Tables& tables()
{
    static const Tables t;
    return t;
}

// Three context models (order 0, 1 and 2 bytes) mixed by weights that learn online, selected by
// the order-0 context.
class Model {
public:
    explicit Model(std::uint64_t size) : m_t(tables()), m_order2_bits(order2_bits_for(size))
    {
        m_o0.fill(prob_one / 2 << 4);
        m_o1.assign(1 << 16, prob_one / 2 << 4);
        m_o2.assign(std::size_t{1} << (m_order2_bits + 8), prob_one / 2 << 4);
        for (auto& w : m_weights)
            w = {22000, 22000, 22000, 0};
    }

    int predict()
    {
        m_i0 = m_c0;
        m_i1 = (m_c1 << 8) | m_c0;
        m_i2 = (m_h2 << 8) | m_c0;
        m_st[0] = m_t.stretch[m_o0[m_i0] >> 4];
        m_st[1] = m_t.stretch[m_o1[m_i1] >> 4];
        m_st[2] = m_t.stretch[m_o2[m_i2] >> 4];
        m_st[3] = 256;
        const auto& w = m_weights[m_c0];
        std::int64_t dot = 0;
        for (int k = 0; k < 4; ++k)
            dot += static_cast<std::int64_t>(w[k]) * m_st[k];
        int s = static_cast<int>(std::clamp<std::int64_t>(dot >> 16, -2047, 2047));
        m_p = m_t.squash[static_cast<std::size_t>(s + 2048)];
        return m_p;
    }

    void update(int bit)
    {
        int err = ((bit << prob_bits) - m_p) * 6;
        auto& w = m_weights[m_c0];
        for (int k = 0; k < 4; ++k)
            w[k] += (m_st[k] * err) >> 10;
        auto adapt = [bit](std::uint16_t& p, int rate) {
            int target = bit ? (prob_one << 4) - 1 : 0;
            p = static_cast<std::uint16_t>(p + ((target - p) >> rate));
        };
        adapt(m_o0[m_i0], 5);
        adapt(m_o1[m_i1], 4);
        adapt(m_o2[m_i2], 4);
        m_c0 = (m_c0 << 1) | static_cast<std::uint32_t>(bit);
        if (m_c0 >= 256) {
            std::uint32_t byte = m_c0 & 0xff;
            m_c2 = m_c1;
            m_c1 = byte;
            m_h2 = ((m_c2 << 8 | m_c1) * 0x9E3779B1u) >> (32 - m_order2_bits);
            m_c0 = 1;
        }
    }

private:
    const Tables& m_t;
    int m_order2_bits;
    std::array<std::uint16_t, 256> m_o0{};
    std::vector<std::uint16_t> m_o1;
    std::vector<std::uint16_t> m_o2;
    std::array<std::array<std::int32_t, 4>, 256> m_weights{};
    std::array<int, 4> m_st{};
    std::uint32_t m_c0 = 1, m_c1 = 0, m_c2 = 0, m_h2 = 0;
    std::uint32_t m_i0 = 0, m_i1 = 0, m_i2 = 0;
    int m_p = prob_one / 2;
};

} // namespace

std::vector<std::uint8_t> compress(std::span<const std::uint8_t> input)
{
    Model model(input.size());
    std::vector<std::uint8_t> out;
    out.reserve(input.size() / 2 + 16);
    std::uint32_t x1 = 0, x2 = 0xffffffff;
    for (std::uint8_t byte : input) {
        for (int i = 7; i >= 0; --i) {
            int bit = (byte >> i) & 1;
            auto p = static_cast<std::uint32_t>(model.predict());
            std::uint32_t mid = x1 + static_cast<std::uint32_t>((static_cast<std::uint64_t>(x2 - x1) * p) >> prob_bits);
            if (bit)
                x2 = mid;
            else
                x1 = mid + 1;
            model.update(bit);
            while ((x1 ^ x2) < (1u << 24)) {
                out.push_back(static_cast<std::uint8_t>(x2 >> 24));
                x1 <<= 8;
                x2 = (x2 << 8) | 0xff;
            }
        }
    }
    for (int i = 0; i < 4; ++i) {
        out.push_back(static_cast<std::uint8_t>(x1 >> 24));
        x1 <<= 8;
    }
    return out;
}

util::Result<std::vector<std::uint8_t>> decompress(std::span<const std::uint8_t> packed, std::uint64_t size)
{
    // Each output bit consumes at least a little input; a body claiming far more than the packed
    // bytes could encode is rejected before anything is reserved.
    if (size > packed.size() * 1024 + 1024)
        return util::fail("compressed body is malformed");
    Model model(size);
    std::vector<std::uint8_t> out;
    out.reserve(size);
    std::size_t pos = 0;
    auto next = [&]() -> std::uint32_t { return pos < packed.size() ? packed[pos++] : 0; };
    std::uint32_t x1 = 0, x2 = 0xffffffff, x = 0;
    for (int i = 0; i < 4; ++i)
        x = (x << 8) | next();
    for (std::uint64_t n = 0; n < size; ++n) {
        std::uint32_t byte = 0;
        for (int i = 0; i < 8; ++i) {
            auto p = static_cast<std::uint32_t>(model.predict());
            std::uint32_t mid = x1 + static_cast<std::uint32_t>((static_cast<std::uint64_t>(x2 - x1) * p) >> prob_bits);
            int bit = x <= mid;
            if (bit)
                x2 = mid;
            else
                x1 = mid + 1;
            model.update(bit);
            byte = (byte << 1) | static_cast<std::uint32_t>(bit);
            while ((x1 ^ x2) < (1u << 24)) {
                x1 <<= 8;
                x2 = (x2 << 8) | 0xff;
                x = (x << 8) | next();
            }
        }
        out.push_back(static_cast<std::uint8_t>(byte));
    }
    if (pos + 4 < packed.size())
        return util::fail("compressed body has trailing bytes");
    return out;
}

} // namespace crdt
