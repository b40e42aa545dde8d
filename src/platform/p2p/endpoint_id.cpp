#include "platform/p2p/endpoint_id.h"

#include "platform/util/hex.h"

#include <algorithm>

namespace p2p {

util::Result<EndpointId> EndpointId::parse(std::string_view text)
{
    if (text.size() != 2 * size)
        return util::fail("endpoint id must be {} hexadecimal digits, not {} characters", 2 * size,
                          text.size());
    auto bytes = util::from_hex(text);
    if (!bytes)
        return util::fail("endpoint id is not hexadecimal");
    return from_bytes(*bytes);
}

util::Result<EndpointId> EndpointId::from_bytes(std::span<const std::uint8_t> bytes)
{
    if (bytes.size() != size)
        return util::fail("endpoint id must be {} bytes, not {}", size, bytes.size());
    Bytes out;
    std::copy(bytes.begin(), bytes.end(), out.begin());
    return EndpointId(out);
}

std::string EndpointId::to_string() const
{
    return util::to_hex(m_bytes);
}

} // namespace p2p
