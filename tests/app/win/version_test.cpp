// The programs carry the project's one version everywhere a person or the platform reads one: the
// version resource (file and product version), the manifest's assembly identity, and, as major.minor,
// the window title "(v 1.1)" of the window description. Read from the built executables as
// resources, the way Explorer and the loader read them.
#include <windows.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <regex>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

fs::path ProgramFolder() {
    wchar_t path[MAX_PATH];
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    return fs::path(path).parent_path();
}

class Resources {
public:
    explicit Resources(const fs::path& exe)
        : module_(LoadLibraryExW(exe.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE)) {}
    ~Resources() {
        if (module_) FreeLibrary(module_);
    }
    Resources(const Resources&) = delete;
    Resources& operator=(const Resources&) = delete;

    explicit operator bool() const { return module_ != nullptr; }

    std::string Bytes(const wchar_t* type, const wchar_t* name) const {
        HRSRC found = FindResourceW(module_, name, type);
        if (!found) return {};
        HGLOBAL loaded = LoadResource(module_, found);
        const auto* data = static_cast<const char*>(LockResource(loaded));
        return data ? std::string(data, SizeofResource(module_, found)) : std::string();
    }

private:
    HMODULE module_;
};

std::string FixedFileVersion(const fs::path& exe, bool product) {
    DWORD ignored = 0;
    std::vector<char> block(GetFileVersionInfoSizeW(exe.c_str(), &ignored));
    VS_FIXEDFILEINFO* info = nullptr;
    UINT length = 0;
    if (block.empty() || !GetFileVersionInfoW(exe.c_str(), 0, static_cast<DWORD>(block.size()), block.data()) ||
        !VerQueryValueW(block.data(), L"\\", reinterpret_cast<void**>(&info), &length))
        return "none";
    const DWORD ms = product ? info->dwProductVersionMS : info->dwFileVersionMS;
    const DWORD ls = product ? info->dwProductVersionLS : info->dwFileVersionLS;
    return std::to_string(HIWORD(ms)) + "." + std::to_string(LOWORD(ms)) + "." + std::to_string(HIWORD(ls)) + "." +
           std::to_string(LOWORD(ls));
}

std::string MajorMinor(const std::string& version) {
    return version.substr(0, version.find('.', version.find('.') + 1));
}

class ProgramVersion : public testing::TestWithParam<const wchar_t*> {};

TEST_P(ProgramVersion, IsTheProjectsInTheVersionResourceAndTheManifest) {
    const fs::path exe = ProgramFolder() / GetParam();
    ASSERT_TRUE(fs::exists(exe)) << exe.string();
    EXPECT_EQ(FixedFileVersion(exe, false), WIZARD_PROJECT_VERSION);
    EXPECT_EQ(FixedFileVersion(exe, true), WIZARD_PROJECT_VERSION);

    Resources resources(exe);
    ASSERT_TRUE(resources);
    const std::string manifest = resources.Bytes(RT_MANIFEST, MAKEINTRESOURCEW(1));
    std::smatch identity;
    ASSERT_TRUE(std::regex_search(manifest, identity, std::regex(R"re(<assemblyIdentity[^>]*\sversion="([^"]*)")re")))
        << manifest.substr(0, 300);
    EXPECT_EQ(identity[1].str(), WIZARD_PROJECT_VERSION);
}

INSTANTIATE_TEST_SUITE_P(Kit, ProgramVersion, testing::Values(L"CriaBD.exe", L"VerificaBD.exe"));

TEST(WindowTitle, NamesTheProjectsMajorAndMinorVersion) {
    Resources resources(ProgramFolder() / L"CriaBD.exe");
    ASSERT_TRUE(resources);
    const std::string description = resources.Bytes(RT_RCDATA, L"MAIN_DESCRIPTION");
    std::smatch title;
    ASSERT_TRUE(std::regex_search(description, title, std::regex(R"re(\n\s*Caption = "[^"\n]*\(v ([0-9.]+)\)")re")));
    EXPECT_EQ(title[1].str(), MajorMinor(WIZARD_PROJECT_VERSION));
}

}  // namespace
