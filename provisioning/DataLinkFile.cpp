#include "provisioning/DataLinkFile.h"

#include <climits>
#include <stdexcept>

namespace prov {
namespace {

constexpr std::string_view kSectionLine = "[oledb]";
constexpr std::string_view kCommentLine = "; Everything after this line is an OLE DB initstring";

}  // namespace

int WideLineArea::EncodeWideLine(std::string_view line) {
    const std::u16string units = widen_(line);
    if (units.size() > (static_cast<std::size_t>(INT_MAX) - 4) / 2) {
        throw std::length_error("line too long for the data link file");
    }
    const std::size_t count = units.size() * 2 + 4;
    if (area_.size() < count + 1) area_.resize(count + 1);
    std::uint8_t* out = area_.data();
    for (char16_t unit : units) {
        *out++ = static_cast<std::uint8_t>(unit & 0xFF);
        *out++ = static_cast<std::uint8_t>(unit >> 8);
    }
    for (std::uint8_t byte : {0x0D, 0x00, 0x0A, 0x00, 0x00}) *out++ = byte;
    return static_cast<int>(count);
}

std::span<const std::uint8_t> WideLineArea::Bytes(int count) const {
    return std::span<const std::uint8_t>(area_).first(static_cast<std::size_t>(count));
}

std::string DataLinkFilePath(std::string_view folder, std::string_view productName) {
    std::string path(folder);
    path += productName;
    path += ".udl";
    return path;
}

std::vector<std::uint8_t> DataLinkFileBytes(std::string_view connectionString, WidenFunction widen) {
    WideLineArea area(widen);
    std::vector<std::uint8_t> file = {0xFF, 0xFE};
    for (std::string_view line : {kSectionLine, kCommentLine, connectionString}) {
        const std::span<const std::uint8_t> bytes = area.Bytes(area.EncodeWideLine(line));
        file.insert(file.end(), bytes.begin(), bytes.end());
    }
    return file;
}

std::optional<DataLinkWriteFailure> WriteDataLinkFile(std::string_view folder, std::string_view productName,
                                                      const ConnectionSettings& settings, Files& files, WidenFunction widen) {
    std::string path = DataLinkFilePath(folder, productName);
    std::optional<std::string> reason = files.ReplaceFileBytes(path, DataLinkFileBytes(DatabaseConnectionString(settings), widen));
    if (!reason) return std::nullopt;
    return DataLinkWriteFailure{std::move(path), std::move(*reason)};
}

}  // namespace prov
