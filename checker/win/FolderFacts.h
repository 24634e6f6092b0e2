#pragma once
// The wizard's folder as it is on disk (checker/FolderFindings.h judges it): whether a new file
// can be made there (made and removed at once: the only file the checker ever writes), the
// script files' bytes, the products' executables and versions, and each data link file's bytes
// and whether it can be opened for deleting, as the wizard's move over it needs.

#include <string>

#include "checker/FolderFindings.h"

namespace checker {

FolderFacts ReadFolderFacts(const std::string& folder);

}  // namespace checker
