#include "platform/util/file.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/util/random.h"

namespace util {

namespace {

struct Fd {
    int fd = -1;
    ~Fd()
    {
        if (fd >= 0)
            ::close(fd);
    }
};

std::string errno_text() { return std::strerror(errno); }

} // namespace

Result<std::vector<std::uint8_t>> read_file(const std::filesystem::path& path, std::uint64_t max_bytes)
{
    Fd file{::open(path.c_str(), O_RDONLY | O_CLOEXEC)};
    if (file.fd < 0)
        return fail("cannot open {}: {}", path.string(), errno_text());
    struct stat info {};
    if (::fstat(file.fd, &info) != 0)
        return fail("cannot stat {}: {}", path.string(), errno_text());
    if (!S_ISREG(info.st_mode))
        return fail("{} is not a regular file", path.string());
    if (static_cast<std::uint64_t>(info.st_size) > max_bytes)
        return fail("{} is larger than {} bytes", path.string(), max_bytes);

    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(info.st_size));
    std::size_t done = 0;
    while (done < bytes.size()) {
        ssize_t n = ::read(file.fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return fail("cannot read {}: {}", path.string(), errno_text());
        if (n == 0)
            break; // the file shrank while we read it
        done += static_cast<std::size_t>(n);
    }
    bytes.resize(done);
    return bytes;
}

Result<void> write_file_atomic(const std::filesystem::path& path, std::span<const std::uint8_t> bytes)
{
    auto temp = path;
    temp += ".tmp-" + std::to_string(random_u64());
    {
        Fd file{::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644)};
        if (file.fd < 0)
            return fail("cannot create {}: {}", temp.string(), errno_text());
        std::size_t done = 0;
        while (done < bytes.size()) {
            ssize_t n = ::write(file.fd, bytes.data() + done, bytes.size() - done);
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0) {
                auto message = errno_text();
                ::unlink(temp.c_str());
                return fail("cannot write {}: {}", temp.string(), message);
            }
            done += static_cast<std::size_t>(n);
        }
        if (::fsync(file.fd) != 0) {
            auto message = errno_text();
            ::unlink(temp.c_str());
            return fail("cannot flush {}: {}", temp.string(), message);
        }
    }
    if (::rename(temp.c_str(), path.c_str()) != 0) {
        auto message = errno_text();
        ::unlink(temp.c_str());
        return fail("cannot rename {} to {}: {}", temp.string(), path.string(), message);
    }
    // Make the rename itself durable.
    Fd dir{::open(path.parent_path().empty() ? "." : path.parent_path().c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC)};
    if (dir.fd >= 0)
        ::fsync(dir.fd);
    return {};
}

} // namespace util
