// Reads the resources back from the built program file, as Explorer, the loader and the shell
// see them: the icon group and its images, the version information, the manifest, and the
// DLLs the file imports.
#include "driver.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstddef>
#include <cstring>
#include <fstream>
#include <iterator>
#include <memory>
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace {

std::wstring programPath() {
    return kelvane::e2e::buildPathOnWindows(KELVANE_EXE_PATH);
}

struct ModuleCloser {
    void operator()(HMODULE module) const { FreeLibrary(module); }
};
using Module = std::unique_ptr<std::remove_pointer_t<HMODULE>, ModuleCloser>;

// One resource's bytes, or nothing when the file does not have it.
std::vector<BYTE> resourceBytes(HMODULE module, LPCWSTR type, LPCWSTR name) {
    HRSRC info = FindResourceW(module, name, type);
    if (!info) return {};
    HGLOBAL loaded = LoadResource(module, info);
    const auto* data = static_cast<const BYTE*>(LockResource(loaded));
    if (!data) return {};
    return std::vector<BYTE>(data, data + SizeofResource(module, info));
}

#pragma pack(push, 2)
struct GroupIconHeader {
    WORD reserved;
    WORD type;
    WORD count;
};
struct GroupIconEntry {
    BYTE width;
    BYTE height;
    BYTE colourCount;
    BYTE reserved;
    WORD planes;
    WORD bitCount;
    DWORD bytesInRes;
    WORD id;
};
#pragma pack(pop)

class ProgramFile : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        module_.reset(LoadLibraryExW(programPath().c_str(), nullptr,
                                     LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE));
    }
    static void TearDownTestSuite() { module_.reset(); }
    void SetUp() override {
        ASSERT_NE(nullptr, module_.get())
            << "cannot load " << std::string(KELVANE_EXE_PATH) << ", error " << GetLastError();
    }
    static Module module_;
};
Module ProgramFile::module_;

