#include "history/history_files.h"

#include "platform/clock.h"
#include "platform/output_pipe.h"
#include "platform/system_names.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace history {
namespace {

constexpr std::string_view kOutputPrefix = "output/";

std::string foreignSuffix() {
    const platform::LocalTime t = platform::localTime();
    char suffix[40];
    std::snprintf(suffix, sizeof suffix, ".foreign-%04d%02d%02d-%02d%02d%02d", t.year % 10000,
                  t.month % 100, t.day % 100, t.hour % 100, t.minute % 100, t.second % 100);
    return suffix;
}

// The file name inside the output folder of a stored name, or empty for any other name.
std::string outputFileName(std::string_view storedName) {
    if (!storedName.starts_with(kOutputPrefix))
        return std::string();
    const std::string_view name = storedName.substr(kOutputPrefix.size());
    return runIdOfOutputName(name) ? std::string(name) : std::string();
}

std::string folderProblem(const platform::FolderOpening& opening) {
    return "cannot make the folder " + opening.culprit + ": " + std::strerror(opening.error);
}

} // namespace

HistoryFiles::HistoryFiles(std::unique_ptr<platform::TrustedFolder> root,
                           std::function<void(const std::string&)> tell)
    : root_(std::move(root)), tell_(std::move(tell)), paths_{root_ ? root_->path() : ""} {}

bool HistoryFiles::openOutput() {
    if (output_)
        return true; // once: runs being prepared use it meanwhile
    if (!root_)
        return false;
    platform::FolderOpening opening = root_->subfolder("output");
    if (opening.status != platform::FolderOpening::Status::Opened) {
        problem_ = opening.status == platform::FolderOpening::Status::Failed
                       ? folderProblem(opening)
                       : stateFolderMessage(opening, false);
        return false;
    }
    output_ = std::move(opening.folder);
    return true;
}

bool HistoryFiles::makePrivate(const platform::TrustedFolder& folder, const std::string& name) {
    if (folder.examine(name) != platform::TrustedFolder::Entry::Foreign)
        return true;
    const std::string moved = folder.moveAside(name, foreignSuffix());
    const std::string path = folder.path() + "/" + name;
    if (moved.empty()) {
        problem_ = "cannot move aside " + path + ": " + platform::errorText(errno);
        return false;
    }
    if (tell_)
        tell_("実行履歴のフォルダにあった、自分の通常のファイルではないもの（" + path + "）を " +
              folder.path() + "/" + moved + " に移しました。");
    return true;
}

bool HistoryFiles::prepareDatabase() {
    if (!root_)
        return false;
    const std::string database = "history.sqlite3";
    for (const char* suffix : {"", "-wal", "-shm"}) {
        if (!makePrivate(*root_, database + suffix))
            return false;
    }
    if (root_->examine(database) == platform::TrustedFolder::Entry::Missing) {
        const int fd = root_->createFile(database);
        if (fd < 0 && errno != EEXIST) {
            problem_ = "cannot create " + paths_.database() + ": " + std::strerror(errno);
            return false;
        }
        if (fd >= 0)
            platform::closeDescriptor(fd);
    }
    return true;
}

int HistoryFiles::createOutput(int64_t runId) {
    if (!output_ || runId <= 0) {
        errno = ENOENT;
        return -1;
    }
    const std::string name = std::to_string(runId) + ".log";
    // A file already there is no file of this run: whatever it is, it is never opened.
    for (int round = 0; round < 2; ++round) {
        const int fd = output_->createFile(name);
        if (fd >= 0 || errno != EEXIST)
            return fd;
        const std::string moved = output_->moveAside(name, foreignSuffix());
        if (moved.empty())
            return -1;
        if (tell_)
            tell_("実行履歴の出力ファイルの名前にあったもの（" + output_->path() + "/" + name +
                  "）を " + output_->path() + "/" + moved + " に移しました。");
    }
    errno = EEXIST;
    return -1;
}

void HistoryFiles::rehearseOutput() const {
    if (output_)
        output_->rehearseCreate();
}

int64_t HistoryFiles::outputSize(std::string_view storedName) const {
    const std::string name = outputFileName(storedName);
    return output_ && !name.empty() ? output_->fileSize(name) : -1;
}

bool HistoryFiles::removeOutput(std::string_view storedName) const {
    const std::string name = outputFileName(storedName);
    return output_ && !name.empty() && output_->removeFile(name);
}

std::vector<int64_t> HistoryFiles::outputIds() const {
    std::vector<int64_t> ids;
    if (!output_)
        return ids;
    for (const std::string& name : output_->names()) {
        if (const std::optional<int64_t> id = runIdOfOutputName(name))
            ids.push_back(*id);
    }
    return ids;
}

std::string stateFolderMessage(const platform::FolderOpening& opening, bool lockAlone) {
    using Status = platform::FolderOpening::Status;
    const std::string& folder = opening.culprit;
    std::string text = "実行履歴のフォルダ（" + folder + "）";
    if (opening.status == Status::NotFolder) {
        text += "がフォルダではない（リンクなど）ため、実行履歴を記録しません。\n"
                "取り除いてから再起動してください。";
    } else if (opening.status == Status::Failed) {
        text += "を作成できないため、実行履歴を記録しません。（" +
                std::string(std::strerror(opening.error)) +
                "）\n空き容量と権限を確かめてから再起動してください。";
    } else {
        switch (opening.trust) {
        case platform::FileTrust::FileForeignOwner:
        case platform::FileTrust::FolderForeignOwner:
            text += "が他のユーザーの所有のため、実行履歴を記録しません。\n"
                    "自分の所有に戻し（chown）、chmod 700 " +
                    folder + " で権限を直してから再起動してください。";
            break;
        case platform::FileTrust::Unexaminable:
            text += "の所有者と権限を確かめられないため、実行履歴を記録しません。\n"
                    "chmod 700 " +
                    folder + " で権限を直してから再起動してください。";
            break;
        default:
            text += "は他のユーザーが書き換えられる状態のため、実行履歴を記録しません。\n"
                    "chmod o-w " +
                    folder + " で権限を直してから再起動してください。";
            break;
        }
    }
    text += "タスクは実行履歴なしで実行します。";
    if (lockAlone)
        text += "二重起動はタスクファイルのフォルダのロックだけで防ぎます。";
    return text;
}

} // namespace history
