// Image headers come from other peers' attachments: any bytes must give a size or 0 x 0.
#include <cstddef>
#include <cstdint>

#include "platform/blobstore/sniff.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    auto found = blobstore::sniff_image({data, size});
    if ((found.width == 0) != (found.height == 0))
        __builtin_trap();
    if (found.width > blobstore::max_sniffed_dimension || found.height > blobstore::max_sniffed_dimension)
        __builtin_trap();
    return 0;
}
