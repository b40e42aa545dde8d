#pragma once
// The stored form of an agent's work card under a message's "work" map: the transition and the
// reasoning as compact JSON strings, and the trace as a map of step maps keyed by step id.
// Older documents hold a "state" map, a "reasoning" map, bare outcome names and step keys of
// eight decimal digits; reading accepts them. Thread: the document's owner.

#include "actions/agent_work.h"
#include "doc/access.h"

#include <optional>

namespace chat::doc {

// The work of the message map `message`, or nothing when it has none (or none that reads).
// Steps not marked present, and steps whose outcome does not read, are left out; the steps are
// sorted by sequence, then id.
std::optional<actions::AgentWork> read_agent_work(const Document& doc, const ObjId& message);

// Writes `work` under the message's "work" map, touching only what differs from the stored
// work. Steps with an empty id are not stored; stored steps missing from the new trace stay,
// marked not present.
void write_agent_work(Document& doc, const ObjId& message, const actions::AgentWork& work);

} // namespace chat::doc
