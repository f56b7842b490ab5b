// The built program's resources, read through the Windows API as Explorer
// and the loader see them.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdint>
#include <cstring>
#include <cwchar>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "Driver_win.h"
#include "UniqueHandle_win.h"

namespace {

using e2e::ProgramPath;

// The program mapped as data: its code never runs.
class ResourceModule {
public:
    ResourceModule()
        : module_(LoadLibraryExW(ProgramPath().c_str(), nullptr,
                                 LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE)) {}
    [[nodiscard]] HMODULE Get() const { return module_.Get(); }

    // The resource's bytes; empty when there is none.
    [[nodiscard]] std::span<const std::uint8_t> Find(int id, LPCWSTR type) const {
        const HRSRC found = FindResourceW(Get(), MAKEINTRESOURCEW(id), type);
        if (!found) {
            return {};
        }
        const HGLOBAL loaded = LoadResource(Get(), found);
        const void* data = loaded ? LockResource(loaded) : nullptr;
        if (!data) {
            return {};
        }
        return {static_cast<const std::uint8_t*>(data), SizeofResource(Get(), found)};
    }

private:
    UniqueModule module_;
};

template <typename T>
T ReadAt(std::span<const std::uint8_t> bytes, std::size_t offset) {
    T value{};
    if (offset + sizeof(T) <= bytes.size()) {
        std::memcpy(&value, bytes.data() + offset, sizeof(T));
    }
    return value;
}

class Resources : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_NE(module_.Get(), nullptr) << "cannot map the program"; }

    ResourceModule module_;
};

TEST_F(Resources, IconGroupHoldsThreeImages) {
    struct Image {
        int width, height, colours, bitCount;
        std::uint32_t bytes;
        int id;
    };
    const Image expected[] = {
        {32, 32, 2, 1, 304, 30001},
        {32, 32, 16, 4, 744, 30002},
        {16, 16, 16, 4, 296, 30003},
    };
    // GRPICONDIR: reserved, type 1, count; then 14-byte entries.
    const auto group = module_.Find(1, RT_GROUP_ICON);
    ASSERT_EQ(group.size(), 6U + 14U * std::size(expected)) << "icon group 1";
    EXPECT_EQ(ReadAt<std::uint16_t>(group, 0), 0);
    EXPECT_EQ(ReadAt<std::uint16_t>(group, 2), 1);
    ASSERT_EQ(ReadAt<std::uint16_t>(group, 4), std::size(expected));

    for (std::size_t i = 0; i < std::size(expected); ++i) {
        const Image& image = expected[i];
        const std::size_t entry = 6 + 14 * i;
        EXPECT_EQ(ReadAt<std::uint8_t>(group, entry), image.width) << "entry " << i;
        EXPECT_EQ(ReadAt<std::uint8_t>(group, entry + 1), image.height) << "entry " << i;
        EXPECT_EQ(ReadAt<std::uint8_t>(group, entry + 2), image.colours) << "entry " << i;
        EXPECT_EQ(ReadAt<std::uint16_t>(group, entry + 4), 1) << "planes, entry " << i;
        EXPECT_EQ(ReadAt<std::uint16_t>(group, entry + 6), image.bitCount) << "entry " << i;
        EXPECT_EQ(ReadAt<std::uint32_t>(group, entry + 8), image.bytes) << "entry " << i;
        EXPECT_EQ(ReadAt<std::uint16_t>(group, entry + 12), image.id) << "entry " << i;

        // The image itself: a DIB whose height counts the AND mask too.
        const auto icon = module_.Find(image.id, RT_ICON);
        ASSERT_EQ(icon.size(), image.bytes) << "icon " << image.id;
        EXPECT_EQ(ReadAt<std::uint32_t>(icon, 0), sizeof(BITMAPINFOHEADER)) << image.id;
        EXPECT_EQ(ReadAt<std::int32_t>(icon, 4), image.width) << image.id;
        EXPECT_EQ(ReadAt<std::int32_t>(icon, 8), 2 * image.height) << image.id;
        EXPECT_EQ(ReadAt<std::uint16_t>(icon, 14), image.bitCount) << image.id;
    }
}

