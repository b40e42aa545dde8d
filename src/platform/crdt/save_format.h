#pragma once
// The saved-document format: every change of the log, stored column by column.
//
//   "RVCD" | version (1 byte) | compression (1 byte) | uleb body length | body | SHA-256
//
// The digest covers everything before it. The body (after decompression) holds the actor table,
// the map keys and then one run-length encoded column per field of the changes and their
// operations; ids are stored relative to the operation's own id, so typing runs compress to a
// few bytes. Hashes are not stored: they are recomputed from the changes when first needed.

#include <span>

#include "platform/crdt/change_log.h"
#include "platform/util/result.h"

namespace crdt {

Bytes encode_document(ChangeLog& log);

// Fills an empty log with the changes of a saved document; checks the digest, the structure
// and the causal consistency of the changes, not yet whether their operations apply.
util::Result<void> decode_document(std::span<const std::uint8_t> bytes, ChangeLog& log);

} // namespace crdt
