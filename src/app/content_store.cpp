#include "app/content_store.h"

#include "platform/blobstore/blobstore.h"
#include "platform/blobstore/fs_blob_store.h"

namespace chat::app {

void install_content_store()
{
    auto root = blobstore::FsBlobStore::default_root();
    auto store = std::make_shared<blobstore::FsBlobStore>(root, 33'554'432, 268'435'456, 8'192, 16'384);
    blobstore::set_store(std::move(store));
}

} // namespace chat::app
