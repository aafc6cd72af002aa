#pragma once
// A desktop notice and the places it can be shown. The failure notifier picks the first place
// that exists; tests put a fake one in.

#include <QString>
#include <cstdint>
#include <functional>
#include <string>

struct Notice {
    enum class Kind {
        Failure, // a run failed: activating it opens the history dialog on that run
        Welcome, // the first start: activating it shows the main window
    };
    Kind kind = Kind::Failure;
    QString title;
    QString body; // plain text, several lines
    std::string task;
    int64_t runId = 0;
};

class NoticeSink {
public:
    virtual ~NoticeSink() = default;
    // Whether notices can be shown here now.
    virtual bool available() = 0;
    virtual void show(const Notice& notice) = 0;
    // Called when the user activates a notice this sink showed.
    std::function<void(const Notice&)> onActivated;
};
