#pragma once
// The pieces of a dropped file's task that need no window: splitting the path, the generated
// unique name, the run time a number of minutes from now, and the drop's wording of a failed
// launch resolution. Paths and names are cp932 bytes.

#include "platform/clock.h"
#include "store/task_record.h"

#include <span>
#include <string>
#include <string_view>

struct DroppedPathParts {
    std::string folder;    // up to and including the last '/'
    std::string name;      // the file name without its extension
    std::string extension; // from the last '.' of the file name, with the dot; may be empty
};
DroppedPathParts splitDroppedPath(std::string_view path);

// The longest prefix of `text` of at most `maxBytes` bytes that ends at a cp932 character
// boundary (a double-byte character is never split).
std::string_view cp932Prefix(std::string_view text, size_t maxBytes);

// "%s%s(%03d)" of name, extension and k. When that does not fit `capacity` bytes, the name is
// shortened at a character boundary so that name, extension and suffix fit together; only an
// extension too long for that is shortened itself.
std::string dropCandidateName(std::string_view name, std::string_view extension, int k,
                              size_t capacity);

// The first candidate, k = 0, 1, ..., whose text equals no task's name (ASCII case ignored).
std::string uniqueDropName(std::string_view name, std::string_view extension,
                           std::span<const TaskRecord> tasks, size_t capacity);

// "%02d:%02d" of `now` plus `minutes`, minutes carrying into hours and hours into the next day.
std::string runTimeAfter(const platform::LocalTime& now, int minutes);

// The message the drop shows for a MyGetExecFile result other than 0, with the dropped file's
// UTF-8 path where the message names it.
std::string dropResolutionMessage(int result, const std::string& pathUtf8);
