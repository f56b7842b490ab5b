#include "ReadableFile.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <vector>

#include "TempDir.h"

namespace {

TEST(ReadableFilePosix, ReadsWholeFilesAndClosesThem) {
    const TempDir temp;
    const auto path = temp.File("data.bin", std::string(100000, 'r'));
    std::vector<std::uint8_t> buffer(100001, 0);
    {
        const auto file = OpenForReading(path.string());
        ASSERT_NE(file, nullptr);
        EXPECT_EQ(file->Read(buffer), 100000U);
        EXPECT_EQ(buffer[99999], 'r');
    }
    // Every descriptor we opened is closed again.
    const auto before = std::distance(std::filesystem::directory_iterator("/proc/self/fd"), {});
    for (int i = 0; i < 50; ++i) {
        OpenForReading(path.string())->Read(buffer);
    }
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator("/proc/self/fd"), {}), before);
}

// A failing read is no end of the file. Files of 0 bytes, which may be
// pseudo-files that wait for data, are read without blocking.
TEST(ReadableFilePosix, PseudoFilesFailRatherThanEndOrBlock) {
    std::vector<std::uint8_t> buffer(65536);
    EXPECT_EQ(OpenForReading("/proc/self/mem")->Read(buffer), std::nullopt);  // 0 is unmapped
    const TempDir temp;
    for (const std::string content : {"", "data"}) {
        const int next = ::open("/dev/null", O_RDONLY);  // the number the next open takes
        ::close(next);
        const auto file = OpenForReading(temp.File("file" + content, content).string());
        ASSERT_NE(file, nullptr);
        ASSERT_EQ((::fcntl(next, F_GETFL) & O_NONBLOCK) != 0, content.empty()) << content;
    }
}

// One that does wait: trace_pipe with nothing traced, on a mount that only
// this process sees. Only root may mount it, and a machine may deny even root
// (no unshare in a container; no /sys mount in a plain chroot; no tracefs in
// a user namespace).
TEST(ReadableFilePosix, WaitingPseudoFileFails) {
    if (::geteuid() != 0) {
        GTEST_SKIP() << "needs root, to mount a private tracefs";
    }
    if (::unshare(CLONE_NEWNS) != 0 ||
        ::mount(nullptr, "/sys", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
        ::mount("nodev", "/sys/kernel/tracing", "tracefs", 0, nullptr) != 0) {
        GTEST_SKIP() << "no private tracefs mount here: " << std::strerror(errno);
    }
    std::vector<std::uint8_t> buffer(65536);
    const auto pipe = OpenForReading("/sys/kernel/tracing/trace_pipe");
    ASSERT_NE(pipe, nullptr);
    EXPECT_EQ(pipe->Read(buffer), std::nullopt);
}

TEST(ReadableFilePosix, RefusesWhatCannotBeReadAsAFile) {
    const TempDir temp;
    const auto fifo = temp.Path() / "fifo";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    EXPECT_EQ(OpenForReading(fifo.string()), nullptr);  // and does not block
    EXPECT_EQ(OpenForReading(temp.Path().string()), nullptr);
    EXPECT_EQ(OpenForReading((temp.Path() / "absent").string()), nullptr);
}

}  // namespace
