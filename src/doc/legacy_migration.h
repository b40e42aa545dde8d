#pragma once
// Older versions stored demo pictures of attachments under "path" instead of "blob". Each root
// widget moves a bounded number of them on its first frame, so a large document is fixed over a
// few starts without ever stalling one.

#include "platform/crdt/document.h"

namespace chat::doc {

struct MigrationLimits {
    std::size_t channels = 256;
    std::size_t messages = 256;
    std::size_t migrated = 32;
};

// Returns how many attachments were moved.
std::size_t migrate_legacy_attachments(crdt::Document& doc, MigrationLimits limits = {});

} // namespace chat::doc
