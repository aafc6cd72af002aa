#include "app/state_folder.h"

#include "app/startup.h"
#include "dialogs/prompter.h"
#include "history/history_files.h"
#include "platform/instance_lock.h"
#include "platform/state_files.h"
#include "store/trace.h"

#include <QGuiApplication>
#include <cstdio>
#include <utility>

namespace {

// Held until the process ends.
std::unique_ptr<platform::InstanceLock>& stateLock() {
    static std::unique_ptr<platform::InstanceLock> lock;
    return lock;
}

std::string refuse(const std::string& text) {
    traceLine(text);
    std::fprintf(stderr, "Chorelin: %s\n", text.c_str());
    std::fflush(stderr);
    return text;
}

} // namespace

StateFolder openStateFolder() {
    StateFolder result;
    const std::optional<std::string> path = platform::stateFolder("chorelin");
    if (!path) {
        result.refusal =
            refuse("実行履歴を記録できないため、履歴なしで続けます。（neither XDG_STATE_HOME "
                   "nor HOME is an absolute path）");
        return result;
    }
    platform::FolderOpening opening = platform::TrustedFolder::open(*path);
    if (opening.status != platform::FolderOpening::Status::Opened) {
        result.refusal = refuse(history::stateFolderMessage(opening, true));
        return result;
    }
    platform::InstanceLock::Status status;
    stateLock() = platform::InstanceLock::acquire(*opening.folder, "Chorelin.Mutex", status);
    if (status == platform::InstanceLock::Status::HeldElsewhere)
        fatalStop("Chorelinは既に起動されています。");
    if (!stateLock()) {
        // Without the lock two instances could write one history: none is written.
        opening.status = platform::FolderOpening::Status::Failed;
        opening.culprit = *path + "/Chorelin.Mutex";
        opening.error = errno;
        result.refusal = refuse(history::stateFolderMessage(opening, true));
        return result;
    }
    result.folder = std::move(opening.folder);
    return result;
}

void reportStateFolderRefusal(std::string& refusal) {
    if (refusal.empty())
        return;
    const std::string message = std::exchange(refusal, std::string());
    if (QGuiApplication::platformName() != QLatin1String("offscreen"))
        prompter().ask(Prompter::Kind::Refusal, message);
}
