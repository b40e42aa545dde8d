// Loads arbitrary bytes as a saved document; whatever loads must save and load again unchanged.
//
// The first input byte picks the framing: 0 feeds the rest as a whole file; 1 wraps the rest as
// an uncompressed body behind a correct header and checksum, 2 and 3 as a body compressed by the
// context model or the dictionary coder, so the fuzzer reaches the decoders behind the checksum.

#include <algorithm>
#include <cstdlib>

#include "platform/crdt/bytes.h"
#include "platform/crdt/document.h"
#include "platform/util/sha256.h"

namespace {

crdt::Bytes wrap(std::span<const std::uint8_t> body, std::uint8_t compression, std::uint64_t body_len)
{
    crdt::ByteWriter w;
    w.raw(std::string_view("RVCD"));
    w.u8(1);
    w.u8(compression);
    w.uleb(body_len);
    w.bytes(body);
    w.raw(util::sha256(w.out()));
    return w.take();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0)
        return 0;
    std::span<const std::uint8_t> rest(data + 1, size - 1);
    crdt::Bytes file;
    if (data[0] == 1) {
        file = wrap(rest, 0, rest.size());
    } else if ((data[0] == 2 || data[0] == 3) && rest.size() >= 2) {
        // Two bytes of claimed body length (kept near the input's size, so each run stays fast),
        // then the compressed stream.
        std::uint64_t claimed = static_cast<std::uint64_t>(rest[0]) << 8 | rest[1];
        file = wrap(rest.subspan(2), data[0] == 2 ? 1 : 2, std::min<std::uint64_t>(claimed, 8 * rest.size() + 64));
    } else {
        file.assign(rest.begin(), rest.end());
    }
    auto doc = crdt::Document::load(file);
    if (!doc)
        return 0;
    auto again = crdt::Document::load(doc->save());
    if (!again || again->canonical_dump() != doc->canonical_dump() || again->get_heads() != doc->get_heads())
        std::abort();
    return 0;
}
