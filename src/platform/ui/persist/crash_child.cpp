// Test helper: appends one change after another to a document store and reports on standard
// output each change that the store says is on disk, until it is killed.
#include <cstdio>
#include <string>

#include "platform/ui/persist/document_store.h"

int main(int argc, char** argv)
{
    if (argc != 3)
        return 2;
    auto store = ruvo_ui::persist::open(argv[1], argv[2]);
    if (!store) {
        std::fprintf(stderr, "%s\n", store.error().message.c_str());
        return 1;
    }
    auto& doc = (*store)->document();
    auto start = doc.length(crdt::root);
    for (std::uint64_t i = start;; ++i) {
        auto key = "k" + std::to_string(i);
        (void)doc.put(crdt::root, key, crdt::Scalar(static_cast<std::int64_t>(i)));
        (*store)->save_committed();
        if (i % 7 == 0)
            (*store)->maybe_compact();
        if (!(*store)->flush())
            return 1;
        std::printf("%s\n", key.c_str());
        std::fflush(stdout);
    }
}
