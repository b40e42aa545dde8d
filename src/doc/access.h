#pragma once
// The access layer of the workspace document: every read and write of the application goes
// through these functions. Reads are forgiving (a value of the wrong kind reads as missing);
// creating an object can fail only through an internal error, which is fatal.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "platform/crdt/document.h"

namespace chat::doc {

using crdt::Document;
using crdt::ObjId;

// The object under `key` when it has the wanted kind; otherwise a new one replaces whatever was
// there. Aborts with "put map" / "put list" / "put text" if the document cannot create it.
ObjId ensure_map(Document& doc, const ObjId& parent, std::string_view key);
ObjId ensure_list(Document& doc, const ObjId& parent, std::string_view key);
ObjId ensure_text(Document& doc, const ObjId& parent, std::string_view key);

std::optional<ObjId> get_map(const Document& doc, const ObjId& parent, std::string_view key);
std::optional<ObjId> get_list(const Document& doc, const ObjId& parent, std::string_view key);
std::optional<ObjId> get_text_object(const Document& doc, const ObjId& parent, std::string_view key);
// The map or list element at `index` of a list.
std::optional<ObjId> get_map_at(const Document& doc, const ObjId& list, std::size_t index);

std::optional<std::string> get_str(const Document& doc, const ObjId& parent, std::string_view key);
// Signed and unsigned integers, counters, timestamps and floating-point values (truncated
// towards zero, saturating, NaN as 0).
std::optional<std::int64_t> get_i64(const Document& doc, const ObjId& parent, std::string_view key);
std::optional<bool> get_bool(const Document& doc, const ObjId& parent, std::string_view key);
// The whole string of the text object under `key`.
std::optional<std::string> get_text(const Document& doc, const ObjId& parent, std::string_view key);

// The integer reading of a scalar, by the rules of get_i64.
std::optional<std::int64_t> scalar_i64(const crdt::Scalar& scalar);

// Scalar writes; their errors are reported and may be ignored.
util::Result<void> put_str(Document& doc, const ObjId& map, std::string_view key, std::string_view value);
util::Result<void> put_i64(Document& doc, const ObjId& map, std::string_view key, std::int64_t value);
util::Result<void> put_bool(Document& doc, const ObjId& map, std::string_view key, bool value);

// Writes only when the stored value differs (or has another kind); returns whether it wrote.
bool update_str(Document& doc, const ObjId& map, std::string_view key, std::string_view value);
bool update_i64(Document& doc, const ObjId& map, std::string_view key, std::int64_t value);
bool update_bool(Document& doc, const ObjId& map, std::string_view key, bool value);

// A new object under a key (replacing what was there); null when the document refuses.
std::optional<ObjId> put_object(Document& doc, const ObjId& map, std::string_view key, crdt::ObjType type);
// A new map at the end of a list; null when the document refuses.
std::optional<ObjId> append_map(Document& doc, const ObjId& list);

util::Result<void> splice(Document& doc, const ObjId& text, std::size_t pos, std::size_t deleted,
                          std::string_view inserted);
// Replaces the text's content by the smallest splice, so that concurrent edits merge.
util::Result<void> replace_text(Document& doc, const ObjId& text, std::string_view content);

util::Result<void> delete_key(Document& doc, const ObjId& map, std::string_view key);
util::Result<void> delete_index(Document& doc, const ObjId& list, std::size_t index);

} // namespace chat::doc
