// The Win32 seams of the provisioning against the real file system and version resources.

#include <gtest/gtest.h>

#include <windows.h>

#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "base/win/AnsiText.h"
#include "provisioning/DataLinkFile.h"
#include "provisioning/win/Win32Services.h"

namespace {

using namespace std::string_literals;

std::string TempFolder() {
    char buffer[MAX_PATH + 1];
    const DWORD length = GetTempPathA(sizeof buffer, buffer);
    std::string folder(buffer, length);
    folder += "prov_win32_services_" + std::to_string(GetCurrentProcessId()) + "\\";
    CreateDirectoryA(folder.c_str(), nullptr);
    return folder;
}

std::string ReadRaw(const std::string& path) {
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return "<missing>";
    std::string bytes(1 << 16, '\0');
    DWORD read = 0;
    ReadFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr);
    CloseHandle(file);
    bytes.resize(read);
    return bytes;
}

void WriteRaw(const std::string& path, const std::string& bytes, DWORD attributes = FILE_ATTRIBUTE_NORMAL) {
    SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE) << path;
    DWORD written = 0;
    WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    CloseHandle(file);
    SetFileAttributesA(path.c_str(), attributes);
}

bool RunningOnWine() { return GetProcAddress(GetModuleHandleA("ntdll.dll"), "wine_get_version") != nullptr; }

// A copy of this program carrying only a fixed version resource with the given file version.
bool MakeVersionedCopy(const std::string& path, WORD major, WORD minor, WORD release, WORD build) {
    char self[MAX_PATH];
    GetModuleFileNameA(nullptr, self, MAX_PATH);
    if (!CopyFileA(self, path.c_str(), FALSE)) return false;
    // VS_VERSIONINFO: length, value length, type, L"VS_VERSION_INFO", padding to 32 bits, the fixed info.
    std::vector<BYTE> block(6 + 32 + 2 + sizeof(VS_FIXEDFILEINFO));
    const WORD header[3] = {static_cast<WORD>(block.size()), sizeof(VS_FIXEDFILEINFO), 0};
    memcpy(block.data(), header, sizeof header);
    memcpy(block.data() + 6, L"VS_VERSION_INFO", 32);
    VS_FIXEDFILEINFO info{};
    info.dwSignature = 0xFEEF04BD;
    info.dwStrucVersion = 0x00010000;
    info.dwFileVersionMS = MAKELONG(minor, major);
    info.dwFileVersionLS = MAKELONG(build, release);
    info.dwProductVersionMS = MAKELONG(9, 9);  // the product version plays no part
    memcpy(block.data() + 40, &info, sizeof info);
    HANDLE update = BeginUpdateResourceA(path.c_str(), TRUE);
    if (update == nullptr) return false;
    if (!UpdateResourceA(update, MAKEINTRESOURCEA(16), MAKEINTRESOURCEA(1), MAKELANGID(LANG_NEUTRAL, SUBLANG_NEUTRAL),
                         block.data(), static_cast<DWORD>(block.size()))) {
        EndUpdateResourceA(update, TRUE);
        return false;
    }
    return EndUpdateResourceA(update, FALSE) != 0;
}

std::vector<std::uint8_t> Bytes(std::string_view text) { return {text.begin(), text.end()}; }

class Win32Services : public ::testing::Test {
protected:
    void TearDown() override {
        WIN32_FIND_DATAA found;
        HANDLE search = FindFirstFileA((folder_ + "*").c_str(), &found);
        if (search != INVALID_HANDLE_VALUE) {
            do {
                const std::string path = folder_ + found.cFileName;
                SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
                DeleteFileA(path.c_str());
            } while (FindNextFileA(search, &found));
            FindClose(search);
        }
        RemoveDirectoryA(folder_.c_str());
    }

    std::string folder_ = TempFolder();
    prov::Win32Files files_;
};

