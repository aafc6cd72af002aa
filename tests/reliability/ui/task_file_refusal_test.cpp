// The refused task file is told once, in a refusal box.

#include "app/task_file_refusal.h"
#include "dialogs/prompter.h"

#include <gtest/gtest.h>
#include <vector>

namespace {

struct RecordingPrompter : Prompter {
    std::vector<std::pair<Kind, std::string>> asked;
    bool ask(Kind kind, const std::string& text, QWidget*) override {
        asked.emplace_back(kind, text);
        return true;
    }
};

TEST(TaskFileRefusalReport, ShownOnceAsARefusal) {
    RecordingPrompter fake;
    setPrompter(&fake);
    AppContext ctx;
    ctx.taskFileRefusal = "タスクファイル（/x.tsk）は…";
    reportTaskFileRefusal(ctx, true);
    reportTaskFileRefusal(ctx, true);
    setPrompter(nullptr);
    ASSERT_EQ(fake.asked.size(), 1u);
    EXPECT_EQ(fake.asked[0].first, Prompter::Kind::Refusal);
    EXPECT_EQ(fake.asked[0].second, "タスクファイル（/x.tsk）は…");
}

TEST(TaskFileRefusalReport, NothingWhenLoadedOrNoOneCanSee) {
    RecordingPrompter fake;
    setPrompter(&fake);
    AppContext loaded;
    reportTaskFileRefusal(loaded, true);
    AppContext headless;
    headless.taskFileRefusal = "x";
    reportTaskFileRefusal(headless, false);
    setPrompter(nullptr);
    EXPECT_TRUE(fake.asked.empty());
    EXPECT_TRUE(headless.taskFileRefusal.empty());
}

} // namespace
