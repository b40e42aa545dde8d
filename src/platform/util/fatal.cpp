#include "platform/util/fatal.h"

#include <cstdio>
#include <cstdlib>

namespace util {

void fatal(std::string_view message)
{
    std::fprintf(stderr, "fatal: %.*s\n", static_cast<int>(message.size()), message.data());
    std::fflush(stderr);
    std::abort();
}

} // namespace util
