// Appends arbitrary bytes as incremental saves to a small document with history.

#include <cstdlib>

#include "platform/crdt/document.h"

namespace {

crdt::Document base()
{
    crdt::ActorId actor{};
    actor.fill(1);
    crdt::Document doc(actor);
    auto text = doc.put_object(crdt::root, "t", crdt::ObjType::Text).value();
    (void)doc.splice_text(text, 0, 0, "hello");
    auto list = doc.put_object(crdt::root, "l", crdt::ObjType::List).value();
    (void)doc.insert(list, 0, crdt::Counter{1});
    doc.commit(1);
    return doc;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static const crdt::Bytes saved = [] { return base().save(); }();
    auto doc = crdt::Document::load(saved);
    if (!doc)
        std::abort();
    (void)doc->load_incremental(std::span(data, size));
    // Whatever was accepted is part of the document for good and survives a save.
    auto again = crdt::Document::load(doc->save());
    if (!again || again->canonical_dump() != doc->canonical_dump())
        std::abort();
    return 0;
}
