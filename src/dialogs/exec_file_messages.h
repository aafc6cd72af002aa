#pragma once
// The entry dialog's wording of a failed launch resolution.

#include <string>

// The message for a MyGetExecFile result other than 0, with the resolved file's UTF-8 path in
// place of "%s" where the message names it.
std::string execFileFailureMessage(int result, const std::string& pathUtf8);
