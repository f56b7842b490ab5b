#pragma once

// A file opened for reading with the sequential-scan hint, closed when the
// object goes.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>

#include "Path.h"

class ReadableFile {
public:
    ReadableFile() = default;
    ReadableFile(const ReadableFile&) = delete;
    ReadableFile& operator=(const ReadableFile&) = delete;
    virtual ~ReadableFile() = default;

    // Reads into buffer until it is full or the file ends: the number of bytes
    // delivered, 0 at the end; nothing when the read fails.
    virtual std::optional<std::size_t> Read(std::span<std::uint8_t> buffer) = 0;
};

// Opens path for reading, sharing reads and writes with others; null when the
// open fails.
std::unique_ptr<ReadableFile> OpenForReading(const Path& path);
