// Time of the Open File command (measure, open, one read into an uncleared
// buffer, hash) on a 32 MiB file against `md5sum` run as a child process on
// the same file. The two are interleaved round by round so that drift in the
// machine's load hits both alike; prints the medians and their ratio.
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <random>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "FileHelpers.h"
#include "ReadableFile.h"
#include "cmdOpen.h"
#include "frmMainServices.h"

extern char** environ;

namespace {

constexpr std::size_t kFileSize = 33554432;
constexpr int kRounds = 15;

using Clock = std::chrono::steady_clock;

// A descriptor closed when the object goes.
class UniqueFd {
public:
    explicit UniqueFd(int fd = -1) : fd_(fd) {}
    UniqueFd(const UniqueFd&) = delete;
    UniqueFd& operator=(const UniqueFd&) = delete;
    ~UniqueFd() { Reset(); }
    int Get() const { return fd_; }
    void Reset() {
        if (fd_ >= 0) {
            ::close(fd_);
        }
        fd_ = -1;
    }

private:
    int fd_;
};

// A private directory under the system's temp dir, removed with its files.
class TempDir {
public:
    TempDir() {
        std::string pattern = (std::filesystem::temp_directory_path() / "varnholt-bench.XXXXXX");
        if (::mkdtemp(pattern.data()) == nullptr) {
            throw std::runtime_error("mkdtemp failed");
        }
        path_ = pattern;
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    ~TempDir() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    const std::filesystem::path& Path() const { return path_; }

private:
    std::filesystem::path path_;
};

void WriteFile(const std::filesystem::path& path, const std::vector<std::uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
    if (!out) {
        throw std::runtime_error("cannot write " + path.string());
    }
}

// Reads the file once so both contestants start from the page cache.
void Warm(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::array<char, 1 << 16> chunk{};
    while (in.read(chunk.data(), chunk.size()) || in.gcount() > 0) {
    }
}

// The command against the real file system: the dialog "chooses" one file,
// everything else is the platform's own, so the time is that of cmdOpen_Click
// from the chosen path to the digest in the text field.
class BenchWindow final : public frmMainServices {
public:
    explicit BenchWindow(std::filesystem::path file) : file_(std::move(file)) {}

    Text GetText() override { return text_; }
    void SetText(const Text& text) override { text_ = text; }
    void Repaint() override {}
    void Unload() override {}
    void ShowMessage(const Text& text) override {
        throw std::runtime_error("unexpected message: " + ToUtf8(text));
    }
    void SetMousePointer(MousePointer) override {}
    Path CurrentDirectory() override { return "/"; }
    Path ShowOpen(Path& directory, const Text&, std::int32_t) override {
        directory = file_.parent_path().string() + "/";
        return file_.filename().string();
    }
    bool FileExists(const Path& path) override { return basComDlg::FileExists(path); }
    std::int64_t GetFileLength(const Path& path) override { return basComDlg::GetFileLength(path); }
    std::unique_ptr<ReadableFile> OpenForReading(const Path& path) override {
        return ::OpenForReading(path);
    }
    bool PlaceOnClipboard(const Text&) override { return false; }
    void Sleep(std::uint32_t) override {}

private:
    std::filesystem::path file_;
    Text text_;
};

std::string OurDigest(const std::filesystem::path& path) {
    BenchWindow window(path);
    cmdOpen_Click(window);
    if (window.GetText().size() != 32) {
        throw std::runtime_error("no digest shown");
    }
    return ToUtf8(window.GetText());
}

// Runs `md5sum path` and returns the digest it printed (lowercase hex).
std::string Md5sumDigest(const std::string& path) {
    std::array<int, 2> ends{};
    if (::pipe2(ends.data(), O_CLOEXEC) != 0) {
        throw std::runtime_error("pipe failed");
    }
    UniqueFd readEnd(ends[0]);
    UniqueFd writeEnd(ends[1]);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, writeEnd.Get(), STDOUT_FILENO);
    std::string program = "md5sum";
    std::string argument = path;
    std::array<char*, 3> argv{program.data(), argument.data(), nullptr};
    pid_t pid = 0;
    const int spawned = ::posix_spawnp(&pid, "md5sum", &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0) {
        throw std::runtime_error("cannot start md5sum");
    }
    writeEnd.Reset();  // so the read below sees the end when the child exits

    std::string output;
    std::array<char, 256> chunk{};
    ssize_t n = 0;
    while ((n = ::read(readEnd.Get(), chunk.data(), chunk.size())) > 0) {
        output.append(chunk.data(), static_cast<std::size_t>(n));
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0 || output.size() < 32) {
        throw std::runtime_error("md5sum failed");
    }
    return output.substr(0, 32);
}

std::string Lowercase(std::string text) {
    std::ranges::transform(text, text.begin(),
                           [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

double Milliseconds(const std::function<void()>& work) {
    const auto start = Clock::now();
    work();
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

double Median(std::vector<double> values) {
    std::ranges::sort(values);
    const std::size_t middle = values.size() / 2;
    return values.size() % 2 != 0 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

int Run() {
    const TempDir directory;
    const auto bigPath = directory.Path() / "random-32MiB.bin";
    const auto emptyPath = directory.Path() / "empty.bin";

    std::vector<std::uint8_t> bytes(kFileSize);
    std::mt19937 random(42);
    std::ranges::generate(bytes, [&random] { return static_cast<std::uint8_t>(random()); });
    WriteFile(bigPath, bytes);
    WriteFile(emptyPath, {});
    Warm(bigPath);

    const std::string expected = Lowercase(OurDigest(bigPath));
    if (Md5sumDigest(bigPath.string()) != expected) {
        std::fprintf(stderr, "digests differ: ours %s\n", expected.c_str());
        return 1;
    }

    std::vector<double> ours;
    std::vector<double> theirs;
    std::vector<double> startOnly;
    for (int round = 0; round < kRounds; ++round) {
        std::string ourDigest;
        std::string theirDigest;
        // Alternate which goes first so neither always runs on a cooler cache.
        const auto timeOurs = [&] {
            ours.push_back(Milliseconds([&] { ourDigest = OurDigest(bigPath); }));
        };
        const auto timeTheirs = [&] {
            theirs.push_back(Milliseconds([&] { theirDigest = Md5sumDigest(bigPath.string()); }));
        };
        if (round % 2 == 0) {
            timeOurs();
            timeTheirs();
        } else {
            timeTheirs();
            timeOurs();
        }
        startOnly.push_back(Milliseconds([&] { Md5sumDigest(emptyPath.string()); }));
        if (Lowercase(ourDigest) != expected || theirDigest != expected) {
            std::fprintf(stderr, "digest mismatch in round %d\n", round);
            return 1;
        }
    }

    const double ourMedian = Median(ours);
    const double theirMedian = Median(theirs);
    std::printf("file:                32 MiB random bytes, %d interleaved rounds\n", kRounds);
    std::printf("digest:              %s (ours and md5sum agree)\n", expected.c_str());
    std::printf("ours (median):       %8.2f ms\n", ourMedian);
    std::printf("md5sum (median):     %8.2f ms\n", theirMedian);
    std::printf("md5sum, empty file:  %8.2f ms (process start, for information)\n",
                Median(startOnly));
    std::printf("ratio ours/md5sum:   %8.3f (target <= 1.0)\n", ourMedian / theirMedian);
    return 0;
}

}  // namespace

int main() {
    try {
        return Run();
    } catch (const std::exception& error) {
        std::fprintf(stderr, "open_file_bench: %s\n", error.what());
        return 1;
    }
}