// "size/bpp" as the image data itself says: a DIB (colour and mask, so twice as high) or a PNG.
std::string imageHeader(const std::vector<BYTE>& image) {
    static const BYTE png[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    if (image.size() >= 26 && std::memcmp(image.data(), png, 8) == 0) {
        auto big = [&](size_t at) {
            return (image[at] << 24) | (image[at + 1] << 16) | (image[at + 2] << 8) | image[at + 3];
        };
        if (big(16) != big(20)) return "not square";
        return std::to_string(big(16)) + "/" + std::to_string(image[24] * (image[25] == 6 ? 4 : 1));
    }
    BITMAPINFOHEADER dib{};
    if (image.size() < sizeof dib) return "too short";
    std::memcpy(&dib, image.data(), sizeof dib);
    if (dib.biSize < sizeof dib || dib.biHeight != 2 * dib.biWidth) return "not a square icon DIB";
    return std::to_string(dib.biWidth) + "/" + std::to_string(dib.biBitCount);
}

// "size/bpp" of each image, in ascending order, so that a mismatch shows the whole list.
std::string imageList(std::vector<std::pair<int, int>> images) {
    std::sort(images.begin(), images.end());
    std::string list;
    for (const auto& image : images) {
        list += std::to_string(image.first) + "/" + std::to_string(image.second) + " ";
    }
    return list;
}

TEST_F(ProgramFile, IconGroupHoldsTheTwelveImagesAndEachDecodes) {
    const std::vector<BYTE> group = resourceBytes(module_.get(), RT_GROUP_ICON, L"DEFAULT_ICON");
    ASSERT_GE(group.size(), sizeof(GroupIconHeader)) << "no icon group DEFAULT_ICON";
    GroupIconHeader header;
    std::memcpy(&header, group.data(), sizeof header);
    EXPECT_EQ(1, header.type);
    ASSERT_EQ(group.size(), sizeof header + header.count * sizeof(GroupIconEntry));

    std::vector<std::pair<int, int>> found;
    for (WORD i = 0; i < header.count; ++i) {
        GroupIconEntry entry;
        std::memcpy(&entry, group.data() + sizeof header + i * sizeof entry, sizeof entry);
        const int size = entry.width == 0 ? 256 : entry.width;  // 256 is stored as 0
        EXPECT_EQ(entry.width, entry.height) << "entry " << i;
        EXPECT_EQ(1, entry.planes) << "entry " << i;
        found.push_back({size, entry.bitCount});

        std::vector<BYTE> image = resourceBytes(module_.get(), RT_ICON, MAKEINTRESOURCEW(entry.id));
        ASSERT_EQ(entry.bytesInRes, image.size()) << "image " << entry.id;
        EXPECT_EQ(std::to_string(size) + "/" + std::to_string(entry.bitCount), imageHeader(image))
            << "the image data does not match its directory entry";
        HICON icon = CreateIconFromResourceEx(image.data(), static_cast<DWORD>(image.size()), TRUE,
                                              0x00030000, size, size, LR_DEFAULTCOLOR);
        ASSERT_NE(nullptr, icon) << size << " px at " << entry.bitCount << " bpp does not decode";
        ICONINFO info{};
        ASSERT_TRUE(GetIconInfo(icon, &info));
        BITMAP colour{};
        GetObjectW(info.hbmColor ? info.hbmColor : info.hbmMask, sizeof colour, &colour);
        EXPECT_EQ(size, colour.bmWidth) << entry.bitCount << " bpp";
        EXPECT_EQ(info.hbmColor ? size : 2 * size, colour.bmHeight) << entry.bitCount << " bpp";
        if (info.hbmColor) DeleteObject(info.hbmColor);
        if (info.hbmMask) DeleteObject(info.hbmMask);
        DestroyIcon(icon);
    }

    const std::vector<std::pair<int, int>> expected = {
        {256, 8}, {48, 8}, {32, 8}, {16, 8}, {256, 32}, {128, 32},
        {96, 32}, {72, 32}, {64, 32}, {48, 32}, {32, 32}, {16, 32}};
    EXPECT_EQ(imageList(expected), imageList(found));
}

TEST_F(ProgramFile, IconLoadsAtTheWindowsSizes) {
    for (int size : {16, 32}) {
        HANDLE icon = LoadImageW(module_.get(), L"DEFAULT_ICON", IMAGE_ICON, size, size, 0);
        ASSERT_NE(nullptr, icon) << size << " px";
        ICONINFO info{};
        ASSERT_TRUE(GetIconInfo(static_cast<HICON>(icon), &info));
        BITMAP colour{};
        GetObjectW(info.hbmColor, sizeof colour, &colour);
        EXPECT_EQ(size, colour.bmWidth);
        DeleteObject(info.hbmColor);
        DeleteObject(info.hbmMask);
        DestroyIcon(static_cast<HICON>(icon));
    }
}

std::wstring versionString(const std::vector<BYTE>& block, const std::wstring& name) {
    void* value = nullptr;
    UINT length = 0;
    const std::wstring path = L"\\StringFileInfo\\080404B0\\" + name;
    if (!VerQueryValueW(block.data(), path.c_str(), &value, &length) || !value) return L"<none>";
    return std::wstring(static_cast<const wchar_t*>(value));
}

std::string narrow(const std::wstring& text) {
    return std::string(text.begin(), text.end());  // the values compared here are ASCII
}

TEST(ProgramVersion, FixedPartStringsAndTranslation) {
    const std::wstring path = programPath();
    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeW(path.c_str(), &ignored);
    ASSERT_NE(0u, size) << "no version information, error " << GetLastError();
    std::vector<BYTE> block(size);
    ASSERT_TRUE(GetFileVersionInfoW(path.c_str(), 0, size, block.data()));

    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueW(block.data(), L"\\", reinterpret_cast<void**>(&fixed), &length));
    ASSERT_GE(length, sizeof(VS_FIXEDFILEINFO));
    EXPECT_EQ(0xFEEF04BDu, fixed->dwSignature);
    EXPECT_EQ(0x00010000u, fixed->dwFileVersionMS);
    EXPECT_EQ(0u, fixed->dwFileVersionLS);
    EXPECT_EQ(0x00010000u, fixed->dwProductVersionMS);
    EXPECT_EQ(0u, fixed->dwProductVersionLS);
    EXPECT_EQ(static_cast<DWORD>(VFT_APP), fixed->dwFileType);
    EXPECT_EQ(static_cast<DWORD>(VOS__WINDOWS32), fixed->dwFileOS & 0xFFFFu)
        << std::hex << fixed->dwFileOS;

    const struct {
        const wchar_t* name;
        const char* value;
    } strings[] = {{L"FileVersion", "1.0.0.0"},
                   {L"ProductVersion", "1.0.0.0"},
                   {L"FileDescription", "Kelvane"},
                   {L"ProductName", "Kelvane"},
                   {L"Comments", "Kelvane"}};
    for (const auto& s : strings) {
        EXPECT_EQ(s.value, narrow(versionString(block, s.name))) << narrow(s.name);
    }

    WORD* translation = nullptr;
    ASSERT_TRUE(VerQueryValueW(block.data(), L"\\VarFileInfo\\Translation",
                               reinterpret_cast<void**>(&translation), &length));
    ASSERT_EQ(4u, length) << "one language and code page pair";
    EXPECT_EQ(0x0804, translation[0]);
    EXPECT_EQ(1200, translation[1]);
}

