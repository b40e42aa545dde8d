#pragma once
// Broken invariants and the program's fixed fatal messages end the process here.

#include <string_view>

namespace util {

// Logs `message` as a critical error on standard error and aborts.
[[noreturn]] void fatal(std::string_view message);

} // namespace util
