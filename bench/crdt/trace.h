#pragma once
// Editing traces: gzipped JSON histories of typing sessions (see shared/bench/traces/README.md).

#include <cstddef>
#include <string>
#include <vector>

#include "platform/util/result.h"

namespace bench {

struct Patch {
    std::size_t pos = 0;
    std::size_t del = 0;
    std::string insert;
};

struct Trace {
    std::vector<std::vector<Patch>> txns;
    std::string end_content;
    std::size_t patch_count = 0;
};

// Reads a .json.gz trace through `gzip -dc`.
util::Result<Trace> load_trace(const std::string& path);

// The directory holding the traces: $CRDT_TRACES, else ../shared/bench/traces beside the
// checkout, else /work/shared/bench/traces.
std::string trace_dir();

} // namespace bench
