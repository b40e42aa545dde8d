#include "trace.h"

#include <cstdio>
#include <cstdlib>
#include <memory>

#include <rapidjson/document.h>

namespace bench {

util::Result<Trace> load_trace(const std::string& path)
{
    std::string command = "gzip -dc '" + path + "'";
    std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen(command.c_str(), "r"), pclose);
    if (!pipe)
        return util::fail("cannot run gzip for {}", path);
    std::string json;
    char buffer[1 << 16];
    std::size_t n;
    while ((n = fread(buffer, 1, sizeof buffer, pipe.get())) > 0)
        json.append(buffer, n);
    rapidjson::Document doc;
    doc.Parse(json.data(), json.size());
    if (doc.HasParseError() || !doc.IsObject() || !doc.HasMember("txns"))
        return util::fail("{} is not a trace", path);
    Trace trace;
    trace.end_content = doc["endContent"].GetString();
    for (const auto& txn : doc["txns"].GetArray()) {
        std::vector<Patch> patches;
        for (const auto& p : txn["patches"].GetArray()) {
            auto a = p.GetArray();
            patches.push_back(Patch{a[0].GetUint64(), a[1].GetUint64(), std::string(a[2].GetString(), a[2].GetStringLength())});
        }
        trace.patch_count += patches.size();
        trace.txns.push_back(std::move(patches));
    }
    return trace;
}

std::string trace_dir()
{
    if (const char* dir = std::getenv("CRDT_TRACES"))
        return dir;
    // Next to the checkout, else the machine's shared copy.
    std::string beside = std::string(CRDT_SOURCE_DIR) + "/../shared/bench/traces";
    if (FILE* probe = std::fopen((beside + "/automerge-paper.json.gz").c_str(), "rb")) {
        std::fclose(probe);
        return beside;
    }
    return "/work/shared/bench/traces";
}

} // namespace bench
