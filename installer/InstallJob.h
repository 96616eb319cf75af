#pragma once

#include <string>
#include <string_view>

#include "installer/PathParts.h"
#include "platform/Platform.h"

namespace tolma {

// Creates a folder and its missing parents, outermost first. Never raises: a folder that
// cannot be created shows up when the first file in it cannot be created.
void SafeForceDirectories(platform::FileSystem& files, std::string_view folder,
                          const LeadByteTest& isLead);

// Creates or replaces the file, writes all of content with one write and stamps its last-write
// time. EFileCreateError when the file cannot be created, EFileWriteError when the write
// stores fewer bytes than content holds.
void WriteFileWithTime(platform::FileSystem& files, std::string_view content,
                       const std::string& path, platform::FileTime fileTime);

}  // namespace tolma
