#pragma once
// The files the provisioning touches: the data link file it writes and the scripts it reads, all
// in the wizard's own folder. Win32 implementation: provisioning/win/Win32Services.h.

#include <cstdint>
#include <optional>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>

namespace prov {

// The runtime's file-open error: "Cannot open file "<full path>". <system text>"
class FileOpenError : public std::runtime_error {
public:
    FileOpenError(std::string_view path, std::string_view systemText)
        : std::runtime_error(ComposeMessage(path, systemText)), path_(path) {}
    const std::string& Path() const noexcept { return path_; }

    static std::string ComposeMessage(std::string_view path, std::string_view systemText) {
        std::string message = "Cannot open file \"";
        message += path;
        message += "\". ";
        message += systemText;
        return message;
    }

private:
    std::string path_;
};

class Files {
public:
    virtual ~Files() = default;

    // Replaces the file at `path` with `bytes`, as one file with normal attributes. The bytes go
    // to a new file beside it, which takes the old one's place only once complete: whatever
    // fails, the old file stays byte for byte as it was. A failure is returned, never thrown: the
    // system's text for why the file could not be written or put in place.
    virtual std::optional<std::string> ReplaceFileBytes(const std::string& path,
                                                        std::span<const std::uint8_t> bytes) noexcept = 0;

    // Every byte of the file at `path`, opened for reading while letting others read but not
    // write it. Throws FileOpenError when it cannot be opened.
    virtual std::string ReadAllBytes(const std::string& path) = 0;
};

}  // namespace prov
