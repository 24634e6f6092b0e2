#include "checker/win/FolderFacts.h"

#include "checker/win/Owned.h"  // winsock2.h before windows.h

#include "provisioning/ScriptText.h"
#include "provisioning/win/Win32Services.h"

namespace checker {
namespace {

constexpr prov::Product kProducts[] = {prov::Product::VelmoCafe, prov::Product::VelmoFact, prov::Product::VelmoPos,
                                       prov::Product::VelmoRest};

bool Exists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

// A file of its own, with a unique name, removed when closed.
std::optional<std::string> NewFileError(const std::string& folder) {
    const std::string probe = folder + "VerificaBD-" + std::to_string(GetCurrentProcessId()) + "-" +
                              std::to_string(GetTickCount64()) + ".tmp";
    const OwnedFile file(CreateFileA(probe.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                     FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr));
    DWORD written = 0;
    if (file && WriteFile(file.Get(), "x", 1, &written, nullptr) && written == 1) return std::nullopt;
    return prov::SystemErrorText(GetLastError());
}

// Opened for deleting only to see whether it could be: the wizard moves its new file over this one.
std::optional<std::string> DeleteRefused(const std::string& path) {
    const OwnedFile file(CreateFileA(path.c_str(), DELETE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                     OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (file) return std::nullopt;
    return prov::SystemErrorText(GetLastError());
}

}  // namespace

FolderFacts ReadFolderFacts(const std::string& folder) {
    FolderFacts facts;
    facts.folder = folder;
    facts.newFileError = NewFileError(folder);
    prov::Win32Files files;
    for (std::string_view script : {prov::kSchemaScript, prov::kDefaultDataScript, prov::kDemoDataScript}) {
        FolderFacts::Script read{std::string(script), std::nullopt, {}};
        try {
            read.bytes = files.ReadAllBytes(folder + read.name);
        } catch (const std::exception& e) {
            read.readError = e.what();
        }
        facts.scripts.push_back(std::move(read));
    }
    prov::Win32VersionReader versions(folder);
    for (prov::Product product : kProducts) {
        const std::string name(prov::ProductName(product));
        if (Exists(folder + name + ".exe")) facts.executables.push_back({product, versions.ReadProductVersion(name)});
    }
    for (prov::Product product : kProducts) {
        FolderFacts::DataLink udl;
        udl.name = std::string(prov::ProductName(product)) + ".udl";
        const std::string path = folder + udl.name;
        const DWORD attributes = GetFileAttributesA(path.c_str());
        if (attributes == INVALID_FILE_ATTRIBUTES) continue;
        udl.readOnly = (attributes & FILE_ATTRIBUTE_READONLY) != 0;
        if (!udl.readOnly) udl.notReplaceable = DeleteRefused(path);
        if (!udl.readOnly && !udl.notReplaceable) {
            try {
                const std::string bytes = files.ReadAllBytes(path);
                udl.bytes.emplace(bytes.begin(), bytes.end());
            } catch (const std::exception& e) {
                udl.readError = e.what();
            }
        }
        facts.dataLinks.push_back(std::move(udl));
    }
    return facts;
}

}  // namespace checker
