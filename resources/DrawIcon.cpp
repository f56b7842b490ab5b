// Draws the program's icon.
//   DrawIcon <output directory>      the Windows icon resources, committed in
//                                    resources/icon, so the Windows build needs
//                                    no tool of its own to make them
//   DrawIcon --png <size> <file>     one PNG for the Linux desktop's icon theme

#include <charconv>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <ios>
#include <span>
#include <string_view>
#include <system_error>
#include <vector>

#include "IconImage.h"
#include "IconPng.h"

namespace {

bool WriteFile(const std::filesystem::path& path, const std::vector<std::uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
    out.close();
    if (!out) {
        std::fprintf(stderr, "DrawIcon: cannot write %s\n", path.string().c_str());
        return false;
    }
    return true;
}

int WriteResources(const std::filesystem::path& directory) {
    std::error_code error;
    std::filesystem::create_directories(directory, error);
    if (error) {
        std::fprintf(stderr, "DrawIcon: %s: %s\n", directory.string().c_str(),
                     error.message().c_str());
        return 1;
    }
    for (const auto& file : VarnholtIcon::IconFiles()) {
        if (!WriteFile(directory / file.name, file.bytes)) {
            return 1;
        }
    }
    return 0;
}

int WritePng(std::string_view sizeText, const std::filesystem::path& path) {
    int size = 0;
    const auto [end, error] =
        std::from_chars(sizeText.data(), sizeText.data() + sizeText.size(), size);
    if (error != std::errc{} || end != sizeText.data() + sizeText.size() || size < 1 ||
        size > 1024) {
        std::fprintf(stderr, "DrawIcon: size must be 1 to 1024\n");
        return 2;
    }
    return WriteFile(path, VarnholtIcon::EncodePng(size)) ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    const std::span args(argv, static_cast<std::size_t>(argc));
    if (args.size() == 2) {
        return WriteResources(args[1]);
    }
    if (args.size() == 4 && std::string_view(args[1]) == "--png") {
        return WritePng(args[2], args[3]);
    }
    std::fputs("usage: DrawIcon <output directory> | DrawIcon --png <size> <file>\n", stderr);
    return 2;
}
