// Decodes arbitrary bytes as one media packet and as a stream of frames, the way a reader
// walks a peer's stream. Whatever decodes must encode back to the same bytes.
#include "media/wire_format.h"

#include <cstdint>
#include <cstdlib>
#include <span>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace chat::media;
    std::span<const std::uint8_t> const bytes(data, size);
    if (auto packet = decode_packet(bytes)) {
        auto encoded = encode_packet(*packet);
        if (!encoded || !std::equal(encoded->begin(), encoded->end(), bytes.begin(), bytes.end()))
            std::abort();
    }
    std::size_t offset = 0;
    while (size - offset >= frame_length_bytes) {
        std::uint32_t const length =
            decode_frame_length(bytes.subspan(offset).first<frame_length_bytes>());
        offset += frame_length_bytes;
        FrameAction const action = classify_frame_length(length);
        if (action == FrameAction::TooLarge)
            break;
        if (action == FrameAction::Skip)
            continue;
        if (size - offset < length)
            break;
        (void)decode_packet(bytes.subspan(offset, length));
        offset += length;
    }
    return 0;
}
