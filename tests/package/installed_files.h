#pragma once
// Checks shared by the install-tree and the Debian package tests: the files under an installed
// prefix, and the installed program started against the current (private) home.

#include <string>

namespace package_test {

// The value of `key` (for example "Name[ja]") in the [Desktop Entry] group, or nothing.
std::string desktopValue(const std::string& desktopFile, const std::string& key);

// The program a desktop entry's Exec line starts, as a desktop would: the first word after
// unquoting, looked up in `searchPath` when it is not absolute. Empty when it cannot be found.
std::string execProgram(const std::string& desktopFile, const std::string& searchPath);

// Width and height from a PNG file's header; {0, 0} when it is no PNG.
struct PngSize {
    unsigned width = 0;
    unsigned height = 0;
};
PngSize pngSize(const std::string& path);

// Every file of the installation under `prefix` (the folder that holds bin/ and share/).
void checkInstalledFiles(const std::string& prefix);

// Starts `program` offscreen in the current private home: it must create its task file,
// refuse a second instance with exit code 0, and end with exit code 0 on SIGTERM.
// `scratch` is a folder for its trace and error output.
void checkProgramRuns(const std::string& program, const std::string& scratch);

} // namespace package_test
