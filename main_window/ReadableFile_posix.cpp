#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>

#include "Path.h"
#include "ReadableFile.h"

namespace {

class PosixFile final : public ReadableFile {
public:
    explicit PosixFile(int fd) : fd_(fd) {}
    ~PosixFile() override { ::close(fd_); }

    // Like ReadFile on a disk file: keeps reading until the buffer is full or
    // the file ends, since read(2) may deliver less. A file that would block
    // has failed: the window must not wait on it.
    std::optional<std::size_t> Read(std::span<std::uint8_t> buffer) override {
        std::size_t total = 0;
        while (total < buffer.size()) {
            const ssize_t n = ::read(fd_, buffer.data() + total, buffer.size() - total);
            if (n == 0) {
                break;
            }
            if (n < 0) {
                if (errno == EINTR) {
                    continue;
                }
                return std::nullopt;
            }
            total += static_cast<std::size_t>(n);
        }
        return total;
    }

private:
    int fd_;
};

}  // namespace

// Opened without blocking so that a FIFO swapped in after measuring cannot
// hang the caller; anything but a regular file is refused. A file of 0 bytes
// stays non-blocking: pseudo-files such as /proc/kmsg measure so and may wait
// for data that never comes.
std::unique_ptr<ReadableFile> OpenForReading(const Path& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
        return nullptr;
    }
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        ::close(fd);
        return nullptr;
    }
    if (info.st_size != 0) {
        ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    }
    ::posix_fadvise(fd, 0, 0, POSIX_FADV_SEQUENTIAL);
    return std::make_unique<PosixFile>(fd);
}
