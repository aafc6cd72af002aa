#include "store/state_text.h"

#include "store/task_record.h"

const char* stateText(int32_t state) {
    switch (state) {
    case StateWaiting:
        return "実行待ち";
    case StateNoRegisteredFile:
        return "登録ﾌｧｲﾙなし";
    case StateNoExecutable:
        return "実行ﾌｧｲﾙなし";
    case StateDisabled:
        return "無効";
    case StateRunning:
        return "実行中";
    case StateCompleted:
        return "完了";
    default:
        return "不明";
    }
}
