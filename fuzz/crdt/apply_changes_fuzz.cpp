// Applies arbitrary change bytes to an empty document and to one with history, then checks that
// a replica fed the accepted changes agrees.

#include <cstdlib>

#include "platform/crdt/document.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    crdt::ActorId actor{};
    actor.fill(7);
    crdt::Document doc(actor);
    (void)doc.put(crdt::root, "k", std::int64_t{1});
    doc.commit();
    (void)doc.apply_changes(std::span(data, size));
    (void)doc.put(crdt::root, "after", true);
    doc.commit();
    crdt::Document replica;
    if (!replica.apply_changes(doc.get_changes()) || replica.canonical_dump() != doc.canonical_dump() ||
        replica.get_heads() != doc.get_heads())
        std::abort();
    return 0;
}
