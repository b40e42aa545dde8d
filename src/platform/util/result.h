#pragma once
// Errors as values: every call that can fail on input returns Result<T>.

#include <expected>
#include <string>
#include <utility>

#include <fmt/format.h>

namespace util {

struct Error {
    std::string message;

    bool operator==(const Error&) const = default;
};

template <typename T>
using Result = std::expected<T, Error>;

// Builds the unexpected value of a Result from a fmt format string.
template <typename... Args>
std::unexpected<Error> fail(fmt::format_string<Args...> format, Args&&... args)
{
    return std::unexpected(Error{fmt::format(format, std::forward<Args>(args)...)});
}

inline std::unexpected<Error> fail(std::string message)
{
    return std::unexpected(Error{std::move(message)});
}

} // namespace util
