#pragma once
// The data link file's connection opened as the product opens it: through the platform's data
// link service (OLE DB), with the provider the file names, bounded by a login time-out.

#include <chrono>
#include <string>
#include <vector>

#include "checker/Causes.h"

namespace checker {

struct DataLinkOpen {
    enum class Outcome { Connected, ProviderMissing, Failed } outcome = Outcome::Failed;
    std::vector<ServerMessage> messages;  // what the provider said when it failed
};

DataLinkOpen OpenDataLink(const std::string& connectionString, std::chrono::seconds loginTimeout);

}  // namespace checker
