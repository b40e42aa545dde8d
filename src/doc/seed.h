#pragma once
// The two fixed first contents of a workspace document. Each writes the root flag "seeded"
// first and does nothing on a document where it reads true, so a document is seeded once, by
// one of them. They write through the record writers and validate nothing.
// Thread: the document's owner.

#include "doc/access.h"
#include "doc/records.h"

namespace chat::doc {

bool is_seeded(const Document& doc);

// One personal workspace with a text and a voice channel, and the local person (online; its
// `agent` and `presence` fields are not used).
void seed_starter(Document& doc, const PersonRecord& local_person);

// Three workspaces with their categories and thirteen channels, six people, a threaded
// conversation with reactions, attachments and an edit, a welcome message and a call in
// progress. Four messages get newly generated ids; everything else is fixed.
void seed_demo(Document& doc);

} // namespace chat::doc
