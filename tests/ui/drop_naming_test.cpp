// The window-free parts of a drop: path splitting, generated names, run times, messages.

#include "store/fields.h"
#include "support/task_builders.h"
#include "ui/drop_naming.h"

#include <gtest/gtest.h>

using testing_support::cp932;

TEST(DropNaming, SplitsFolderNameAndExtension) {
    struct Case {
        std::string path, folder, name, extension;
    };
    for (const Case& c : std::vector<Case>{
             {"/home/u/report.txt", "/home/u/", "report", ".txt"},
             {"/home/u/archive.tar.gz", "/home/u/", "archive.tar", ".gz"},
             {"/home/u.d/README", "/home/u.d/", "README", ""},
             {"/home/u/.profile", "/home/u/", "", ".profile"},
             {"name.txt", "", "name", ".txt"},
             {cp932("/共有/表.txt"), cp932("/共有/"), cp932("表"), ".txt"},
         }) {
        const DroppedPathParts parts = splitDroppedPath(c.path);
        EXPECT_EQ(parts.folder, c.folder) << c.path;
        EXPECT_EQ(parts.name, c.name) << c.path;
        EXPECT_EQ(parts.extension, c.extension) << c.path;
    }
}

TEST(DropNaming, CandidateFitsTheCapacityAtACharacterBoundary) {
    struct Case {
        const char* label;
        std::string name, extension;
        int k;
        size_t capacity;
        std::string expected;
    };
    for (const Case& c : std::vector<Case>{
             {"short", "x", ".txt", 0, 127, "x.txt(000)"},
             {"number", "x", ".txt", 42, 127, "x.txt(042)"},
             {"exactly full", std::string(118, 'a'), ".txt", 0, 127,
              std::string(118, 'a') + ".txt(000)"},
             {"one over", std::string(119, 'a'), ".txt", 0, 127,
              std::string(118, 'a') + ".txt(000)"},
             {"double-byte kept whole", cp932("表表表"), ".t", 1, 10, cp932("表") + ".t(001)"},
             {"extension too long", "n", "." + std::string(150, 'e'), 3, 20,
              "n." + std::string(13, 'e') + "(003)"},
         }) {
        const std::string got = dropCandidateName(c.name, c.extension, c.k, c.capacity);
        EXPECT_EQ(got, c.expected) << c.label;
        EXPECT_LE(got.size(), c.capacity) << c.label;
    }
}

TEST(DropNaming, Cp932PrefixNeverSplitsACharacter) {
    const std::string text = "a" + cp932("表示");
    EXPECT_EQ(cp932Prefix(text, 2), "a");
    EXPECT_EQ(cp932Prefix(text, 3), "a" + cp932("表"));
    EXPECT_EQ(cp932Prefix(text, 100), text);
    EXPECT_EQ(cp932Prefix(text, 0), "");
}

TEST(DropNaming, UniqueNameComparesIgnoringAsciiCase) {
    auto task = [](const std::string& name) {
        TaskRecord r{};
        setField(r.name, name);
        return r;
    };
    const std::vector<TaskRecord> tasks = {task("A.TXT(001)"), task("a.txt(000)"), task("b")};
    EXPECT_EQ(uniqueDropName("a", ".txt", tasks, 127), "a.txt(002)");
    EXPECT_EQ(uniqueDropName("b", ".txt", tasks, 127), "b.txt(000)");
    EXPECT_EQ(uniqueDropName("a", ".txt", {}, 127), "a.txt(000)");
    // A double-byte character's second byte is not a letter to fold.
    const std::vector<TaskRecord> kit = {task(cp932("キット.txt(000)"))};
    EXPECT_EQ(uniqueDropName(cp932("ネット"), ".txt", kit, 127), cp932("ネット.txt(000)"));
}

TEST(DropNaming, RunTimeCarriesMinutesAndHours) {
    struct Case {
        int hour, minute, add;
        const char* expected;
    };
    for (const Case& c : std::vector<Case>{{14, 55, 10, "15:05"},
                                           {23, 55, 10, "00:05"},
                                           {9, 30, 0, "09:30"},
                                           {23, 59, 999, "16:38"},
                                           {0, 0, 1440, "00:00"}}) {
        platform::LocalTime now;
        now.hour = c.hour;
        now.minute = c.minute;
        EXPECT_EQ(runTimeAfter(now, c.add), c.expected)
            << c.hour << ":" << c.minute << "+" << c.add;
    }
}

TEST(DropNaming, ResolutionMessagesOfTheDrop) {
    const std::string p = "/d/x.y";
    EXPECT_EQ(dropResolutionMessage(-1, p), "指定されたパスが見つかりません\n/d/x.y");
    EXPECT_EQ(dropResolutionMessage(-2, p), "指定されたファイルが見つかりません\n/d/x.y");
    EXPECT_EQ(dropResolutionMessage(-8, p), "システムはメモリまたはリソースを使い果たしました");
    EXPECT_EQ(dropResolutionMessage(-10, p), ".EXE ファイルが無効です\n/d/x.y");
    EXPECT_EQ(dropResolutionMessage(-12, p), "予期しないエラーが発生しました");
    EXPECT_EQ(dropResolutionMessage(-13, p),
              "指定されたファイルタイプに対応する関連付けが存在しません\n/d/x.y");
    EXPECT_EQ(dropResolutionMessage(-99, p), "予期しないエラーが発生しました");
}
