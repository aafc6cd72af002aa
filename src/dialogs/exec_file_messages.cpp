#include "dialogs/exec_file_messages.h"

std::string execFileFailureMessage(int result, const std::string& pathUtf8, const char* separator) {
    switch (result) {
    case -1:
        return "指定されたパスが見つかりません" + std::string(separator) + pathUtf8;
    case -2:
        return "指定されたファイルが見つかりません" + std::string(separator) + pathUtf8;
    case -8:
        return "システムはメモリまたはリソースを使い果たしました";
    case -10:
        return ".EXE ファイルが無効です" + std::string(separator) + pathUtf8;
    case -13:
        return "指定されたファイルタイプに対応する関連付けが存在しません" + std::string(separator) +
               pathUtf8;
    default:
        return "予期しないエラーが発生しました";
    }
}
