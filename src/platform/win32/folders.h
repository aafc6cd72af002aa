#pragma once
// Making the folders of a path that Chorelin keeps private.

#include <string>

namespace platform::win {

// Creates the folder and any missing folders above it; the ones made here get the private
// security (this user and the system only). True when a folder is there afterwards.
bool makeFolders(const std::wstring& folder);

// The folder part of a native path ('\' or '/' separated), or "." for a bare name.
std::wstring folderOf(const std::wstring& path);

} // namespace platform::win
