// Regenerates the icon resources: DrawIcon <output directory>. The output is
// committed, so the Windows build needs no tool of its own to make it.

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <span>
#include <string>

#include "IconImage.h"

int main(int argc, char** argv) {
    const std::span args(argv, static_cast<std::size_t>(argc));
    if (args.size() != 2) {
        std::fputs("usage: DrawIcon <output directory>\n", stderr);
        return 2;
    }
    const std::filesystem::path directory = args[1];
    std::error_code error;
    std::filesystem::create_directories(directory, error);
    if (error) {
        std::fprintf(stderr, "DrawIcon: %s: %s\n", directory.string().c_str(),
                     error.message().c_str());
        return 1;
    }
    for (const auto& file : VarnholtIcon::IconFiles()) {
        const auto path = directory / file.name;
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(file.bytes.data()),
                  static_cast<std::streamsize>(file.bytes.size()));
        out.close();
        if (!out) {
            std::fprintf(stderr, "DrawIcon: cannot write %s\n", path.string().c_str());
            return 1;
        }
    }
    return 0;
}
