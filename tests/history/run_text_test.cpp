// How runs read to the user: the outcome and trigger words of the dialog, the notices and the
// command line, durations, times, and the end of an output file.

#include "history/output_tail.h"
#include "history/run_text.h"
#include "support/temp_home.h"

#include <cstdlib>
#include <ctime>
#include <gtest/gtest.h>

using namespace history;

TEST(RunText, OutcomeOfEveryEnding) {
    auto run = [](RunEnding ending, std::optional<int> code, std::optional<int> sig,
                  const char* error = "") {
        RunRecord r;
        r.ending = ending;
        r.exitCode = code;
        r.signal = sig;
        r.error = error;
        return r;
    };
    struct Case {
        RunRecord run;
        const char* text;
        bool failure;
    } cases[] = {
        {run(RunEnding::Exited, 0, std::nullopt), "正常終了 (0)", false},
        {run(RunEnding::Exited, 3, std::nullopt), "異常終了 (3)", true},
        {run(RunEnding::Exited, 255, std::nullopt), "異常終了 (255)", true},
        {run(RunEnding::Signal, std::nullopt, 9), "シグナル (SIGKILL)", true},
        {run(RunEnding::Signal, std::nullopt, 11), "シグナル (SIGSEGV)", true},
        {run(RunEnding::Signal, std::nullopt, 40), "シグナル (SIG40)", true},
        {run(RunEnding::Failed, std::nullopt, std::nullopt, "実行ファイルが見つかりません。"),
         "起動失敗: 実行ファイルが見つかりません。", true},
        {run(RunEnding::Killed, std::nullopt, 9), "強制終了", false},
        {run(RunEnding::Running, std::nullopt, std::nullopt), "実行中", false},
        {run(RunEnding::Lost, std::nullopt, std::nullopt), "不明", false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(outcomeText(c.run), c.text);
        EXPECT_EQ(c.run.isFailure(), c.failure) << c.text;
    }
    EXPECT_EQ(triggerText(RunTrigger::Scheduled), "スケジュール");
    EXPECT_EQ(triggerText(RunTrigger::Manual), "手動");
    EXPECT_EQ(triggerText(RunTrigger::CatchUp), "取りこぼし実行");
    for (RunEnding e : {RunEnding::Exited, RunEnding::Signal, RunEnding::Killed, RunEnding::Failed,
                        RunEnding::Running, RunEnding::Lost})
        EXPECT_EQ(endingFromWord(endingWord(e)), e);
    EXPECT_EQ(triggerFromWord("catch-up"), RunTrigger::CatchUp);
}

TEST(RunText, DurationsAndTimes) {
    struct Case {
        int64_t ms;
        const char* text;
    } durations[] = {{0, "0.0秒"},    {260, "0.3秒"},      {9999, "10.0秒"},
                     {42000, "42秒"}, {192000, "3分12秒"}, {7500000, "2時間5分"}};
    for (const Case& c : durations)
        EXPECT_EQ(durationText(1000, 1000 + c.ms), c.text);
    EXPECT_EQ(durationText(1000, std::nullopt), "");

    setenv("TZ", "JST-9", 1);
    tzset();
    // 2024-05-10 03:00:03.125 UTC
    const int64_t ms = 1715310003125;
    EXPECT_EQ(isoLocalTime(ms), "2024-05-10T12:00:03.125+09:00");
    EXPECT_EQ(localTimeText(ms), "2024/05/10 12:00:03");
    setenv("TZ", "UTC", 1);
    tzset();
    EXPECT_EQ(isoLocalTime(ms), "2024-05-10T03:00:03.125+00:00");
    unsetenv("TZ");
    tzset();
}

TEST(RunText, TheEndOfAnOutputFile) {
    testing_support::TempHome home;
    const std::string path = home.scratch() + "/out.log";
    std::string content;
    for (int i = 0; i < 100; ++i)
        content += "行 " + std::to_string(i) + "\n";
    testing_support::writeFile(path, content);

    const OutputTail whole = readOutputTail(path, 1 << 20);
    EXPECT_TRUE(whole.readable);
    EXPECT_FALSE(whole.cut);
    EXPECT_EQ(whole.text, content);

    // Cut: starts on a whole line.
    const OutputTail tail = readOutputTail(path, 30);
    EXPECT_TRUE(tail.cut);
    EXPECT_EQ(tail.fileBytes, static_cast<int64_t>(content.size()));
    EXPECT_EQ(tail.text.substr(0, 4), "行 ");
    EXPECT_EQ(tail.text.back(), '\n');
    EXPECT_FALSE(readOutputTail(home.scratch() + "/none.log", 10).readable);

    EXPECT_EQ(lastLines(tail.text, 2, 80), (std::vector<std::string>{"行 98", "行 99"}));
    EXPECT_EQ(lastLines("a\n\n  \nb\r\n", 5, 80), (std::vector<std::string>{"a", "b"}));
    // Long lines are cut on a character boundary: "あ" is three bytes.
    EXPECT_EQ(lastLines("ああああ", 1, 7), (std::vector<std::string>{"ああ…"}));
}
