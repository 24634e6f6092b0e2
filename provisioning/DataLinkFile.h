#pragma once
// The OLE DB data link file <wizard folder><product>.udl, written when the wizard reaches its
// review page. Little-endian UTF-16 after the byte-order mark, three lines:
//   FF FE
//   "[oledb]" CR LF                                                 (18 bytes)
//   "; Everything after this line is an OLE DB initstring" CR LF    (108 bytes)
//   the database connection string CR LF                            (2n + 4 bytes)
// 132 + 2n bytes in all for an n-unit connection string; nothing follows the third line.
//
// The single-byte text is widened through the ANSI code page (Windows-1252 by default here), the
// same conversion the connection itself goes through, so the file holds exactly the string the
// wizard connected with: the euro sign, byte 80, becomes U+20AC (AC 20); bytes that the code
// page maps to the same value ("ç", E7) become E7 00.

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "provisioning/WidenFunction.h"
#include "provisioning/ConnectionString.h"
#include "provisioning/Files.h"

namespace prov {

// One area, shared by the lines of a file, that grows to fit the longest line encoded into it.
class WideLineArea {
public:
    explicit WideLineArea(WidenFunction widen = base::Cp1252ToUtf16) : widen_(widen) {}

    // Encodes `line` followed by CR LF at the start of the area, then one zero byte that is not
    // counted; returns the count, 2n + 4 for a line of n UTF-16 units (4 for an empty line).
    // Throws std::length_error when the count would not fit an int.
    int EncodeWideLine(std::string_view line);

    // The first `count` bytes of the area (count as returned by EncodeWideLine).
    std::span<const std::uint8_t> Bytes(int count) const;

private:
    WidenFunction widen_;
    std::vector<std::uint8_t> area_;
};

std::string DataLinkFilePath(std::string_view folder, std::string_view productName);

// The whole file for a database connection string.
std::vector<std::uint8_t> DataLinkFileBytes(std::string_view connectionString, WidenFunction widen = base::Cp1252ToUtf16);

// Writes the file for the settings (server as on the review page): builds the path and the
// database connection string and replaces the file through `files`. Nothing is thrown; a file that
// could not be written gives its path and the system's reason, for the caller to report.
struct DataLinkWriteFailure {
    std::string path;
    std::string reason;
};
std::optional<DataLinkWriteFailure> WriteDataLinkFile(std::string_view folder, std::string_view productName, const ConnectionSettings& settings,
                       Files& files, WidenFunction widen = base::Cp1252ToUtf16);

}  // namespace prov
