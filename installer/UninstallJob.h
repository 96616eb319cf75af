#pragma once

#include <string>
#include <string_view>

#include "installer/PathParts.h"
#include "platform/Platform.h"

namespace tolma {

// Deletes everything inside the folder, then the folder itself, reporting nothing. Links
// (reparse points) are removed as links and never followed, so their targets survive.
void DeleteFolderTree(platform::FileSystem& files, const std::string& folder,
                      const LeadByteTest& isLead);

// The folder of a ledger name: up to and including its last delimiter, ending in "\".
std::string LedgerNameFolder(std::string_view name, const LeadByteTest& isLead);

// Whether the folder is the install root or lies inside it. Names with "." or ".." segments, a
// "/" or more than one ":" are never inside; letter case is not significant.
bool IsInsideInstallRoot(std::string_view folder, std::string_view installRoot,
                         const LeadByteTest& isLead);

}  // namespace tolma
