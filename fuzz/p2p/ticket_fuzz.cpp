// Feeds arbitrary text to the ticket parser; a ticket that parses must survive a round trip.
#include "platform/p2p/endpoint_addr.h"

#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    std::string_view const text(reinterpret_cast<const char*>(data), size);
    auto parsed = p2p::parse_ticket(text);
    if (parsed) {
        auto again = p2p::parse_ticket(p2p::encode_ticket(*parsed));
        if (!again || *again != *parsed)
            std::abort();
    }
    return 0;
}
