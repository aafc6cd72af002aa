#pragma once
// Whether an entry was opened as itself and not through a link. On Windows a handle opened with
// FILE_FLAG_OPEN_REPARSE_POINT is the link and says so in its attributes; some systems (Wine)
// follow a link all the same and report no reparse point, so the entry's final path is also
// compared with the path of the folder it was opened in.

#include <windows.h>

#include <string>

namespace platform::win {

// True when `entry` is the entry `name` of the open folder `folder`, and no reparse point.
bool openedAsItself(HANDLE entry, HANDLE folder, const std::wstring& name);
// True when `entry` was reached through a link that the system followed although it was asked
// not to: such a system also renames and removes the link's target instead of the link.
bool followedALink(HANDLE entry, HANDLE folder, const std::wstring& name);

} // namespace platform::win
