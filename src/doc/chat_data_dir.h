#pragma once
// Where the chat application keeps its own files: the peer-id file and the legacy document.

#include <filesystem>
#include <optional>
#include <string_view>

#include "platform/identity/xdg.h"
#include "platform/ui/persist/document_store.h"

namespace chat::doc {

// The file name of the document saved by earlier versions, in the CRDT library's save format.
inline constexpr std::string_view legacy_document_name = "workspace.crdt";

// RUVO_CHAT_DATA itself when set (even empty: the working directory), else the XDG data folder
// joined with "ruvo-chat", else ~/.local/share/ruvo-chat, else nothing.
std::optional<std::filesystem::path> chat_data_dir(const identity::xdg::Environment& env =
                                                       identity::xdg::process_environment());

std::optional<std::filesystem::path> legacy_document_path(const identity::xdg::Environment& env =
                                                              identity::xdg::process_environment());

// The launch descriptor's persistence opener: the framework's store, taking over the legacy
// document of the chat data directory when there is one.
util::Result<ruvo_ui::persist::Handle> open_persistence(const std::filesystem::path& dir, std::string_view name);

} // namespace chat::doc
