#include "engine/start_failure.h"

#include "platform/files.h"
#include "platform/script_head.h"
#include "platform/text_codec.h"

#include <cerrno>
#include <optional>

namespace {

struct FailureText {
    int error;
    const char* code;
    const char* text; // followed by ": " and the path when `withPath`
    bool withPath;
};

// clang-format off
constexpr FailureText kTexts[] = {
    {ENOENT,       "ENOENT",       "実行ファイルが見つかりません",                       true},
    {ENOTDIR,      "ENOTDIR",      "実行ファイルのパスにフォルダでないものがあります",   true},
    {EACCES,       "EACCES",       "実行ファイルを実行する権限がありません",             true},
    {EPERM,        "EPERM",        "実行ファイルを実行する権限がありません",             true},
    {ENOEXEC,      "ENOEXEC",      "実行できる形式のファイルではありません",             true},
#ifdef ELIBBAD // not every C library has it
    {ELIBBAD,      "ELIBBAD",      "実行できる形式のファイルではありません",             true},
#endif
    {EISDIR,       "EISDIR",       "実行ファイルがフォルダです",                         true},
    {ETXTBSY,      "ETXTBSY",      "実行ファイルは書き込み中です",                       true},
    {ELOOP,        "ELOOP",        "実行ファイルのパスのシンボリックリンクが多すぎます", true},
    {ENAMETOOLONG, "ENAMETOOLONG", "実行ファイルのパスが長すぎます",                     true},
    {EILSEQ,       "EILSEQ",       "実行ファイルのパスをこのシステムのファイル名にできません", true},
    {E2BIG,        "E2BIG",        "引数と環境変数が長すぎます",                         false},
    {ENOMEM,       "ENOMEM",       "メモリまたはリソースが足りません",                   false},
    {EAGAIN,       "EAGAIN",       "メモリまたはリソースが足りません",                   false},
    {EMFILE,       "EMFILE",       "開いているファイルが多すぎます",                     false},
    {ENFILE,       "ENFILE",       "開いているファイルが多すぎます",                     false},
};
// clang-format on

constexpr const char* kNoInterpreter = "スクリプトの 1 行目にあるプログラムがありません";
constexpr const char* kNoLoader = "実行ファイルを動かすプログラム（ローダー）がありません";

} // namespace

StartFailure describeStartFailure(int error, const std::string& executable) {
    const std::string path = platform::cp932ToUtf8Lossy(executable);
    for (const FailureText& entry : kTexts) {
        if (entry.error != error)
            continue;
        StartFailure failure{entry.text, entry.code};
        // The program is there, yet "not found": what it needs to run is missing, the
        // interpreter its first line names, or the loader an executable image names.
        if (error == ENOENT && platform::pathExists(executable)) {
            const std::optional<std::string> interpreter = platform::scriptInterpreter(executable);
            failure.text = std::string(interpreter ? kNoInterpreter : kNoLoader) + ": " +
                           (interpreter ? *interpreter : path);
            return failure;
        }
        if (entry.withPath)
            failure.text += ": " + path;
        return failure;
    }
    return StartFailure{"起動できませんでした（エラー " + std::to_string(error) + "）: " + path,
                        "E" + std::to_string(error)};
}
