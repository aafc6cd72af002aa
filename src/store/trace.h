#pragma once
// The trace sink. It keeps nothing by default; when CHORELIN_TRACE names a file every line is
// appended there, whole, from any thread. Lines are UTF-8.

#include <string_view>

void traceLine(std::string_view line);
// printf-style; the line is formatted into a buffer of the calling thread's own.
void tracef(const char* format, ...) __attribute__((format(printf, 1, 2)));

// Re-reads CHORELIN_TRACE (tests change it between cases).
void resetTraceSink();
