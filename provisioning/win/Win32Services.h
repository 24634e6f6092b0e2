#pragma once
// Win32 implementations of the provisioning seams that are not the database connection.

#include <string>
#include <string_view>

#include "provisioning/Files.h"
#include "provisioning/ProductVersion.h"
#include "provisioning/Sleeper.h"

namespace prov {

// The folder of the running executable, with its trailing path separator.
std::string ProgramFolder();

// The system's text for a Win32 error code (FormatMessageA), without its trailing line end.
std::string SystemErrorText(unsigned long error);

// The new file of ReplaceFileBytes is `path` + kNewFileSuffix, in the same folder (so that the
// move is a rename on one volume); a leftover of an interrupted write is replaced.
inline constexpr std::string_view kNewFileSuffix = ".new";

class Win32Files final : public Files {
public:
    std::optional<std::string> ReplaceFileBytes(const std::string& path,
                                                std::span<const std::uint8_t> bytes) noexcept override;
    std::string ReadAllBytes(const std::string& path) override;
};

class Win32VersionReader final : public VersionReader {
public:
    explicit Win32VersionReader(std::string folder) : folder_(std::move(folder)) {}
    std::optional<ProductVersion> ReadProductVersion(std::string_view productName) override;

private:
    std::string folder_;
};

class Win32Sleeper final : public Sleeper {
public:
    void Sleep(std::chrono::milliseconds duration) override;
};

}  // namespace prov
