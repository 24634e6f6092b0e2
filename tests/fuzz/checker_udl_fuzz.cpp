// The bytes of a data link file on arbitrary input: the check never crashes; a file it accepts
// is exactly the wizard's file for the connection string it read back, and its finding never
// holds the password.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>
#include <vector>

#include "checker/DataLinkCheck.h"
#include "provisioning/DataLinkFile.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::span<const std::uint8_t> bytes(data, size);
    const checker::DataLinkCheck check = checker::CheckDataLinkBytes("VelmoPos.udl", bytes);
    if (check.contents) {
        const std::vector<std::uint8_t> again = prov::DataLinkFileBytes(check.contents->connectionString);
        if (again.size() != size || !std::equal(again.begin(), again.end(), data)) std::abort();
        const std::string& password = check.contents->settings.password;
        if (password.size() >= 4 && check.finding.text.find(password) != std::string::npos) std::abort();
        if (password.size() >= 4 && checker::MaskPassword(check.contents->connectionString).find(password) != std::string::npos)
            std::abort();
    }
    return 0;
}