TEST_F(Win32Services, ReplacesPlainAndHiddenFilesButNotReadOnlyOnes) {
    struct Case {
        const char* label;
        DWORD attributes;  // of the file already there
        bool replaced;
    };
    const Case cases[] = {
        {"no file yet", 0, true},
        {"plain file", FILE_ATTRIBUTE_NORMAL, true},
        {"hidden file", FILE_ATTRIBUTE_HIDDEN, true},
        {"read-only file", FILE_ATTRIBUTE_READONLY, false},
    };
    for (const Case& c : cases) {
        if (c.attributes == FILE_ATTRIBUTE_READONLY && RunningOnWine()) continue;  // Wine deletes read-only files
        const std::string path = folder_ + "VelmoPos.udl";
        SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
        DeleteFileA(path.c_str());
        if (c.attributes != 0) WriteRaw(path, "old contents", c.attributes);
        const std::optional<std::string> failure = files_.ReplaceFileBytes(path, Bytes(std::string("\xFF\xFE[\0", 4)));
        EXPECT_EQ(failure.has_value(), !c.replaced) << c.label;
        EXPECT_EQ(ReadRaw(path), c.replaced ? std::string("\xFF\xFE[\0", 4) : "old contents") << c.label;
        if (c.replaced) {
            EXPECT_EQ(GetFileAttributesA(path.c_str()) & FILE_ATTRIBUTE_HIDDEN, 0u) << c.label;
        }
        SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
        DeleteFileA(path.c_str());
    }
}

// A file that cannot be written is not thrown about: the system's reason comes back for the
// caller to show, the old file stays byte for byte, and no new file is left beside it. The old
// file used to be deleted first: held open by a program that lets others delete it, it was gone
// once that program closed it.
TEST_F(Win32Services, AFailedWriteLeavesTheOldFileAsItWas) {
    EXPECT_EQ(files_.ReplaceFileBytes(folder_ + "no_such_folder\\VelmoPos.udl", Bytes("x")),
              prov::SystemErrorText(ERROR_PATH_NOT_FOUND));
    EXPECT_EQ(ReadRaw(folder_ + "no_such_folder\\VelmoPos.udl"), "<missing>");

    const std::string old = "\xFF\xFE[\0o\0l\0d\0"s;
    const std::string path = folder_ + "VelmoCafe.udl";
    const std::string fresh = path + std::string(prov::kNewFileSuffix);
    struct Case {
        const char* label;
        DWORD holderSharing;  // of a program holding the old file open
        bool newFileBlocked;  // a folder stands where the new file goes
        DWORD error;
    };
    const Case cases[] = {
        {"held open without sharing", 0, false, ERROR_ACCESS_DENIED},
        {"held open, deleting shared", FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, false, ERROR_ACCESS_DENIED},
        {"new file cannot be made", 0, true, ERROR_FILE_EXISTS},
    };
    for (const Case& c : cases) {
        WriteRaw(path, old);
        if (c.newFileBlocked) {
            ASSERT_TRUE(CreateDirectoryA(fresh.c_str(), nullptr)) << c.label;
        }
        HANDLE holder = c.newFileBlocked ? INVALID_HANDLE_VALUE
                                         : CreateFileA(path.c_str(), GENERIC_READ, c.holderSharing, nullptr,
                                                       OPEN_EXISTING, 0, nullptr);
        ASSERT_EQ(holder == INVALID_HANDLE_VALUE, c.newFileBlocked) << c.label;
        EXPECT_EQ(files_.ReplaceFileBytes(path, Bytes("new")), prov::SystemErrorText(c.error)) << c.label;
        if (holder != INVALID_HANDLE_VALUE) CloseHandle(holder);
        EXPECT_EQ(ReadRaw(path), old) << c.label;
        if (c.newFileBlocked) {
            RemoveDirectoryA(fresh.c_str());
        } else {
            EXPECT_EQ(GetFileAttributesA(fresh.c_str()), INVALID_FILE_ATTRIBUTES) << c.label << ": new file left";
        }
    }
    // A leftover of an interrupted write is no hindrance.
    WriteRaw(fresh, "half", FILE_ATTRIBUTE_HIDDEN);
    EXPECT_EQ(files_.ReplaceFileBytes(path, Bytes("new")), std::nullopt);
    EXPECT_EQ(ReadRaw(path), "new");
    EXPECT_EQ(GetFileAttributesA(fresh.c_str()), INVALID_FILE_ATTRIBUTES);
}

TEST_F(Win32Services, ReadsEveryByte) {
    std::string bytes(3 << 20, 'a');  // more than one read chunk
    bytes[0] = '\0';
    bytes.back() = '\x80';
    WriteRaw(folder_ + "DBScript.inf", bytes);
    EXPECT_EQ(files_.ReadAllBytes(folder_ + "DBScript.inf"), bytes);
    WriteRaw(folder_ + "empty.inf", "");
    EXPECT_EQ(files_.ReadAllBytes(folder_ + "empty.inf"), "");
}

