#pragma once
// Shared pieces of the dialog tests: a lazily made application on the offscreen platform, a
// scripted prompter, and a private home with a registered file that resolves to itself.

#include "dialogs/prompter.h"
#include "support/temp_home.h"

#include <QApplication>
#include <deque>
#include <gtest/gtest.h>
#include <memory>
#include <string>
#include <vector>

namespace dialog_test {

inline void ensureApplication() {
    if (QApplication::instance())
        return;
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    static int argc = 1;
    static char name[] = "dialog_tests";
    static char* argv[] = {name, nullptr};
    new QApplication(argc, argv);
}

// Records every prompt and answers from a script; Yes once the script runs out.
class ScriptedPrompter : public Prompter {
  public:
    struct Prompt {
        Kind kind;
        std::string text;
        QWidget* owner;
    };
    ScriptedPrompter() { setPrompter(this); }
    ~ScriptedPrompter() override { setPrompter(nullptr); }
    bool ask(Kind kind, const std::string& text, QWidget* owner) override {
        prompts.push_back({kind, text, owner});
        if (answers.empty())
            return true;
        const bool answer = answers.front();
        answers.pop_front();
        return answer;
    }
    std::vector<std::string> texts() const {
        std::vector<std::string> all;
        for (const Prompt& p : prompts)
            all.push_back(p.text);
        return all;
    }
    std::vector<Prompt> prompts;
    std::deque<bool> answers;
};

class DialogTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ensureApplication();
        home = std::make_unique<testing_support::TempHome>();
        testing_support::makeDirs(home->scratch());
        batch = home->scratch() + "/run.bat";
        testing_support::writeFile(batch, "echo\n");
    }
    void TearDown() override { home.reset(); }

    std::unique_ptr<testing_support::TempHome> home;
    std::string batch; // UTF-8 path of a batch file, which runs itself
    ScriptedPrompter prompts;
};

} // namespace dialog_test
