#pragma once
// Every message box of the system goes through one Prompter, so tests can answer them.

#include <string>

class QWidget;

class Prompter {
public:
    enum class Kind {
        Refusal,          // OK, exclamation icon
        Question,         // Yes/No, question icon, Yes default
        ContinueQuestion, // Yes/No, exclamation icon, No default
        Fatal,            // OK, stop icon; the caller ends the process after it
        Information,      // OK, information icon: a command that did what was asked says so
    };
    virtual ~Prompter() = default;
    // Shows a UTF-8 text titled "Chorelin". True for Yes (and for OK).
    virtual bool ask(Kind kind, const std::string& text, QWidget* owner = nullptr) = 0;
};

// The installed prompter (the message-box one unless a test installed another).
Prompter& prompter();
// Installs a prompter; nullptr restores the message-box one. Not owned.
void setPrompter(Prompter* replacement);
