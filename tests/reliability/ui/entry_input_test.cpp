// Entry texts found by fuzzing: a zero byte inside the name or the path, and a path character
// that cp932 only holds as a look-alike.

#include "dialogs/entry_validation.h"
#include "store/fields.h"
#include "support/temp_home.h"

#include <gtest/gtest.h>

using namespace testing_support;

namespace {

TEST(EntryInput, ZeroBytesAndLookAlikesAreRefused) {
    TempHome home;
    const std::string program = home.scratch() + "/job.sh";
    writeFile(program, "#!/bin/sh\n", 0755);
    TaskRecord existing{};
    setField(existing.name, "job");
    const std::vector<TaskRecord> table{existing};
    TaskRecord working{};
    working.daily = 1;
    struct Case {
        std::string name, file;
        EntryField focus;
        const char* message;
    } cases[] = {
        {std::string("\0job2", 5), program, EntryField::Name,
         "名前にShift_JIS（cp932）で表せない文字が含まれています。"},
        // Would have passed the duplicate check and been stored as "job".
        {std::string("job\0x", 5), program, EntryField::Name,
         "名前にShift_JIS（cp932）で表せない文字が含まれています。"},
        {"new", program + std::string("\0junk", 5), EntryField::RegisteredFile,
         kRegisteredFileUnrepresentable},
        {"new", home.scratch() + "/¥job.sh", EntryField::RegisteredFile,
         kRegisteredFileUnrepresentable},
        {"new", home.scratch() + "/〜job.sh", EntryField::RegisteredFile,
         kRegisteredFileUnrepresentable},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        const EntryCheck check =
            checkTaskEntry({c.name, c.file, "0930", "", ""}, working, ModeAdd, 0, table, {});
        EXPECT_FALSE(check.accepted);
        EXPECT_EQ(check.focus, c.focus);
        EXPECT_EQ(check.message, c.message);
    }
    // A look-alike in the name is harmless and kept as cp932 has it.
    const EntryCheck named =
        checkTaskEntry({"毎朝〜", program, "0930", "", ""}, working, ModeAdd, 0, table, {});
    EXPECT_TRUE(named.accepted) << named.message;
}

} // namespace
