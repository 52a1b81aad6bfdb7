// File-system helpers: path parts, extension changes, case-insensitive lookup
// of companion files, and writing a file so that a failed write never
// destroys the previous version.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace kelmar {

std::string ExpandFileName(const std::string& path);  // absolute, normalised
std::string ExtractFilePath(const std::string& path); // directory with trailing '/'
std::string ExtractFileName(const std::string& path); // name and extension
std::string ExtractFileExt(const std::string& path);  // ".DAT", or "" when none
std::string ChangeFileExt(const std::string& path, std::string_view ext);
bool FileExists(const std::string& path); // a regular file
bool DirectoryExists(const std::string& path);

// The exact name if it exists, else a file of the same directory whose name
// matches case-insensitively, else "".
std::string FindFileCaseInsensitive(const std::string& path);

// Regular files of a directory whose extension matches ext case-insensitively
// (ext with its dot, e.g. ".DAT"), sorted by name.
std::vector<std::string> ListFiles(const std::string& dir, std::string_view ext);

bool EqualsIgnoreCase(std::string_view a, std::string_view b);

// Writes text to a temporary file in the target's directory and renames it
// over the target when complete, then syncs the directory. A symbolic link is
// followed: its target is replaced and the link kept. The new file keeps the
// replaced file's permission bits. A write-protected target (no write bit set)
// is refused. Throws FileError; the target is untouched on failure.
void WriteFileAtomic(const std::string& path, std::string_view text);

} // namespace kelmar
