#pragma once
// The wording of a failed launch resolution. The entry dialog puts a blank line between the
// message and the path; the drop of files a plain line break.

#include <string>

// The message for a MyGetExecFile result other than 0, with the resolved file's UTF-8 path in
// place of "%s" where the message names it.
std::string execFileFailureMessage(int result, const std::string& pathUtf8,
                                   const char* separator = "\n\n");