// The attribute name="value" of one start tag, or "<none>".
std::string attribute(const std::string& tag, const std::string& name) {
    const std::string key = " " + name + "=\"";
    const size_t at = tag.find(key);
    if (at == std::string::npos) return "<none>";
    const size_t start = at + key.size();
    return tag.substr(start, tag.find('"', start) - start);
}

// The first start tag <element ...> whose text contains the marker, or "".
std::string startTag(const std::string& xml, const std::string& element,
                     const std::string& marker) {
    for (size_t at = xml.find("<" + element); at != std::string::npos;
         at = xml.find("<" + element, at + 1)) {
        const std::string tag = xml.substr(at, xml.find('>', at) - at + 1);
        if (tag.find(marker) != std::string::npos) return tag;
    }
    return "";
}

TEST_F(ProgramFile, ManifestAsksForAdministratorAndCommonControlsSix) {
    const std::vector<BYTE> bytes = resourceBytes(module_.get(), RT_MANIFEST, MAKEINTRESOURCEW(1));
    ASSERT_FALSE(bytes.empty()) << "no manifest with id 1";
    const std::string xml(bytes.begin(), bytes.end());

    const std::string level = startTag(xml, "requestedExecutionLevel", "level=");
    EXPECT_EQ("requireAdministrator", attribute(level, "level")) << level;
    EXPECT_EQ("false", attribute(level, "uiAccess")) << level;

    const std::string controls =
        startTag(xml, "assemblyIdentity", "\"Microsoft.Windows.Common-Controls\"");
    ASSERT_FALSE(controls.empty()) << "no dependency on the common controls";
    EXPECT_NE(std::string::npos, xml.find("<dependentAssembly>")) << xml;
    EXPECT_EQ("win32", attribute(controls, "type"));
    EXPECT_EQ("6.0.0.0", attribute(controls, "version"));
    // The program is 32-bit; a 64-bit test build names its own architecture.
    EXPECT_EQ(sizeof(void*) == 8 ? "amd64" : "x86", attribute(controls, "processorArchitecture"));
    EXPECT_EQ("6595b64144ccf1df", attribute(controls, "publicKeyToken"));
    EXPECT_EQ("*", attribute(controls, "language"));

    std::string lower = xml;
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    EXPECT_EQ(std::string::npos, lower.find("dpiaware")) << "the manifest has a DPI entry";
}