TEST_F(Win32Services, UnopenableFileRaisesTheFileOpenError) {
    const std::string missing = folder_ + "DBDemo.inf";
    try {
        files_.ReadAllBytes(missing);
        FAIL() << "no error";
    } catch (const prov::FileOpenError& e) {
        const std::string prefix = "Cannot open file \"" + missing + "\". ";
        const std::string what = e.what();
        EXPECT_EQ(what.substr(0, prefix.size()), prefix);
        EXPECT_EQ(what.substr(prefix.size()), prov::SystemErrorText(ERROR_FILE_NOT_FOUND));
        EXPECT_NE(what.back(), '.') << "the report adds its own full stop";
        EXPECT_NE(what.back(), '\n');
    }
}

// Others may read the script meanwhile, but not write it.
TEST_F(Win32Services, ReadingSharesReadButNotWrite) {
    const std::string path = folder_ + "DBDefault.inf";
    WriteRaw(path, "INSERT");
    HANDLE reader = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(reader, INVALID_HANDLE_VALUE);
    EXPECT_EQ(files_.ReadAllBytes(path), "INSERT");
    CloseHandle(reader);
    HANDLE writer = CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                0, nullptr);
    ASSERT_NE(writer, INVALID_HANDLE_VALUE);
    EXPECT_THROW(files_.ReadAllBytes(path), prov::FileOpenError);
    CloseHandle(writer);
}

TEST_F(Win32Services, DataLinkFileThroughTheAnsiCodePage) {
    if (GetACP() != 1252) GTEST_SKIP() << "ANSI code page " << GetACP();
    prov::WriteDataLinkFile(folder_, "VelmoRest", {"srv", "sa", "\x80\xE7", "velmorest_1_0"}, files_, base::WidenToUtf16);
    const std::string file = ReadRaw(folder_ + "VelmoRest.udl");
    const std::string expected = "P\0a\0s\0s\0w\0o\0r\0d\0=\0\xAC\x20\xE7\0;\0"s;
    EXPECT_NE(file.find(expected), std::string::npos);
    EXPECT_EQ(file.size(), 132u + 2 * 115);
}

TEST_F(Win32Services, AnsiConversionsMatchTheWindows1252Table) {
    if (GetACP() != 1252) GTEST_SKIP() << "ANSI code page " << GetACP();
    std::string all;
    for (int byte = 1; byte < 256; ++byte) all += static_cast<char>(byte);
    EXPECT_EQ(base::WidenToUtf16(all), base::Cp1252ToUtf16(all));
    EXPECT_EQ(base::Narrow(base::WidenToUtf16(all)), all) << "every byte comes back";
    EXPECT_EQ(base::Narrow(std::wstring_view(L"a\u4E2Db")), "a?b") << "a character the code page lacks";
    EXPECT_EQ(base::WidenToUtf16(""), u"");
}

TEST_F(Win32Services, ProgramFolderHoldsThisProgram) {
    const std::string folder = prov::ProgramFolder();
    ASSERT_FALSE(folder.empty());
    EXPECT_EQ(folder.back(), '\\');
    char path[MAX_PATH];
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    EXPECT_EQ(std::string(path).rfind(folder, 0), 0u);
    EXPECT_EQ(std::string(path).find('\\', folder.size()), std::string::npos);
}

TEST_F(Win32Services, ProductVersionFromTheExecutablesResource) {
    struct Case {
        const char* product;
        WORD major, minor, release, build;
    };
    const Case cases[] = {{"VelmoPos", 5, 2, 0, 117}, {"VelmoFact", 10, 0, 3, 7}, {"VelmoRest", 65535, 65534, 1, 1}};
    for (const Case& c : cases) {
        ASSERT_TRUE(MakeVersionedCopy(folder_ + c.product + ".exe", c.major, c.minor, c.release, c.build)) << c.product;
        EXPECT_EQ(prov::Win32VersionReader(folder_).ReadProductVersion(c.product),
                  (prov::ProductVersion{c.major, c.minor}))
            << c.product;
    }
    EXPECT_EQ(prov::Win32VersionReader(folder_).ReadProductVersion("VelmoCafe"), std::nullopt) << "missing file";
    WriteRaw(folder_ + "VelmoCafe.exe", "MZ not really a program");
    EXPECT_EQ(prov::Win32VersionReader(folder_).ReadProductVersion("VelmoCafe"), std::nullopt) << "no resource";
    char self[MAX_PATH];
    GetModuleFileNameA(nullptr, self, MAX_PATH);
    CopyFileA(self, (folder_ + "VelmoCafe.exe").c_str(), FALSE);
    EXPECT_EQ(prov::Win32VersionReader(folder_).ReadProductVersion("VelmoCafe"), std::nullopt) << "program without version";
}

}  // namespace
