#pragma once

#include <filesystem>
#include <fstream>
#include <random>
#include <string>

#include "Path.h"

// A fresh directory under the system's temporary directory, removed with
// everything in it when the test ends.
class TempDir {
public:
    TempDir() {
        std::random_device random;
        path_ = std::filesystem::temp_directory_path() /
                ("varnholt-test-" + std::to_string(random()) + std::to_string(random()));
        std::filesystem::create_directories(path_);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    ~TempDir() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }

    [[nodiscard]] const std::filesystem::path& Path() const { return path_; }

    template <typename Name>
    std::filesystem::path File(const Name& name, const std::string& content) const {
        const auto file = path_ / std::filesystem::path(name);
        std::ofstream(file, std::ios::binary) << content;
        return file;
    }

private:
    std::filesystem::path path_;
};

// path in the form the file helpers take.
inline Path ToPath(const std::filesystem::path& path) { return path.string<PathChar>(); }
