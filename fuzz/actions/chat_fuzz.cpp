// Feeds arbitrary bytes to the ChatAction and ChatOperation decoders (and the records nested in
// them). Whatever decodes must encode and decode again to the same record, and the value-tree
// path must agree with the text path.

#include "actions/record_codec.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <rapidjson/document.h>
#include <span>
#include <string_view>

namespace {

using namespace chat::actions;

template <typename T>
void check(std::string_view text, const rapidjson::Document& tree, bool tree_ok)
{
    auto decoded = from_json<T>(text);
    if (tree_ok) {
        auto from_tree = from_json_value<T>(tree);
        if (decoded && from_tree && !(*decoded == *from_tree))
            std::abort();
    }
    if (!decoded)
        return;
    std::string again = to_json(*decoded);
    auto redecoded = from_json<T>(again);
    if (!redecoded || !(*redecoded == *decoded) || to_json(*redecoded) != again)
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    std::string_view text(reinterpret_cast<const char*>(data), size);
    rapidjson::Document tree;
    tree.Parse<rapidjson::kParseIterativeFlag | rapidjson::kParseValidateEncodingFlag>(text.data(),
                                                                                       text.size());
    const bool tree_ok = !tree.HasParseError();
    check<ChatAction>(text, tree, tree_ok);
    check<ChatOperation>(text, tree, tree_ok);
    check<AgentWork>(text, tree, tree_ok);
    check<ChatCallContinuation>(text, tree, tree_ok);
    (void)from_json<ChatAction>(std::span<const std::uint8_t>(data, size));
    return 0;
}
