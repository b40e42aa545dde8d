#pragma once

namespace chat::app {

// Installs the process-wide content store under its default root with the application's limits:
// 32 MiB per blob, 256 MiB in all, 8,192 blobs, 16 KiB examined when sniffing images.
void install_content_store();

} // namespace chat::app
