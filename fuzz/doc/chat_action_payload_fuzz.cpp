// Feeds arbitrary chat.action payloads, one per line, to the handler over a copy of the demo
// document. Whatever happens, the document must stay one that saves, loads back equal, and
// whose refused payloads left no pending writes behind.

#include "doc/chat_action_payload.h"
#include "doc/seed.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

namespace {

crdt::Document& seeded()
{
    static crdt::Document doc = [] {
        crdt::Document d(crdt::ActorId{1});
        chat::doc::seed_demo(d);
        d.commit();
        return d;
    }();
    return doc;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    crdt::Document doc = seeded().fork(crdt::ActorId{2});
    const auto version = doc.version();
    chat::doc::ActionApplier applier;
    std::string_view input(reinterpret_cast<const char*>(data), size);
    std::int64_t time = 0;
    while (!input.empty()) {
        const auto end = input.find('\n');
        const auto line = input.substr(0, end);
        input = end == std::string_view::npos ? std::string_view{} : input.substr(end + 1);
        (void)chat::doc::apply_chat_action_payload(doc, line, applier, ++time);
        if (doc.pending_ops() != 0)
            std::abort();
    }
    // Saving is the slow part; an input whose payloads changed nothing has nothing new to save.
    if (doc.version() == version)
        return 0;
    auto loaded = crdt::Document::load(doc.save());
    if (!loaded || loaded->canonical_dump() != doc.canonical_dump())
        std::abort();
    return 0;
}
