#pragma once
// The plain-text user guide, "Chorelinについて.txt", written beside the program on its first
// start and never overwritten afterwards, so the user may edit or delete it freely.

#include "platform/system_path.h"

#include <cstddef>
#include <optional>
#include <string>

// The file never holds more than this many bytes.
inline constexpr std::size_t kAboutTextMaxBytes = 20480;

// The whole guide as it is written: cp932, every line ended by CR LF. Nothing when the text has
// no cp932 form or would exceed kAboutTextMaxBytes; it is never cut to fit.
std::optional<std::string> composeAboutText();

// Writes the guide to a new file at `path` (mode 0644).
//   0   written
//  -1   the path is empty
//  -14  a file already exists there; it is left untouched
//  -3   the file cannot be created
//  -6   fewer bytes were written than composed; the partial file is removed again
//  -7   the text could not be composed (see composeAboutText)
int MyAboutTextWrite(const platform::SystemPath& path);
