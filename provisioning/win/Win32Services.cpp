#include "provisioning/win/Win32Services.h"

#include <windows.h>

#include <limits>
#include <stdexcept>
#include <vector>

namespace prov {
namespace {

// Owns a file handle for the length of one call.
class FileHandle {
public:
    explicit FileHandle(HANDLE handle) : handle_(handle) {}
    FileHandle(const FileHandle&) = delete;
    FileHandle& operator=(const FileHandle&) = delete;
    ~FileHandle() {
        if (valid()) CloseHandle(handle_);
    }
    bool valid() const { return handle_ != INVALID_HANDLE_VALUE; }
    HANDLE get() const { return handle_; }

private:
    HANDLE handle_;
};

constexpr DWORD kMaxChunk = 1u << 30;

}  // namespace

std::string ProgramFolder() {
    std::vector<char> buffer(MAX_PATH);
    for (;;) {
        const DWORD length = GetModuleFileNameA(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (length == 0) return {};
        if (length < buffer.size()) {
            std::string path(buffer.data(), length);
            const std::size_t separator = path.find_last_of("\\/:");
            return separator == std::string::npos ? std::string() : path.substr(0, separator + 1);
        }
        buffer.resize(buffer.size() * 2);
    }
}

std::string SystemErrorText(unsigned long error) {
    char* text = nullptr;
    const DWORD length = FormatMessageA(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, error, 0,
        reinterpret_cast<char*>(&text), 0, nullptr);
    std::string message = length != 0 && text != nullptr ? std::string(text, length) : std::string();
    if (text != nullptr) LocalFree(text);
    // The report that shows it adds its own full stop.
    while (!message.empty() && (static_cast<unsigned char>(message.back()) <= ' ' || message.back() == '.')) {
        message.pop_back();
    }
    if (message.empty()) message = "System error " + std::to_string(error);
    return message;
}

namespace {

// Writes every byte to the open file and flushes it to the disk; the system's text on failure.
std::optional<std::string> WriteAll(HANDLE file, std::span<const std::uint8_t> bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(bytes.size() - done, kMaxChunk));
        DWORD written = 0;
        if (!WriteFile(file, bytes.data() + done, chunk, &written, nullptr)) return SystemErrorText(GetLastError());
        if (written == 0) return SystemErrorText(ERROR_WRITE_FAULT);
        done += written;
    }
    // The move below must not put in place a file whose bytes are still on their way.
    if (!FlushFileBuffers(file)) return SystemErrorText(GetLastError());
    return std::nullopt;
}

}  // namespace

std::optional<std::string> Win32Files::ReplaceFileBytes(const std::string& path,
                                                        std::span<const std::uint8_t> bytes) noexcept {
    try {
        const std::string fresh = path + std::string(kNewFileSuffix);
        std::optional<std::string> failure;
        {
            // A leftover of an interrupted write goes first: the new file is made afresh.
            DeleteFileA(fresh.c_str());
            FileHandle file(CreateFileA(fresh.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL,
                                        nullptr));
            if (!file.valid()) return SystemErrorText(GetLastError());
            failure = WriteAll(file.get(), bytes);
        }
        // The rename replaces a hidden file too, and the file keeps the new one's normal
        // attributes; a read-only file, or one another program holds open, is refused and stays.
        if (!failure && !MoveFileExA(fresh.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
            failure = SystemErrorText(GetLastError());
        }
        if (failure) DeleteFileA(fresh.c_str());
        return failure;
    } catch (...) {  // no memory for a path or a text
        return std::string("System error");
    }
}

namespace {

// Opened for reading, letting others read but not write it.
HANDLE OpenForReading(const std::string& path) {
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) throw FileOpenError(path, SystemErrorText(GetLastError()));
    return file;
}

}  // namespace

std::string Win32Files::ReadAllBytes(const std::string& path) {
    FileHandle file(OpenForReading(path));
    std::string bytes;
    LARGE_INTEGER size{};
    if (GetFileSizeEx(file.get(), &size) && size.QuadPart > 0) bytes.reserve(static_cast<std::size_t>(size.QuadPart));
    std::vector<char> chunk(1u << 20);
    for (;;) {
        DWORD read = 0;
        if (!ReadFile(file.get(), chunk.data(), static_cast<DWORD>(chunk.size()), &read, nullptr)) {
            throw std::runtime_error("Cannot read file \"" + path + "\". " + SystemErrorText(GetLastError()));
        }
        if (read == 0) break;
        bytes.append(chunk.data(), read);
    }
    return bytes;
}

std::optional<ProductVersion> Win32VersionReader::ReadProductVersion(std::string_view productName) {
    const std::string path = folder_ + std::string(productName) + ".exe";
    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeA(path.c_str(), &ignored);
    if (size == 0) return std::nullopt;
    std::vector<BYTE> block(size);
    if (!GetFileVersionInfoA(path.c_str(), 0, size, block.data())) return std::nullopt;
    void* root = nullptr;
    UINT length = 0;
    if (!VerQueryValueA(block.data(), "\\", &root, &length) || root == nullptr ||
        length < sizeof(VS_FIXEDFILEINFO)) {
        return std::nullopt;
    }
    const auto* info = static_cast<const VS_FIXEDFILEINFO*>(root);
    return ProductVersion{HIWORD(info->dwFileVersionMS), LOWORD(info->dwFileVersionMS)};
}

void Win32Sleeper::Sleep(std::chrono::milliseconds duration) {
    ::Sleep(static_cast<DWORD>(duration.count()));
}

}  // namespace prov
