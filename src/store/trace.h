#pragma once
// The trace sink. It keeps nothing by default; when CHORELIN_TRACE names a file every line is
// appended there, whole, from any thread. Lines are UTF-8. With CHORELIN_TRACE_TIMES=1 as well,
// each line in the file begins with the wall-clock time "[seconds.nanoseconds] ".

#include <string_view>

void traceLine(std::string_view line);
// printf-style; the line is formatted into a buffer of the calling thread's own.
void tracef(const char* format, ...) __attribute__((format(printf, 1, 2)));

// Re-reads CHORELIN_TRACE (tests change it between cases).
void resetTraceSink();
