// Files dropped on the list become tasks: each is checked and resolved, prepared with a
// generated unique name, a run time some minutes from now and the default schedule, and
// offered in the entry dialog; a confirmed one is appended and written at once.

#include "ui/chorelin_view.h"

#include "dialogs/entry_dialog_runner.h"
#include "engine/launch.h"
#include "engine/next_exec.h"
#include "platform/clock.h"
#include "platform/files.h"
#include "platform/text_codec.h"
#include "store/fields.h"
#include "store/schedule_text.h"
#include "store/task_file.h"
#include "store/trace.h"
#include "ui/command_support.h"
#include "ui/drop_naming.h"

#include <QDragEnterEvent>
#include <QDragMoveEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QUrl>
#include <span>

namespace {

constexpr char kContinue[] = "\n\n処理を継続しますか？";
constexpr size_t kPathLimit = sizeof(TaskRecord::registeredFile) - 1;
constexpr size_t kNameLimit = sizeof(TaskRecord::name) - 1;

// A file that cannot become a task: refused when it is the only one, otherwise the user is
// asked whether to go on with the others. False when the drop is to end.
bool refuseFile(const std::string& message, int count, QWidget* owner) {
    if (count == 1) {
        showCommandMessage(Prompter::Kind::Refusal, message, owner);
        return true;
    }
    return showCommandMessage(Prompter::Kind::ContinueQuestion, message + kContinue, owner);
}

} // namespace

std::vector<CChorelinView::DroppedFile> CChorelinView::droppedFilesOf(const QMimeData* data) {
    std::vector<DroppedFile> files;
    if (!data || !data->hasUrls())
        return files;
    for (const QUrl& url : data->urls()) {
        if (!url.isLocalFile())
            continue;
        DroppedFile file;
        file.utf8 = url.toLocalFile().toStdString();
        file.cp932 = platform::utf8ToCp932(file.utf8);
        files.push_back(std::move(file));
    }
    return files;
}

// A drop only reads the files it names, so it is always taken as a copy: a source that offers
// a move (Shift held) must not delete the file that the new task is to run.
bool CChorelinView::acceptAsCopy(QDropEvent* event) {
    if (droppedFilesOf(event->mimeData()).empty() || !(event->possibleActions() & Qt::CopyAction)) {
        event->ignore();
        return false;
    }
    event->setDropAction(Qt::CopyAction);
    event->accept();
    return true;
}

void CChorelinView::dragEnterEvent(QDragEnterEvent* event) {
    acceptAsCopy(event);
}

void CChorelinView::dragMoveEvent(QDragMoveEvent* event) {
    acceptAsCopy(event);
}

void CChorelinView::dropEvent(QDropEvent* event) {
    if (!acceptAsCopy(event))
        return;
    std::vector<DroppedFile> files = droppedFilesOf(event->mimeData());
    // The drag ends first: the source waits for the drop's answer, which must not wait for the
    // dialogs and questions the files bring.
    QMetaObject::invokeMethod(
        this, [this, files = std::move(files)] { OnDropFiles(files); }, Qt::QueuedConnection);
}

void CChorelinView::dropPaths(const std::vector<std::string>& cp932Paths) {
    std::vector<DroppedFile> files;
    files.reserve(cp932Paths.size());
    for (const std::string& path : cp932Paths)
        files.push_back(DroppedFile{platform::cp932ToUtf8Lossy(path), path});
    OnDropFiles(files);
}

void CChorelinView::OnDropFiles(const std::vector<DroppedFile>& files) {
    traceLine("CChorelinView::OnDropFiles() Start");
    {
        // Held across every question and dialog of the drop: no task starts meanwhile.
        TaskLockGuard guard(ctx_.taskLock);
        const int count = static_cast<int>(files.size());
        tracef("ドロップされたファイルの数 =%d", count);
        for (int i = 0; i < count; ++i) {
            if (!dropOneFile(files[static_cast<size_t>(i)], i, count))
                break;
        }
        MyListArrange();
        updateTrayTip();
    }
    traceLine("CChorelinView::OnDropFiles() End");
}

bool CChorelinView::dropOneFile(const DroppedFile& file, int ordinal, int count) {
    if (ctx_.taskCount >= ctx_.maxTaskCount) {
        showCommandMessage(Prompter::Kind::Refusal, "これ以上登録することができません。", this);
        return false;
    }
    tracef("第 %d 番目のファイル名 = %s", ordinal, file.utf8.c_str());

    // A path the record cannot hold whole is refused, never cut.
    if (!file.cp932)
        return refuseFile("ドロップされたファイルのパスにShift_JIS（cp932）で表せない文字が含ま"
                          "れています。\n" +
                              file.utf8,
                          count, this);
    const std::string& path = *file.cp932;
    if (path.size() > kPathLimit)
        return refuseFile("ドロップされたファイルのパスが511バイトを超えるため登録できません。\n" +
                              file.utf8,
                          count, this);

    // A path whose attributes cannot be read counts as a folder too.
    if (!platform::pathExists(path) || platform::isDirectory(path))
        return refuseFile("フォルダ（" + file.utf8 + "）を指定することはできません。", count, this);

    char program[1024] = {};
    const int resolved = MyGetExecFile(path.c_str(), program, sizeof program);
    if (resolved != 0)
        return refuseFile(dropResolutionMessage(resolved, file.utf8), count, this);
    if (fieldView(program).size() > kPathLimit)
        return refuseFile("実行ファイルのパスが511バイトを超えるため登録できません。\n" +
                              messageText(fieldView(program)),
                          count, this);

    // The slot just past the table; a cancelled dialog leaves it there for the next growth.
    const int index = ctx_.taskCount;
    ctx_.tasks.resize(static_cast<size_t>(index) + 1);
    TaskRecord prepared{};
    const DroppedPathParts parts = splitDroppedPath(path);
    setField(prepared.name, uniqueDropName(parts.name, parts.extension,
                                           std::span<const TaskRecord>(ctx_.tasks.data(),
                                                                       static_cast<size_t>(index)),
                                           kNameLimit));
    setField(prepared.runTime, runTimeAfter(platform::localTime(), ctx_.defaultInterval));
    const std::string_view defaultSchedule = fieldView(ctx_.defaultSchedule);
    applyScheduleText(prepared, defaultSchedule);
    // A hand-edited setting longer than the field is written as its flags say instead.
    if (!setField(prepared.scheduleText, defaultSchedule))
        setField(prepared.scheduleText, scheduleTextFromFlags(prepared));
    setField(prepared.registeredFile, path);
    setField(prepared.executableFile, fieldView(program));
    prepared.state = StateWaiting;
    ctx_.tasks[static_cast<size_t>(index)] = prepared;
    MySetNextExec(ctx_, index);

    EntryDialogRequest request;
    request.mode = ModeAddDropped;
    request.record = ctx_.tasks[static_cast<size_t>(index)];
    request.editIndex = index;
    request.owner = window();
    const EntryDialogResult result = entryDialogRunner().run(ctx_, request);
    if (!result.accepted)
        return true;

    applyConfirmedEntry(ctx_, index, result);

    ++ctx_.taskCount;
    MyInsertItem(index);
    MyTaskWrite(ctx_, ctx_.taskFilePath);
    return true;
}
