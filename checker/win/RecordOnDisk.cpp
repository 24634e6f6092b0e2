#include "checker/win/RecordOnDisk.h"

#include <sddl.h>
#include <shlobj.h>
#include <knownfolders.h>

#include <cstdio>

#include "base/win/AnsiText.h"
#include "provisioning/win/Win32Services.h"

namespace checker {

RecordOnDisk::RecordOnDisk() {
    wchar_t* common = nullptr;
    std::string root = "C:\\ProgramData";
    if (SUCCEEDED(SHGetKnownFolderPath(FOLDERID_ProgramData, 0, nullptr, &common)) && common) root = base::Narrow(std::wstring_view(common));
    CoTaskMemFree(common);
    folder_ = root + "\\CriaBD";
    path_ = folder_ + "\\VerificaBD-alteracoes.txt";
}

bool RecordOnDisk::Open() {
    if (file_) return true;
    // Its folder made writable by administrators only (users may read): /desfazer, run as an
    // administrator, acts on what the record says.
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    SECURITY_ATTRIBUTES attributes{sizeof attributes, nullptr, FALSE};
    if (ConvertStringSecurityDescriptorToSecurityDescriptorW(L"D:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICI;FRFX;;;BU)",
                                                             SDDL_REVISION_1, &descriptor, nullptr))
        attributes.lpSecurityDescriptor = descriptor;
    CreateDirectoryA(folder_.c_str(), &attributes);
    LocalFree(descriptor);
    file_.Reset(CreateFileA(path_.c_str(), FILE_APPEND_DATA | GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file_) return false;
    const HANDLE file = file_.Get();
    LARGE_INTEGER size{};
    GetFileSizeEx(file, &size);
    std::string start;
    if (size.QuadPart == 0) {
        start = RecordHeader();
    } else {
        // A last line cut short (the program stopped while writing it) keeps a line of its own.
        LARGE_INTEGER last{};
        last.QuadPart = size.QuadPart - 1;
        char byte = 0;
        DWORD read = 0;
        if (SetFilePointerEx(file, last, nullptr, FILE_BEGIN) && ReadFile(file, &byte, 1, &read, nullptr) && read == 1 &&
            byte != '\n')
            start = "\n";
    }
    DWORD written = 0;
    return start.empty() || (WriteFile(file, start.data(), static_cast<DWORD>(start.size()), &written, nullptr) &&
                             written == start.size());
}

bool RecordOnDisk::Append(std::string_view line) {
    if (!Open()) return false;
    DWORD written = 0;
    return WriteFile(file_.Get(), line.data(), static_cast<DWORD>(line.size()), &written, nullptr) &&
           written == line.size() && FlushFileBuffers(file_.Get());
}

std::string RecordOnDisk::Now() const {
    SYSTEMTIME t{};
    GetLocalTime(&t);
    char text[32];
    std::snprintf(text, sizeof text, "%04u-%02u-%02u %02u:%02u:%02u", t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute, t.wSecond);
    return text;
}

std::string RecordOnDisk::Read(std::string& error) const {
    const OwnedFile file(CreateFileA(path_.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                     OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) {
        if (GetLastError() != ERROR_FILE_NOT_FOUND && GetLastError() != ERROR_PATH_NOT_FOUND)
            error = prov::SystemErrorText(GetLastError());
        return {};
    }
    std::string text;
    char buffer[4096];
    DWORD read = 0;
    while (ReadFile(file.Get(), buffer, sizeof buffer, &read, nullptr) && read > 0) text.append(buffer, read);
    return text;
}

}  // namespace checker