TEST_F(Resources, ManifestIsPresent) {
    const auto manifest = module_.Find(1, MAKEINTRESOURCEW(24));
    ASSERT_FALSE(manifest.empty()) << "no manifest 24/1";
    const std::string text(manifest.begin(), manifest.end());
    EXPECT_NE(text.find("<assembly"), std::string::npos);
    // Per-monitor awareness (version 2 where known), system awareness before Windows 10.
    EXPECT_NE(text.find(">PerMonitorV2, PerMonitor</dpiAwareness>"), std::string::npos);
    EXPECT_NE(text.find(">true</dpiAware>"), std::string::npos);
    // No file and registry virtualization on Vista and later; Vista itself is named.
    EXPECT_NE(text.find("<requestedExecutionLevel level=\"asInvoker\""), std::string::npos);
    EXPECT_NE(text.find("{e2011457-1546-43c5-a5fe-008deee3d3f0}"), std::string::npos);
}

class VersionInfo : public ::testing::Test {
protected:
    void SetUp() override {
        const std::wstring path = ProgramPath();
        DWORD ignored = 0;
        const DWORD size = GetFileVersionInfoSizeW(path.c_str(), &ignored);
        ASSERT_GT(size, 0U) << "no version resource";
        block_.resize(size);
        ASSERT_TRUE(GetFileVersionInfoW(path.c_str(), 0, size, block_.data()));
    }

    // The binary value under key; empty when there is none.
    [[nodiscard]] std::span<const std::uint8_t> Query(const std::wstring& key) const {
        void* value = nullptr;
        UINT bytes = 0;
        if (!VerQueryValueW(block_.data(), key.c_str(), &value, &bytes) || !value) {
            return {};
        }
        return {static_cast<const std::uint8_t*>(value), bytes};
    }

    // A string value, whose length comes in characters, the terminator
    // included or not.
    [[nodiscard]] std::optional<std::wstring> QueryString(const std::wstring& key) const {
        void* value = nullptr;
        UINT characters = 0;
        if (!VerQueryValueW(block_.data(), key.c_str(), &value, &characters) || !value) {
            return std::nullopt;
        }
        const auto* text = static_cast<const wchar_t*>(value);
        return std::wstring(text, wcsnlen(text, characters));
    }

    std::vector<std::uint8_t> block_;
};

TEST_F(VersionInfo, FixedPart) {
    const auto fixed = Query(L"\\");
    ASSERT_EQ(fixed.size(), sizeof(VS_FIXEDFILEINFO));
    const auto info = ReadAt<VS_FIXEDFILEINFO>(fixed, 0);
    EXPECT_EQ(info.dwSignature, 0xFEEF04BDU);
    // 0.1.0.8: major and minor in the high word, build and revision below.
    EXPECT_EQ(info.dwFileVersionMS, 0x00000001U);
    EXPECT_EQ(info.dwFileVersionLS, 0x00000008U);
    EXPECT_EQ(info.dwProductVersionMS, 0x00000001U);
    EXPECT_EQ(info.dwProductVersionLS, 0x00000008U);
    EXPECT_EQ(info.dwFileOS, static_cast<DWORD>(VOS__WINDOWS32));
    EXPECT_EQ(info.dwFileOS, 4U);
    EXPECT_EQ(info.dwFileType, static_cast<DWORD>(VFT_APP));
    EXPECT_EQ(info.dwFileFlags, 0U);
}

TEST_F(VersionInfo, OneTranslationGermanUnicode) {
    const auto translation = Query(L"\\VarFileInfo\\Translation");
    ASSERT_EQ(translation.size(), 4U) << "exactly one language and code page";
    EXPECT_EQ(ReadAt<std::uint16_t>(translation, 0), 0x0407);
    EXPECT_EQ(ReadAt<std::uint16_t>(translation, 2), 1200);
}

TEST_F(VersionInfo, Strings) {
    const struct {
        const wchar_t* name;
        const wchar_t* value;
    } expected[] = {
        {L"FileDescription", L"Calculates the MD5 hash value of a file"},
        {L"ProductName", L"Varnholt"},
        {L"FileVersion", L"0.01.0008"},
        {L"ProductVersion", L"0.01.0008"},
        {L"InternalName", L"Varnholt"},
        {L"OriginalFilename", L"Varnholt.exe"},
    };
    for (const auto& [name, value] : expected) {
        EXPECT_EQ(QueryString(std::wstring(L"\\StringFileInfo\\040704B0\\") + name), value)
            << testing::PrintToString(std::wstring(name));
    }
}

}  // namespace
