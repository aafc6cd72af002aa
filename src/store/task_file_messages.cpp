#include "store/task_file_messages.h"

namespace {

// Every message about a file that stays as it is ends the same way.
const char* const kNotSaved = "それまでの間、タスクの変更はタスクファイルに保存されません。";

std::string folderOf(const std::string& file) {
    const size_t slash = file.rfind('/');
    return slash == std::string::npos ? std::string(".") : file.substr(0, slash == 0 ? 1 : slash);
}

} // namespace

std::string taskFileRefusalMessage(platform::FileTrust trust, const char* path) {
    const std::string file = path ? path : "";
    return taskFileRefusalMessage(trust, file, folderOf(file));
}

std::string taskFileRefusalMessage(platform::FileTrust trust, const std::string& file,
                                   const std::string& folder) {
    std::string text = "タスクファイル（" + file + "）";
    switch (trust) {
    case platform::FileTrust::FileForeignOwner:
    case platform::FileTrust::FolderForeignOwner:
        text += "またはそのフォルダが他のユーザーの所有のため読み込みませんでした。\n"
                "自分の所有に戻し（chown）、chmod 600 " +
                file + " と chmod 700 " + folder + " で権限を直してから再起動してください。";
        break;
    case platform::FileTrust::Unexaminable:
        text += "の所有者と権限を確かめられないため読み込みませんでした。\n"
                "chmod 600 " +
                file + " と chmod 700 " + folder + " で権限を直してから再起動してください。";
        break;
    default:
        text += "は他のユーザーが書き換えられる状態のため読み込みませんでした。\n"
                "chmod 600 " +
                file + " と chmod 700 " + folder + " で権限を直してから再起動してください。";
        break;
    }
    return text + kNotSaved;
}

std::string taskFileNotRegularMessage(const std::string& path) {
    return "タスクファイル（" + path +
           "）が通常のファイルではないため読み込みませんでした。\n"
           "通常のファイルに戻すか取り除いてから再起動してください。" +
           kNotSaved;
}

std::string taskFileUnopenableMessage(const std::string& path, bool permission) {
    if (permission)
        return "タスクファイル（" + path +
               "）を開けないため読み込みませんでした。\n"
               "chmod 600 " +
               path + " で権限を直してから再起動してください。" + kNotSaved;
    return "タスクファイル（" + path +
           "）を開けないため読み込みませんでした。\n"
           "ファイルを確かめてから再起動してください。" +
           kNotSaved;
}

std::string taskFileUnreadableMessage(const std::string& path) {
    return "タスクファイル（" + path +
           "）を読み込めませんでした。\n"
           "ファイルを確かめてから再起動してください。" +
           kNotSaved;
}

std::string taskFileBackupFailedMessage(const std::string& path) {
    return "読み込めなかったタスクファイル（" + path +
           "）の控えを作れないため、タスクファイルを書き換えません。\n"
           "空き容量と権限を確かめてから再起動してください。" +
           kNotSaved;
}

std::string taskFileBackupMadeMessage(const std::string& backup) {
    return "読み込めなかったタスクファイルを " + backup + " に保存しました。";
}

std::string taskFileReadOnlyMessage(const std::string& path) {
    return "タスクファイル（" + path +
           "）に書き込みが許可されていないため、タスクの変更を保存しませんでした。";
}