// The names of the DLLs in the import directory of a PE file, 32- or 64-bit, lower case.
std::vector<std::string> importedDlls(const std::vector<char>& file) {
    auto read = [&](size_t offset, void* out, size_t size) {
        if (offset + size > file.size()) return false;
        std::memcpy(out, file.data() + offset, size);
        return true;
    };
    IMAGE_DOS_HEADER dos{};
    DWORD signature = 0;
    IMAGE_FILE_HEADER header{};
    if (!read(0, &dos, sizeof dos) || dos.e_magic != IMAGE_DOS_SIGNATURE) return {};
    if (!read(dos.e_lfanew, &signature, sizeof signature) || signature != IMAGE_NT_SIGNATURE) return {};
    const size_t optional = dos.e_lfanew + sizeof signature + sizeof header;
    if (!read(dos.e_lfanew + sizeof signature, &header, sizeof header)) return {};
    // The two optional headers differ in size before their data directories.
    WORD magic = 0;
    if (!read(optional, &magic, sizeof magic)) return {};
    const size_t directories =
        optional + (magic == IMAGE_NT_OPTIONAL_HDR64_MAGIC
                        ? offsetof(IMAGE_OPTIONAL_HEADER64, DataDirectory)
                        : offsetof(IMAGE_OPTIONAL_HEADER32, DataDirectory));
    IMAGE_DATA_DIRECTORY directory[IMAGE_NUMBEROF_DIRECTORY_ENTRIES]{};
    if (!read(directories, directory, sizeof directory)) return {};
    std::vector<IMAGE_SECTION_HEADER> sections(header.NumberOfSections);
    const size_t sectionTable = optional + header.SizeOfOptionalHeader;
    if (!read(sectionTable, sections.data(), sections.size() * sizeof(IMAGE_SECTION_HEADER)))
        return {};
    auto fileOffset = [&](DWORD rva) -> size_t {
        for (const auto& s : sections) {
            if (rva >= s.VirtualAddress && rva < s.VirtualAddress + s.Misc.VirtualSize) {
                return rva - s.VirtualAddress + s.PointerToRawData;
            }
        }
        return file.size();
    };

    std::vector<std::string> names;
    const DWORD importRva = directory[IMAGE_DIRECTORY_ENTRY_IMPORT].VirtualAddress;
    for (size_t at = fileOffset(importRva);; at += sizeof(IMAGE_IMPORT_DESCRIPTOR)) {
        IMAGE_IMPORT_DESCRIPTOR entry{};
        if (!read(at, &entry, sizeof entry) || entry.Name == 0) break;
        const size_t name = fileOffset(entry.Name);
        if (name >= file.size()) break;
        const char* start = file.data() + name;
        std::string dll(start, std::find(start, file.data() + file.size(), '\0'));
        std::transform(dll.begin(), dll.end(), dll.begin(),
                       [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
        names.push_back(dll);
    }
    if (directory[IMAGE_DIRECTORY_ENTRY_DELAY_IMPORT].VirtualAddress != 0) {
        names.push_back("<delay-load imports>");
    }
    return names;
}

TEST(ProgramImports, OnlySystemDlls) {
    std::ifstream in(programPath().c_str(), std::ios::binary);
    ASSERT_TRUE(in) << "cannot open " << std::string(KELVANE_EXE_PATH);
    const std::vector<char> file((std::istreambuf_iterator<char>(in)),
                                 std::istreambuf_iterator<char>());

    const std::vector<std::string> dlls = importedDlls(file);
    ASSERT_FALSE(dlls.empty()) << "no import directory found";
    EXPECT_NE(dlls.end(), std::find(dlls.begin(), dlls.end(), "kernel32.dll"));
    // Windows' own DLLs, found in the system folder whatever lies beside the program.
    const std::set<std::string> system = {
        "kernel32.dll", "user32.dll",   "gdi32.dll",    "comctl32.dll", "shell32.dll",
        "ole32.dll",    "oleaut32.dll", "advapi32.dll", "msvcrt.dll",   "shlwapi.dll",
        "version.dll",  "comdlg32.dll", "uxtheme.dll"};
    for (const std::string& dll : dlls) {
        EXPECT_TRUE(system.count(dll)) << dll << " is not a system DLL";
    }
}

}  // namespace
